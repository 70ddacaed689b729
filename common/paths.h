#pragma once
// Path rules of the 8-bit (ANSI) paths: only "\" separates segments, a drive
// prefix ends in ":".
#include <string>
#include <string_view>

namespace merovix {

// Removes one trailing backslash; a backslash that is the second byte of a
// double-byte character does not count, and a slash is never removed.
std::string StripTrailingDelimiter(std::string_view path);

// Removes every trailing backslash, by the same rule.
std::string StripTrailingDelimiters(std::string_view path);

// Cuts the last segment off: `path` becomes its folder part without its
// trailing backslash, `last_segment` what followed the last "\" or ":".
void SplitLastFolder(std::string& path, std::string& last_segment);

// folder + "\" + name.
std::string JoinPath(std::string_view folder, std::string_view name);

// Everything up to and including the last "\" or ":" (empty when none).
std::string FolderPart(std::string_view path);
// Everything after the last "\" or ":".
std::string LastSegment(std::string_view path);
// True for "X:\..." and "\\server\...": paths that do not depend on a
// current drive or folder.
bool IsFullyQualifiedPath(std::string_view path);

// The last segment's text from its last "." on ("" when it has none).
std::string ExtensionOf(std::string_view path);

}  // namespace merovix
