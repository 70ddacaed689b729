#include "common/ini_rules.h"

#include "common/shared_state.h"
#include "framework/strings.h"

namespace merovix {

std::string SettingsFileOr(const std::string& file) { return file.empty() ? SettingsFile : file; }

std::string SettingsSectionOr(const std::string& section) { return section.empty() ? SettingsSection : section; }

std::optional<std::int32_t> ParseIniInteger(std::string_view value) {
  std::string text(value);
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = "$" + text.substr(2);
  size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  const bool hex = pos < text.size() && text[pos] == '$';
  if (hex) ++pos;
  if (pos == text.size()) return std::nullopt;

  std::uint64_t magnitude = 0;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    magnitude = magnitude * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    if (magnitude > 0xFFFFFFFFull) return std::nullopt;
  }
  if (hex) {
    // Eight hex digits fill all 32 bits, so $FFFFFFFF is -1.
    const auto bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
    return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(bits)) : bits;
  }
  const std::int64_t signed_value = negative ? -static_cast<std::int64_t>(magnitude)
                                             : static_cast<std::int64_t>(magnitude);
  if (signed_value < INT32_MIN || signed_value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(signed_value);
}

bool IniValueToBool(std::string_view value, bool fallback) {
  const std::optional<std::int32_t> number = ParseIniInteger(value);
  return number ? *number != 0 : fallback;
}

std::string EscapeIniKey(std::string_view key) { return ReplaceAll(ReplaceAll(key, "[", "#~"), "]", "~#"); }

}  // namespace merovix
