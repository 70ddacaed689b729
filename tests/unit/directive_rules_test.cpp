#include "common/directive_rules.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "common/shared_state.h"

namespace merovix {
namespace {

using namespace std::string_literals;

// A list file in the temporary folder, removed afterwards.
class ListFile {
 public:
  explicit ListFile(const std::string& bytes)
      : path_((std::filesystem::temp_directory_path() /
               ("directive_rules_" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + ".ini"))
                  .string()) {
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  ~ListFile() { std::remove(path_.c_str()); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string SectionValue(const std::string& bytes, const std::string& key, const std::string& section) {
  ListFile file(bytes);
  std::string result = "<unchanged>";
  ReadIniSectionValue(key, file.path(), section, result);
  return result;
}

std::string DirectiveValue(const std::string& text, const std::string& key, const std::string& section) {
  DirectiveList = std::make_unique<TStringList>();
  DirectiveList->SetText(text);
  std::string result;
  ReadDirectiveValue(key, "<default>", section, result);
  DirectiveList.reset();
  return result;
}

TEST(DirectiveRules, FileReaderMatchesExactlyWhileDirectiveReaderIgnoresAsciiCase) {
  const std::string list = "[update]\r\nupdatefilename=U\r\n";
  EXPECT_EQ(DirectiveValue(list, "UpdateFilename", "Update"), "U");
  EXPECT_EQ(SectionValue(list, "UpdateFilename", "Update"), "<unchanged>");
  EXPECT_EQ(SectionValue(list, "updatefilename", "update"), "U");
  // Upper-casing touches a to z only.
  EXPECT_EQ(DirectiveValue("[\xE4]\nk=v\n", "K", "\xC4"), "<default>");
}

TEST(DirectiveRules, BlanksAroundHeaderOrKeyMatchInNeitherReader) {
  const std::string list = "[Update] \r\nUpdateFilename=A\r\n[Other]\r\nUpdateFilename =B\r\n";
  EXPECT_EQ(DirectiveValue(list, "UpdateFilename", "Update"), "<default>");
  EXPECT_EQ(SectionValue(list, "UpdateFilename", "Update"), "<unchanged>");
  EXPECT_EQ(DirectiveValue(list, "UpdateFilename", "Other"), "<default>");
  EXPECT_EQ(SectionValue(list, "UpdateFilename", "Other"), "<unchanged>");
  EXPECT_EQ(SectionValue(list, "UpdateFilename ", "Other"), "B");
  EXPECT_EQ(DirectiveValue("[U]\nk= v \n", "k", "U"), " v ");
}

TEST(DirectiveRules, DuplicateKeysValuesWithEqualsAndSectionEnds) {
  const std::string list = "[Update]\nK=first\nK=second\nQ=https://h/get?a=b=c\n[Next]\nK=next\n";
  EXPECT_EQ(DirectiveValue(list, "K", "Update"), "second");
  EXPECT_EQ(SectionValue(list, "K", "Update"), "first");
  EXPECT_EQ(DirectiveValue(list, "Q", "Update"), "https://h/get?a=b=c");
  EXPECT_EQ(SectionValue(list, "Q", "Update"), "https://h/get?a=b=c");
  // The last section runs to the end of the file; a missing section is no error.
  EXPECT_EQ(DirectiveValue(list, "K", "Next"), "next");
  EXPECT_EQ(SectionValue(list, "K", "Next"), "next");
  EXPECT_EQ(SectionValue(list, "K", "Missing"), "<unchanged>");
  EXPECT_EQ(SectionValue("", "K", "Update"), "<unchanged>");
  // A line without "=" never matches, not even an empty key.
  EXPECT_EQ(SectionValue("[S]\ncomment\n", "", "S"), "<unchanged>");
  EXPECT_EQ(DirectiveValue("[S]\ncomment\n", "", "S"), "<default>");
}

TEST(DirectiveRules, SectionLinesJoinRepeatedHeadersAndDropBlankLines) {
  ListFile file("x=0\r\n[S]\r\na=1\r\n \t\r\n[S]\r\nb=2\r\n[T]\r\nc=3\r\n[S]\r\nd=4\r\n");
  TStringList lines;
  lines.Add("stale");
  ReadIniSectionLines(file.path(), "S", lines);
  EXPECT_EQ(lines.Lines(), (std::vector<std::string>{"a=1", "b=2"}));
  ReadIniSectionLines(file.path() + ".missing", "S", lines);
  EXPECT_TRUE(lines.Empty());
  // Lines stay untrimmed.
  ListFile padded("[S]\n  a=1  \n");
  ReadIniSectionLines(padded.path(), "S", lines);
  EXPECT_EQ(lines.Lines(), (std::vector<std::string>{"  a=1  "}));
}

TEST(DirectiveRules, LineEndsByteOrderMarkAndNul) {
  EXPECT_EQ(SectionValue("[S]\rK=cr\r", "K", "S"), "cr");
  EXPECT_EQ(SectionValue("[S]\nK=lf", "K", "S"), "lf");
  // The byte-order mark belongs to the first line: that header is not "[S]".
  EXPECT_EQ(SectionValue("\xEF\xBB\xBF[S]\r\nK=v\r\n", "K", "S"), "<unchanged>");
  EXPECT_EQ(SectionValue("\xEF\xBB\xBF[S]\r\n[T]\r\nK=v\r\n", "K", "T"), "v");
  // A NUL byte ends the text.
  EXPECT_EQ(SectionValue("[S]\r\nA=1\r\nB=2\0\r\nC=3\r\n"s, "B", "S"), "2");
  EXPECT_EQ(SectionValue("[S]\r\nA=1\r\nB=2\0\r\nC=3\r\n"s, "C", "S"), "<unchanged>");
  // Non-ASCII keys match in their byte form only.
  EXPECT_EQ(SectionValue("[S]\n\xC3\xA4=utf8\n", "\xC3\xA4", "S"), "utf8");
  EXPECT_EQ(SectionValue("[S]\n\xC3\xA4=utf8\n", "\xE4", "S"), "<unchanged>");
}

// A list is read in one pass: a reader that deleted lines one at a time from
// the front would take hours on these (and ctest's time-out would end it).
TEST(DirectiveRules, TenMegabyteListsAreReadWhole) {
  std::string filler;
  while (filler.size() < (10u << 20)) filler += "Filler=0123456789012345678901234567890123456789\r\n";
  const std::string late = filler + "[Update]\r\nUpdateFilename=https://h/late.exe\r\n";
  EXPECT_EQ(SectionValue(late, "UpdateFilename", "Update"), "https://h/late.exe");
  EXPECT_EQ(DirectiveValue(late, "UpdateFilename", "Update"), "https://h/late.exe");
  // A section of ten million blank lines, and one of the filler lines.
  EXPECT_EQ(SectionValue("[S]\n" + std::string(10u << 20, '\r') + "K=v\n", "K", "S"), "v");
  const std::string long_section = "[S]\r\n" + filler + "K=v\r\n";
  EXPECT_EQ(SectionValue(long_section, "K", "S"), "v");
  EXPECT_EQ(DirectiveValue(long_section, "K", "S"), "v");
  EXPECT_EQ(SectionLinesOf(long_section, "S").size(), filler.size() / 49 + 1);
}

TEST(DirectiveRules, SplitAtCharCutsAtTheFirstSeparator) {
  std::string text = "https://h/a.pdf^Handbuch^x", head;
  SplitAtChar(text, '^', head);
  EXPECT_EQ(head, "https://h/a.pdf");
  EXPECT_EQ(text, "Handbuch^x");
  text = "https://h/a.pdf";
  SplitAtChar(text, '^', head);
  EXPECT_EQ(head, "https://h/a.pdf");
  EXPECT_EQ(text, "");
  text = "^https://h/a.pdf";
  SplitAtChar(text, '^', head);
  EXPECT_EQ(head, "");
  EXPECT_EQ(text, "https://h/a.pdf");
}

}  // namespace
}  // namespace merovix
