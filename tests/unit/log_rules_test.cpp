#include "common/log_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace merovix {
namespace {

TEST(LogRules, EachLineCarriesItsLocalTimeAndTheDistanceFromUtc) {
  EXPECT_EQ(StampedLogLine({2026, 12, 9, 7, 12, 3, 60}, "Start"), "2026-12-09 07:12:03 +01:00 Start\r\n");
  EXPECT_EQ(StampedLogLine({2026, 7, 1, 23, 5, 9, 345}, "x"), "2026-07-01 23:05:09 +05:45 x\r\n");
  EXPECT_EQ(StampedLogLine({2026, 1, 31, 0, 0, 0, -210}, ""), "2026-01-31 00:00:00 -03:30 \r\n");
  EXPECT_EQ(StampedLogLine({2026, 1, 31, 0, 0, 0, 0}, "Ä"), "2026-01-31 00:00:00 +00:00 Ä\r\n");
  // Text from outside cannot forge a line of its own.
  EXPECT_EQ(StampedLogLine({2026, 1, 31, 0, 0, 0, 0}, "a\r\n2026-01-31 00:00:00 +00:00 Ende\t\x7F"),
            "2026-01-31 00:00:00 +00:00 a  2026-01-31 00:00:00 +00:00 Ende  \r\n");
}

TEST(LogRules, AFileThatWouldPassTheLimitKeepsItsNewerHalfFromAWholeLine) {
  EXPECT_FALSE(LogNeedsCut(0, 100, 100));
  EXPECT_TRUE(LogNeedsCut(0, 101, 100));
  EXPECT_TRUE(LogNeedsCut(95, 6, 100));
  EXPECT_TRUE(LogNeedsCut(5000, 0, 100)) << "a file grown beyond the limit by others";
  EXPECT_FALSE(LogNeedsCut(kLogLimitBytes - 10, 10));

  // Half the limit is kept, whatever the size reached.
  EXPECT_EQ(LogCutOffset(1100, 1000), 600u);
  EXPECT_EQ(LogCutOffset(7000000, 1000), 6999500u);
  EXPECT_EQ(LogCutOffset(300, 1000), 0u);

  // The line cut through at the start of the newer part goes; the rest
  // follows a fresh byte-order mark. A part without a line end keeps nothing.
  EXPECT_EQ(LogAfterCut("ile\r\nzwei\r\ndrei\r\n"), std::string(kUtf8Bom) + "zwei\r\ndrei\r\n");
  EXPECT_EQ(LogAfterCut("\nganz\r\n"), std::string(kUtf8Bom) + "ganz\r\n");
  EXPECT_EQ(LogAfterCut("\xBC"
                        "ber\r\nneu\r\n"),
            std::string(kUtf8Bom) + "neu\r\n")
      << "a torn UTF-8 sequence";
  EXPECT_EQ(LogAfterCut("kein Zeilenende"), std::string(kUtf8Bom));
}

}  // namespace
}  // namespace merovix
