#include "common/version_rules.h"

namespace merovix {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::optional<ProductVersion> KnownOnly(const ProductVersion& version) {
  if (version.numbers == std::array<std::uint32_t, 4>{}) return std::nullopt;
  return version;
}

}  // namespace

std::string ProductVersion::Text() const {
  std::string text;
  const std::size_t shown = count < 1 ? 1 : (count > numbers.size() ? numbers.size() : count);
  for (std::size_t i = 0; i < shown; ++i) {
    if (i != 0) text += '.';
    text += std::to_string(numbers[i]);
  }
  return text;
}

std::optional<ProductVersion> ParseVersion(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;

  ProductVersion version;
  version.count = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = text.find('.', start);
    const std::string_view part = text.substr(start,
                                              dot == std::string_view::npos ? text.size() - start : dot - start);
    if (part.empty() || version.count == version.numbers.size()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : part) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + static_cast<std::uint64_t>(c - '0');
      if (value > UINT32_MAX) return std::nullopt;
    }
    version.numbers[version.count++] = static_cast<std::uint32_t>(value);
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  return KnownOnly(version);
}

std::optional<ProductVersion> VersionFromFileNumbers(std::uint32_t most_significant,
                                                     std::uint32_t least_significant) {
  ProductVersion version;
  version.numbers = {most_significant >> 16, most_significant & 0xFFFFu, least_significant >> 16,
                     least_significant & 0xFFFFu};
  return KnownOnly(version);
}

bool IsOlderThanInstalled(const std::optional<ProductVersion>& offered,
                          const std::optional<ProductVersion>& installed) {
  return offered && installed && *offered < *installed;
}

}  // namespace merovix
