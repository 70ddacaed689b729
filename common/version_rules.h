#pragma once
// Versions of the product as texts give them ("28.0.0.57", "5.2", " 7 ") and
// their order, so that an installer older than what is installed is noticed.
#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace merovix {

// Up to four numbers; missing ones count as 0 ("5.2" is "5.2.0.0"), so
// only the numbers take part in comparisons, not how many were written.
struct ProductVersion {
  std::array<std::uint32_t, 4> numbers{};
  std::size_t count = 4;  // how many the text gave, for writing it back

  // "5.2" for what was read from "5.2", "1.2.3.4" for a file's version.
  std::string Text() const;

  friend bool operator==(const ProductVersion& a, const ProductVersion& b) { return a.numbers == b.numbers; }
  friend std::strong_ordering operator<=>(const ProductVersion& a, const ProductVersion& b) {
    return a.numbers <=> b.numbers;
  }
};

// The version a text names: one to four decimal numbers separated by dots,
// blanks around the whole allowed. Nothing (an unknown version) for an empty
// text, anything else in it (letters, signs, inner blanks, empty parts, a
// fifth part, a number past 32 bits) and for 0.0.0.0, which installers write
// when no version was given.
std::optional<ProductVersion> ParseVersion(std::string_view text);

// The four 16-bit numbers of a file's version resource (its two 32-bit
// halves, most significant first); nothing for 0.0.0.0.
std::optional<ProductVersion> VersionFromFileNumbers(std::uint32_t most_significant, std::uint32_t least_significant);

// True only when both versions are known and `offered` is older.
bool IsOlderThanInstalled(const std::optional<ProductVersion>& offered,
                          const std::optional<ProductVersion>& installed);

}  // namespace merovix
