#pragma once
// Reading the directive list: an INI-like file of "[section]" headers and
// "key=value" lines. Two readers with different rules: the file readers
// match exactly, ReadDirectiveValue (over the loaded DirectiveList) ignores
// the letter case of "a" to "z".
#include <string>
#include <string_view>
#include <vector>

#include "framework/string_list.h"

namespace merovix {

// Replaces `lines` by the lines of the file (bytes unconverted; CR LF, LF or
// CR end a line, a NUL byte ends the text). False, and `lines` empty, when
// the file cannot be read.
bool LoadFileLines(const std::string& path, TStringList& lines);

// The lines of the first section of `text` with the exact header
// "[section]": without the header, without blank lines, up to the next line
// that starts with "[" other than the same header repeated. Empty when there
// is none. Lines end as TStringList::SetText says; one pass over the text.
std::vector<std::string> SectionLinesOf(std::string_view text, const std::string& section);

// The section's lines of the file `file_path` (exact, case-sensitive header).
void ReadIniSectionLines(const std::string& file_path, const std::string& section, TStringList& lines);

// The text after the first "=" of the section's first line whose text before
// that "=" equals `key` exactly; `result` stays as it was when there is none.
void ReadIniSectionValue(const std::string& key, const std::string& file_path, const std::string& section,
                         std::string& result);

// The value of `key` in `section` of DirectiveList, both compared with "a" to
// "z" upper-cased; the last occurrence wins; `default_value` when absent.
void ReadDirectiveValue(const std::string& key, const std::string& default_value, const std::string& section,
                        std::string& result);

// Cuts `text` at the first `separator`: `head` gets what stands before it,
// `text` what follows. Without the separator `head` gets all and `text` is
// left empty.
void SplitAtChar(std::string& text, char separator, std::string& head);

}  // namespace merovix
