#include "common/paths.h"

#include <gtest/gtest.h>

namespace merovix {
namespace {

TEST(Paths, StripTrailingDelimiterRemovesOneBackslashTheDelimitersFormAll) {
  EXPECT_EQ(StripTrailingDelimiter("C:\\Temp\\"), "C:\\Temp");
  EXPECT_EQ(StripTrailingDelimiter("C:\\Temp\\\\"), "C:\\Temp\\");
  EXPECT_EQ(StripTrailingDelimiter("C:\\"), "C:");
  EXPECT_EQ(StripTrailingDelimiter("C:\\Temp/"), "C:\\Temp/");
  EXPECT_EQ(StripTrailingDelimiter(""), "");
  EXPECT_EQ(StripTrailingDelimiters("C:\\Temp\\\\\\"), "C:\\Temp");
  EXPECT_EQ(StripTrailingDelimiters("\\\\"), "");
  EXPECT_EQ(StripTrailingDelimiters("C:\\Temp/"), "C:\\Temp/");
}

TEST(Paths, SplitLastFolderSeparatesParentAndSegment) {
  std::string path = "C:\\Merovix\\Calvorintex", last;
  SplitLastFolder(path, last);
  EXPECT_EQ(path, "C:\\Merovix");
  EXPECT_EQ(last, "Calvorintex");

  path = "C:\\Calvorintex";
  SplitLastFolder(path, last);
  EXPECT_EQ(path, "C:");
  EXPECT_EQ(last, "Calvorintex");

  path = "C:\\Merovix\\";
  SplitLastFolder(path, last);
  EXPECT_EQ(path, "C:\\Merovix");
  EXPECT_EQ(last, "");
}

TEST(Paths, FolderPartSegmentAndExtensionFollowBackslashAndColon) {
  EXPECT_EQ(FolderPart("C:x.exe"), "C:");
  EXPECT_EQ(FolderPart("x.exe"), "");
  EXPECT_EQ(LastSegment("C:\\Data\\Downloads"), "Downloads");
  EXPECT_EQ(ExtensionOf("C:\\a.b\\file"), "");
  EXPECT_EQ(ExtensionOf("report.final.PDF"), ".PDF");
}

TEST(Paths, OnlyDriveAndUncPathsAreFullyQualified) {
  for (const char* path : {"C:\\", "z:\\Ziel", "\\\\server\\share"}) EXPECT_TRUE(IsFullyQualifiedPath(path)) << path;
  // What a folder dialog may leave for an item without a path: a display
  // name, or nothing; and paths relative to a current drive or folder.
  for (const char* path : {"", "My Computer", "C:", "C:Ziel", "\\Ziel", "\\\\", "1:\\x"}) {
    EXPECT_FALSE(IsFullyQualifiedPath(path)) << path;
  }
}

}  // namespace
}  // namespace merovix
