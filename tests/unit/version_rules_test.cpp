#include "common/version_rules.h"

#include <gtest/gtest.h>

namespace merovix {
namespace {

TEST(ParseVersion, ReadsOneToFourNumbersAndNothingElse) {
  struct {
    const char* text;
    std::optional<std::array<std::uint32_t, 4>> numbers;
    const char* written;
  } const cases[] = {
      {"28.0.0.57", {{28, 0, 0, 57}}, "28.0.0.57"},
      {"5.2", {{5, 2, 0, 0}}, "5.2"},
      {" 7\t", {{7, 0, 0, 0}}, "7"},
      {"0.0.0.1", {{0, 0, 0, 1}}, "0.0.0.1"},
      {"007.10", {{7, 10, 0, 0}}, "7.10"},
      {"4294967295.1", {{4294967295u, 1, 0, 0}}, "4294967295.1"},
      {"", std::nullopt, ""},
      {"  ", std::nullopt, ""},
      {"0.0.0.0", std::nullopt, ""},  // what installers write when no version was given
      {"0", std::nullopt, ""},
      {"1.2.3.4.5", std::nullopt, ""},
      {"1..2", std::nullopt, ""},
      {"1.2.", std::nullopt, ""},
      {".1", std::nullopt, ""},
      {"1. 2", std::nullopt, ""},
      {"1.2.3-beta", std::nullopt, ""},
      {"v1.2", std::nullopt, ""},
      {"-1.2", std::nullopt, ""},
      {"+1.2", std::nullopt, ""},
      {"4294967296.0", std::nullopt, ""},  // past 32 bits
      {"99999999999999999999", std::nullopt, ""},
  };
  for (const auto& c : cases) {
    const std::optional<ProductVersion> version = ParseVersion(c.text);
    ASSERT_EQ(version.has_value(), c.numbers.has_value()) << '"' << c.text << '"';
    if (!version) continue;
    EXPECT_EQ(version->numbers, *c.numbers) << c.text;
    EXPECT_EQ(version->Text(), c.written) << c.text;
  }
}

TEST(ProductVersion, MissingPartsCountAsZeroAndOnlyAKnownOlderOfferIsOlder) {
  const auto v = [](const char* text) { return ParseVersion(text); };
  EXPECT_EQ(*v("5.2"), *v("5.2.0.0"));
  EXPECT_LT(*v("5.2"), *v("5.2.0.1"));
  EXPECT_LT(*v("5.9.9.9"), *v("5.10"));  // by number, not by text
  EXPECT_GT(*v("28.0.0.57"), *v("27.65535"));

  EXPECT_TRUE(IsOlderThanInstalled(v("28.0.0.56"), v("28.0.0.57")));
  EXPECT_FALSE(IsOlderThanInstalled(v("28.0.0.57"), v("28.0.0.57")));
  EXPECT_FALSE(IsOlderThanInstalled(v("28.1"), v("28.0.0.57")));
  EXPECT_FALSE(IsOlderThanInstalled(std::nullopt, v("28.0.0.57")));
  EXPECT_FALSE(IsOlderThanInstalled(v("1.0"), std::nullopt));
  EXPECT_FALSE(IsOlderThanInstalled(v("1.0"), v("0.0.0.0")));
}

TEST(VersionFromFileNumbers, SplitsTheHalvesIntoSixteenBitNumbers) {
  const std::optional<ProductVersion> version = VersionFromFileNumbers(0x001C0000, 0x00000039);
  ASSERT_TRUE(version);
  EXPECT_EQ(version->Text(), "28.0.0.57");
  EXPECT_EQ(VersionFromFileNumbers(0xFFFF0001, 0x00020003)->Text(), "65535.1.2.3");
  EXPECT_FALSE(VersionFromFileNumbers(0, 0));
}

}  // namespace
}  // namespace merovix
