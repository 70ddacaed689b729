#pragma once
// Shortening a one-line status text until it fits a control's width. The
// loops measure through a function passed in (on Windows: the text's extent
// in the control's font), so they run anywhere. Texts are ANSI.
#include <functional>
#include <string>
#include <string_view>

namespace merovix {

// The width of a text in pixels; 0 when it cannot be measured.
using TextMeasure = std::function<int(const std::string&)>;

// A path of an existing folder: leading folders give way to "...\", then the
// drive goes; the last name is never cut, even when it alone is too wide.
std::string FitPathToWidth(const std::string& text, int width, const TextMeasure& measure);

// Any other text: cut at its end and followed by "...", at the narrowest "...".
std::string FitTextToWidth(const std::string& text, int width, const TextMeasure& measure);

// One step of FitPathToWidth on the folder part: its first folder (or a
// "...\" marker and the folder after it) is replaced by "...\"; a leading "\"
// stays. "\" alone becomes empty.
void ShortenDirectoryPart(std::string& dir);

// Removes one trailing "\".
std::string RemoveTrailingBackslash(std::string_view path);

}  // namespace merovix
