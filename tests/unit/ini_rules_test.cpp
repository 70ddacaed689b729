#include "common/ini_rules.h"

#include <gtest/gtest.h>

#include "common/shared_state.h"

namespace merovix {
namespace {

TEST(IniRules, WholeNumbersInTheirThreeForms) {
  EXPECT_EQ(ParseIniInteger("0"), 0);
  EXPECT_EQ(ParseIniInteger("-17"), -17);
  EXPECT_EQ(ParseIniInteger("+5"), 5);
  EXPECT_EQ(ParseIniInteger("$1F"), 31);
  EXPECT_EQ(ParseIniInteger("0x1f"), 31);
  EXPECT_EQ(ParseIniInteger("0X0"), 0);
  EXPECT_EQ(ParseIniInteger("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseIniInteger("2147483647"), 2147483647);
  EXPECT_EQ(ParseIniInteger("-2147483648"), INT32_MIN);
}

TEST(IniRules, AnythingElseIsNoNumber) {
  for (const char* text : {"", "yes", "0x", "$", "-", "1 ", " 1", "1.0", "0x1g", "12a", "2147483648", "$100000000"}) {
    EXPECT_FALSE(ParseIniInteger(text).has_value()) << '"' << text << '"';
  }
}

TEST(IniRules, BooleansAreZeroOrAnyOtherNumber) {
  EXPECT_FALSE(IniValueToBool("0", true));
  EXPECT_FALSE(IniValueToBool("0x0", true));
  EXPECT_TRUE(IniValueToBool("2", false));
  EXPECT_TRUE(IniValueToBool("yes", true));
  EXPECT_FALSE(IniValueToBool("yes", false));
  EXPECT_TRUE(IniValueToBool("", true));
}

TEST(IniRules, KeyEscapingTurnsBracketsIntoMarkers) {
  EXPECT_EQ(EscapeIniKey("a[1]"), "a#~1~#");
  EXPECT_EQ(EscapeIniKey("]["), "~##~");
  EXPECT_EQ(EscapeIniKey("plain"), "plain");
}

TEST(IniRules, EmptyFileAndSectionSelectTheSharedDefaults) {
  SettingsFile = "C:\\Merovix\\settings.ini";
  SettingsSection = "Parameter";
  EXPECT_EQ(SettingsFileOr(""), "C:\\Merovix\\settings.ini");
  EXPECT_EQ(SettingsFileOr("D:\\x.ini"), "D:\\x.ini");
  EXPECT_EQ(SettingsSectionOr(""), "Parameter");
  EXPECT_EQ(SettingsSectionOr("Other"), "Other");
  SettingsFile.clear();
  SettingsSection.clear();
}

}  // namespace
}  // namespace merovix
