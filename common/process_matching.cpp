#include "common/process_matching.h"

#include "common/paths.h"
#include "framework/strings.h"

namespace merovix {

std::uint32_t CountWholeNameMatches(const TStringList& exe_names, std::string_view name,
                                    UpperCaseFunction upper_case) {
  const std::string wanted = upper_case(name);
  std::uint32_t count = 0;
  for (const std::string& exe_name : exe_names) {
    if (upper_case(exe_name) == wanted) ++count;
  }
  return count;
}

bool FileNameMatches(std::string_view exe_file, std::string_view name) {
  const std::string wanted = AsciiUpperCase(name);
  return AsciiUpperCase(LastSegment(exe_file)) == wanted || AsciiUpperCase(exe_file) == wanted;
}

std::optional<std::uint32_t> ParseProcessIdText(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;  // 4294967295 has ten digits
  if (text.size() > 1 && text.front() == '0') return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value > UINT32_MAX) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

}  // namespace merovix
