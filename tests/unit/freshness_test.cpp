#include "common/freshness.h"

#include <gtest/gtest.h>

namespace merovix {
namespace {

constexpr DateTime kLocal{1994, 11, 15, 8, 12, 31, 0};

TEST(Freshness, ParsesRfc1123DatesAndRejectsEverythingElse) {
  EXPECT_EQ(ParseHttpDate("Tue, 15 Nov 1994 08:12:31 GMT"), kLocal);
  EXPECT_EQ(ParseHttpDate("Thu, 29 Feb 2024 23:59:59 GMT"), (DateTime{2024, 2, 29, 23, 59, 59, 0}));
  for (const char* bad :
       {"", "Tue, 15 Nov 1994 08:12:31", "Tue, 15 Nov 1994 08:12:31 UTC", "Tuesday, 15-Nov-94 08:12:31 GMT",
        "Tue Nov 15 08:12:31 1994", "Tue, 5 Nov 1994 08:12:31 GMT", "Tue, 15 nov 1994 08:12:31 GMT",
        "Tue, 31 Nov 1994 08:12:31 GMT", "Thu, 29 Feb 2023 08:12:31 GMT", "Tue, 15 Nov 1994 24:00:00 GMT",
        "Tue, 15 Nov 1994 08:60:00 GMT", "Tue, 15 Nov 1994 08:12:31 GMT ", "Xyz, 15 Nov 1994 08:12:31 GMT",
        "Tue, 15 Nov 1994 08:1a:31 GMT"}) {
    EXPECT_FALSE(ParseHttpDate(bad)) << bad;
  }
}

TEST(Freshness, SameDateAndTimeToTheSecondIsCurrent) {
  EXPECT_TRUE(IsLocalCopyCurrent("Last-Modified: Tue, 15 Nov 1994 08:12:31 GMT\r\n", kLocal));
  EXPECT_TRUE(IsLocalCopyCurrent("Last-Modified: Tue, 15 Nov 1994 08:12:31 GMT", kLocal));
  EXPECT_TRUE(IsLocalCopyCurrent("Last-Modified:  Tue, 15 Nov 1994 08:12:31 GMT \n", kLocal));
  // Milliseconds of the local file do not count: HTTP has whole seconds.
  EXPECT_TRUE(IsLocalCopyCurrent("Last-Modified: Tue, 15 Nov 1994 08:12:31 GMT\r\n", {1994, 11, 15, 8, 12, 31, 999}));
}

TEST(Freshness, AnyOtherDateOrTimeOrDoubtMeansDownload) {
  // The same time of day on another date: a new installer.
  EXPECT_FALSE(IsLocalCopyCurrent("Last-Modified: Wed, 16 Nov 1994 08:12:31 GMT\r\n", kLocal));
  EXPECT_FALSE(IsLocalCopyCurrent("Last-Modified: Tue, 15 Nov 1995 08:12:31 GMT\r\n", kLocal));
  EXPECT_FALSE(IsLocalCopyCurrent("Last-Modified: Tue, 15 Nov 1994 08:12:32 GMT\r\n", kLocal));
  // An older file on the server is a different file too.
  EXPECT_FALSE(IsLocalCopyCurrent("Last-Modified: Tue, 15 Nov 1994 08:12:30 GMT\r\n", kLocal));
  EXPECT_FALSE(IsLocalCopyCurrent("", kLocal));
  EXPECT_FALSE(IsLocalCopyCurrent("curl: (7) Failed to connect\r\n", kLocal));
  EXPECT_FALSE(IsLocalCopyCurrent("Last-Modified: garbage\r\n", kLocal));
  EXPECT_FALSE(IsLocalCopyCurrent("X-Last-Modified: Tue, 15 Nov 1994 08:12:31 GMT\r\n", kLocal));
  EXPECT_FALSE(IsLocalCopyCurrent(
      "Last-Modified: Tue, 15 Nov 1994 08:12:31 GMT\r\nLast-Modified: Tue, 15 Nov 1994 08:12:31 GMT\r\n", kLocal));
  // HTTP/2's lower-case field never passes "findstr Last-Modified:" anyway.
  EXPECT_FALSE(IsLocalCopyCurrent("last-modified: Tue, 15 Nov 1994 08:12:31 GMT\r\n", kLocal));
}

}  // namespace
}  // namespace merovix
