#pragma once
// Small string helpers of the run-time layer. All texts are 8-bit: ANSI code
// page for data (paths, settings, command lines), UTF-8 for texts shown to
// the user (converted explicitly when shown).
#include <string>
#include <string_view>

namespace merovix {

// Upper-cases "a" to "z" only; every other byte stays.
std::string AsciiUpperCase(std::string_view text);

// True when both texts are equal once "a" to "z" are upper-cased.
bool AsciiSameText(std::string_view a, std::string_view b);

// True when text starts with the given piece (byte for byte).
bool StartsWith(std::string_view text, std::string_view prefix);

// Replaces every occurrence of `from` (non-empty) by `to`, left to right.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// The text up to its first NUL byte.
std::string UntilNul(std::string_view text);

// Formats a message with one "%s" or "%d" placeholder filled by `value`.
std::string FormatOne(std::string_view pattern, std::string_view value);

}  // namespace merovix
