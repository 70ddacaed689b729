#pragma once
// Name and id rules of the process operations, kept apart from the process
// snapshot so that they can be tested without one.
#include "framework/string_list.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace merovix {

// Upper-cases a whole text; the caller chooses the rules (the locale's on
// Windows, ASCII in tests).
using UpperCaseFunction = std::string (*)(std::string_view);

// How many entries of `exe_names` equal `name` as a whole once both are
// upper-cased by `upper_case`.
std::uint32_t CountWholeNameMatches(const TStringList& exe_names, std::string_view name,
                                    UpperCaseFunction upper_case);

// True when the file-name part of `exe_file` (after the last "\" or ":"), or
// the whole of it, equals `name`, both upper-cased by ASCII rules only.
bool FileNameMatches(std::string_view exe_file, std::string_view name);

// The process id that `text` names, recognised only as unsigned decimal
// digits without sign, blanks or leading zeros ("0" itself is fine) that fit
// into 32 bits; nothing for every other text.
std::optional<std::uint32_t> ParseProcessIdText(std::string_view text);

}  // namespace merovix
