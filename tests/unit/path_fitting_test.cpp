#include "browse/path_fitting.h"
#include "browse/selection_path.h"

#include <gtest/gtest.h>

#include <vector>

namespace merovix {
namespace {

// Every character is 1 pixel wide; records what was measured.
struct CountingMeasure {
  std::vector<std::string> seen;
  TextMeasure fn() {
    return [this](const std::string& text) {
      seen.push_back(text);
      return static_cast<int>(text.size());
    };
  }
};

// The successive results of FitPathToWidth in a control too narrow at every stage.
std::vector<std::string> PathStages(const std::string& text) {
  CountingMeasure m;
  const std::string last = FitPathToWidth(text, -1, m.fn());
  std::vector<std::string> stages(m.seen.begin() + 1, m.seen.end());
  stages.push_back(last);
  return stages;
}

TEST(PathFitting, AFittingTextIsReturnedWithoutShortening) {
  CountingMeasure m;
  EXPECT_EQ(FitPathToWidth("C:\\Alpha\\Beta\\Gamma", 19, m.fn()), "C:\\Alpha\\Beta\\Gamma");
  EXPECT_EQ(m.seen.size(), 1u);
  EXPECT_EQ(FitTextToWidth("Bitte warten", 12, m.fn()), "Bitte warten");
  // A failed measurement counts as width 0.
  EXPECT_EQ(FitTextToWidth("Bitte warten", 3, [](const std::string&) { return 0; }), "Bitte warten");
}

TEST(PathFitting, LeadingFoldersGiveWayThenTheDrive) {
  EXPECT_EQ(PathStages("C:\\Alpha\\Beta\\Gamma"),
            (std::vector<std::string>{"C:\\...\\Beta\\Gamma", "C:\\...\\Gamma", "...\\Gamma", "Gamma"}));
  EXPECT_EQ(PathStages("\\\\server\\share\\folder"),
            (std::vector<std::string>{"\\...\\server\\share\\folder", "\\...\\share\\folder", "\\...\\folder",
                                      "...\\folder", "folder"}));
  EXPECT_EQ(PathStages("C:\\"), (std::vector<std::string>{"C:", ""}));
}

TEST(PathFitting, AFirstFolderStartingWithADotIsTakenForTheMarker) {
  CountingMeasure m;
  EXPECT_EQ(FitPathToWidth("C:\\.ab\\cd\\ef\\x", 13, m.fn()), "C:\\...\\ef\\x");
}

TEST(PathFitting, TheLastNameIsNeverCutAndEachFolderCostsOnePass) {
  CountingMeasure m;
  EXPECT_EQ(FitPathToWidth("C:\\Alpha\\Beta\\AVeryLongFileName", 3, m.fn()), "AVeryLongFileName");
  // Dir has 3 backslashes: at most 3 + 2 passes, one measurement each.
  EXPECT_LE(m.seen.size(), 5u);
  EXPECT_EQ(FitPathToWidth("NoFolderAtAll", 1, m.fn()), "NoFolderAtAll");
}

TEST(PathFitting, TextLosesCharactersAtItsEnd) {
  CountingMeasure m;
  EXPECT_EQ(FitTextToWidth("Bitte warten", 9, m.fn()), "Bitte ...");
  EXPECT_EQ(FitTextToWidth("x", 0, m.fn()), "...");
  EXPECT_EQ(FitTextToWidth("abc", 0, m.fn()), "...");
  EXPECT_EQ(FitTextToWidth("", 0, m.fn()), "");
}

TEST(PathFitting, ShortenDirectoryPartSteps) {
  std::string dir = "\\";
  ShortenDirectoryPart(dir);
  EXPECT_EQ(dir, "");
  dir = "\\Alpha\\Beta\\";
  ShortenDirectoryPart(dir);
  EXPECT_EQ(dir, "\\...\\Beta\\");
  dir = "...\\";
  ShortenDirectoryPart(dir);
  EXPECT_EQ(dir, "");
  dir = "Alpha";  // no backslash left
  ShortenDirectoryPart(dir);
  EXPECT_EQ(dir, "");
  dir = ".";  // shorter than the marker
  ShortenDirectoryPart(dir);
  EXPECT_EQ(dir, "");
}

TEST(PathFitting, RemoveTrailingBackslashRemovesOne) {
  EXPECT_EQ(RemoveTrailingBackslash("C:\\Data\\"), "C:\\Data");
  EXPECT_EQ(RemoveTrailingBackslash("C:\\Data\\\\"), "C:\\Data\\");
  EXPECT_EQ(RemoveTrailingBackslash("C:\\Data"), "C:\\Data");
  EXPECT_EQ(RemoveTrailingBackslash(""), "");
}

TEST(SelectionPath, FormatForTheOpenDialog) {
  EXPECT_EQ(FormatSelectionPath(""), "");
  EXPECT_EQ(FormatSelectionPath("C:"), "C:\\");
  EXPECT_EQ(FormatSelectionPath("C:\\"), "C:\\");
  EXPECT_EQ(FormatSelectionPath("C:x"), "C:x");
  EXPECT_EQ(FormatSelectionPath("C:\\Data\\"), "C:\\Data");
  EXPECT_EQ(FormatSelectionPath("C:\\Data"), "C:\\Data");
  EXPECT_EQ(FormatSelectionPath("\\"), "\\");
  EXPECT_EQ(FormatSelectionPath("\\\\server\\share\\"), "\\\\server\\share");
  EXPECT_EQ(FormatSelectionPath("x"), "x");
}

TEST(SelectionPath, AnExistingFolderIsStoredWithATrailingBackslash) {
  std::vector<std::string> asked;
  auto exists = [&asked](const std::string& path) {
    asked.push_back(path);
    return path == "C:\\Data";
  };
  EXPECT_EQ(AssignedSelection("C:\\Data", exists), "C:\\Data\\");
  EXPECT_EQ(AssignedSelection("C:\\Missing", exists), "C:\\Missing");
  EXPECT_EQ(AssignedSelection("C:\\Data\\", exists), "C:\\Data\\");
  EXPECT_EQ(AssignedSelection("", exists), "");
  EXPECT_EQ(asked, (std::vector<std::string>{"C:\\Data", "C:\\Missing"}));
}

}  // namespace
}  // namespace merovix
