#include "common/command_lines.h"

#include <gtest/gtest.h>

namespace merovix {
namespace {

TEST(CommandLines, RunAndWaitQuotesThePathAndKeepsTheBlankBeforeEmptyParameters) {
  EXPECT_EQ(RunAndWaitCommandLine("C:\\P\\setup.exe", "/silent"), "\"C:\\P\\setup.exe\" /silent");
  EXPECT_EQ(RunAndWaitCommandLine("C:\\Program Files\\curl.exe", ""), "\"C:\\Program Files\\curl.exe\" ");
  // Parameters go through untouched, quotes and all.
  EXPECT_EQ(RunAndWaitCommandLine("C:\\w.exe", "-P \"C:\\a b\" x"), "\"C:\\w.exe\" -P \"C:\\a b\" x");
}

TEST(CommandLines, RunAndWaitRunsInTheProgramsFolderWithItsBackslash) {
  EXPECT_EQ(RunAndWaitFolder("C:\\P\\setup.exe"), "C:\\P\\");
  EXPECT_EQ(RunAndWaitFolder("C:\\setup.exe"), "C:\\");
  EXPECT_EQ(RunAndWaitFolder("C:setup.exe"), "C:");
  EXPECT_EQ(RunAndWaitFolder("setup.exe"), "");
}

TEST(CommandLines, RunDetachedQuotesPathAndParametersAsOneArgumentOrNothing) {
  EXPECT_EQ(RunDetachedCommandLine("C:\\M\\Merovix.exe", "", true), "\"C:\\M\\Merovix.exe\"");
  EXPECT_EQ(RunDetachedCommandLine("C:\\M\\Merovix.exe", "-a -b", true), "\"C:\\M\\Merovix.exe\" \"-a -b\"");
  EXPECT_EQ(RunDetachedCommandLine("C:\\M\\Merovix.exe", "-x", false), "C:\\M\\Merovix.exe -x");
  EXPECT_EQ(RunDetachedCommandLine("C:\\M\\Merovix.exe", "", false), "C:\\M\\Merovix.exe ");
}

TEST(CommandLines, CapturedCommandsRunThroughCmdInOnePairOfQuotes) {
  EXPECT_EQ(CapturedCommandLine("echo hello"), "cmd.exe /C \"echo hello\"");
  EXPECT_EQ(CapturedCommandLine("cURL -sI https://h/x | findstr Last-Modified:"),
            "cmd.exe /C \"cURL -sI https://h/x | findstr Last-Modified:\"");
  EXPECT_EQ(CapturedCommandLine(""), "cmd.exe /C \"\"");
}

TEST(CommandLines, ShellExecuteFolderKeepsRootsAndDropsOtherTrailingBackslashes) {
  EXPECT_EQ(ShellExecuteFolder("C:\\Tools\\x.exe"), "C:\\Tools");
  EXPECT_EQ(ShellExecuteFolder("C:\\x.exe"), "C:\\");
  EXPECT_EQ(ShellExecuteFolder("C:x.exe"), "C:");
  EXPECT_EQ(ShellExecuteFolder("\\x.exe"), "\\");
  EXPECT_EQ(ShellExecuteFolder("x.exe"), "");
  EXPECT_EQ(ShellExecuteFolder("sc"), "");
  EXPECT_EQ(ShellExecuteFolder("\\\\server\\share\\x.exe"), "\\\\server\\share");
  EXPECT_EQ(ShellExecuteFolder("\\\\x.exe"), "\\\\");
  EXPECT_EQ(ShellExecuteFolder("C:\\Data\\"), "C:\\Data");
  EXPECT_EQ(Quoted(ShellExecuteFolder("sc")), "\"\"");
  EXPECT_EQ(Quoted("C:\\Data\\report.pdf"), "\"C:\\Data\\report.pdf\"");
}

TEST(CommandLines, SignalFileContentEndsEveryLineInCrLf) {
  EXPECT_EQ(SignalFileContent("a\r\nb"), "a\r\nb\r\n");
  EXPECT_EQ(SignalFileContent("a\r\nb\r\n"), "a\r\nb\r\n");
  EXPECT_EQ(SignalFileContent("a\nb\rc"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(SignalFileContent("a\r\rb"), "a\r\n\r\nb\r\n");
  EXPECT_EQ(SignalFileContent(std::string_view("a\nb\0c\nd", 7)), "a\r\nb\r\n");
  EXPECT_EQ(SignalFileContent("\n"), "\r\n");
}

}  // namespace
}  // namespace merovix
