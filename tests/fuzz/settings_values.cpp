// Fuzz target: values of the settings file. Whole numbers and booleans are
// checked against a second reading by the same grammar and by round trips;
// escaped keys keep no brackets; process ids are recognised only in their
// one canonical decimal form.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>

#include "common/ini_rules.h"
#include "common/process_matching.h"
#include "fuzz_support.h"

namespace {

using merovix::ParseIniInteger;

// The grammar again, on other means: sign, "$" or "0x" (when more follows),
// digits; at most 32 bits, hexadecimal wrapping into the sign.
std::optional<std::int32_t> ReferenceInteger(std::string_view text) {
  std::string value(text);
  if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) value = "$" + value.substr(2);
  std::string_view rest = value;
  bool negative = false;
  if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
    negative = rest[0] == '-';
    rest.remove_prefix(1);
  }
  const bool hex = !rest.empty() && rest[0] == '$';
  if (hex) rest.remove_prefix(1);
  if (rest.empty()) return std::nullopt;
  for (char c : rest) {
    if (!(c >= '0' && c <= '9') && !(hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))) return std::nullopt;
  }
  // Leading zeros cannot overflow anything.
  rest.remove_prefix(std::min(rest.find_first_not_of('0'), rest.size()));
  if (rest.size() > (hex ? 8u : 10u)) return std::nullopt;
  std::uint64_t magnitude = 0;
  std::from_chars(rest.data(), rest.data() + rest.size(), magnitude, hex ? 16 : 10);
  if (magnitude > 0xFFFFFFFFull) return std::nullopt;
  if (hex) {
    const auto bits = static_cast<std::uint32_t>(magnitude);
    return static_cast<std::int32_t>(negative ? 0u - bits : bits);
  }
  const std::int64_t signed_value = negative ? -static_cast<std::int64_t>(magnitude)
                                             : static_cast<std::int64_t>(magnitude);
  if (signed_value < INT32_MIN || signed_value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(signed_value);
}

std::size_t Count(std::string_view text, char c) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view value = fuzz::AsText(data, size);

  const std::optional<std::int32_t> number = ParseIniInteger(value);
  FUZZ_CHECK(number == ReferenceInteger(value));
  FUZZ_CHECK(merovix::IniValueToBool(value, true) == (number ? *number != 0 : true));
  FUZZ_CHECK(merovix::IniValueToBool(value, false) == (number ? *number != 0 : false));

  // Every 32-bit number read back from its decimal and its hexadecimal form.
  std::int32_t n = 0;
  std::memcpy(&n, data, std::min(size, sizeof n));
  FUZZ_CHECK(ParseIniInteger(std::to_string(n)) == n);
  char hex[16];
  const auto end = std::to_chars(hex, hex + sizeof hex, static_cast<std::uint32_t>(n), 16).ptr;
  FUZZ_CHECK(ParseIniInteger("$" + std::string(hex, end)) == n);
  FUZZ_CHECK(ParseIniInteger("0X" + std::string(hex, end)) == n);

  const std::string key = merovix::EscapeIniKey(value);
  FUZZ_CHECK(key.find_first_of("[]") == std::string::npos);
  FUZZ_CHECK(key.size() == value.size() + Count(value, '[') + Count(value, ']'));

  const std::optional<std::uint32_t> id = merovix::ParseProcessIdText(value);
  if (id) FUZZ_CHECK(std::to_string(*id) == value);
  const auto any_id = static_cast<std::uint32_t>(n);
  FUZZ_CHECK(merovix::ParseProcessIdText(std::to_string(any_id)) == any_id);
  return 0;
}
