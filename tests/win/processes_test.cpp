#include "common/win/processes.h"

#include "framework/exceptions.h"
#include "tests/win/recorder_support.h"
#include "tests/win/test_files.h"
#include "tests/win/test_support.h"
#include "tool_fixtures.h"

#include <gtest/gtest.h>

namespace merovix::test {
namespace {

class Processes : public ::testing::Test {
 protected:
  TempFolder scratch;
  // With a trailing "\\", as the fixtures take it.
  std::string Folder() const { return scratch.Path() + "\\"; }
};

TEST_F(Processes, ListProcessNamesReplacesTheListWithBareExecutableNames) {
  StandinProcess storescp(Folder(), "storescp.exe");
  TStringList names;
  names.Add("left over");
  ListProcessNames(names);
  bool own = false, standin = false;
  for (const std::string& name : names) {
    EXPECT_NE(name, "left over");
    own = own || name == "win_tests.exe";
    standin = standin || name == "storescp.exe";
  }
  EXPECT_TRUE(own);
  EXPECT_TRUE(standin);
}

TEST_F(Processes, CountProcessesCountsEveryInstanceWhateverTheCase) {
  EXPECT_EQ(CountProcesses("Merovix.exe"), 0u);
  StandinProcess first(Folder(), "Merovix.exe");
  StandinProcess second(Folder(), "Merovix.exe");
  StandinProcess other(Folder(), "Merovix_Diagnose.exe");
  EXPECT_EQ(CountProcesses("merovix.exe"), 2u);
  EXPECT_EQ(CountProcesses("MEROVIX.EXE"), 2u);
  EXPECT_EQ(CountProcesses("Merovix_Diagnose.exe"), 1u);
  EXPECT_EQ(CountProcesses("Merovix"), 0u);
  // The snapshot holds bare names: a folder in the name finds nothing.
  EXPECT_EQ(CountProcesses(Folder() + "Merovix.exe"), 0u);
  EXPECT_EQ(CountProcesses("C:\\P\\Merovix.exe"), 0u);
}

TEST_F(Processes, WaitForProgramToEndWaitsForEveryInstanceWithinItsBound) {
  EXPECT_TRUE(WaitForProgramToEnd("Merovix.exe", 0)) << "none runs";
  StandinProcess leaving(scratch.Folder("a") + "\\", "Merovix.exe", "wait_ms=1500\r\n");
  StandinProcess staying(scratch.Folder("b") + "\\", "Merovix.exe");
  EXPECT_FALSE(WaitForProgramToEnd("MEROVIX.EXE", 100));
  staying.Terminate();
  EXPECT_TRUE(WaitForProgramToEnd("merovix.exe", 30000)) << "waits for the one that leaves by itself";
  EXPECT_FALSE(leaving.Running());
}

TEST_F(Processes, KillProcessesByNameEndsEveryMatchAndNothingElse) {
  StandinProcess a(Folder(), "ekag20nt.exe");
  StandinProcess b(Folder(), "ekag20nt.exe");
  StandinProcess c(Folder(), "ekag20nt.exe");
  StandinProcess bystander(Folder(), "NKLS40EK.exe");
  EXPECT_TRUE(KillProcessesByName("EKAG20NT.exe"));
  for (const StandinProcess* p : {&a, &b, &c}) {
    ASSERT_TRUE(p->WaitForEnd()) << p->Id();
    EXPECT_EQ(p->ExitCode(), 0u);
  }
  EXPECT_TRUE(bystander.Running());
  EXPECT_TRUE(WaitUntil([] { return CountProcesses("ekag20nt.exe") == 0; }));
  // Nothing left to match.
  EXPECT_FALSE(KillProcessesByName("ekag20nt.exe"));
}

TEST_F(Processes, KillProcessesByNameWithAFolderFindsNothing) {
  StandinProcess merovix(Folder(), "Merovix.exe");
  EXPECT_FALSE(KillProcessesByName("C:\\P\\Merovix.exe"));
  EXPECT_FALSE(KillProcessesByName(Folder() + "Merovix.exe"));
  EXPECT_FALSE(KillProcessesByName("Merovix"));
  EXPECT_TRUE(merovix.Running());
}

TEST_F(Processes, ANonAsciiLetterIsCountedByTheLocaleButNotKilledByAscii) {
  if (GetACP() != 1252) GTEST_SKIP() << "needs code page 1252";
  StandinProcess umlaut(Folder(), "\xC4rger.exe");  // A-umlaut
  EXPECT_EQ(CountProcesses("\xE4rger.exe"), 1u);    // a-umlaut
  EXPECT_FALSE(KillProcessesByName("\xE4rger.exe"));
  EXPECT_TRUE(umlaut.Running());
  EXPECT_TRUE(KillProcessesByName("\xC4RGER.EXE"));
  EXPECT_TRUE(umlaut.WaitForEnd());
}

TEST_F(Processes, ProcessIdRunningKnowsOnlyTheExactDecimalTextOfARunningId) {
  StandinProcess storescp(Folder(), "storescp.exe");
  const std::string id = storescp.IdText();
  EXPECT_TRUE(ProcessIdRunning(id));
  EXPECT_TRUE(ProcessIdRunning(std::to_string(GetCurrentProcessId())));
  for (const std::string& text :
       {std::string(), "0" + id, " " + id, id + " ", "+" + id, id + "x", std::string("abc")}) {
    EXPECT_FALSE(ProcessIdRunning(text)) << '"' << text << '"';
  }
  ASSERT_TRUE(storescp.TerminateAndWait());
  EXPECT_TRUE(WaitUntil([&] { return !ProcessIdRunning(id); }));
}

TEST_F(Processes, KillProcessByIdTextEndsOnlyARunningIdGivenExactly) {
  StandinProcess wlmscpfs(Folder(), "wlmscpfs.exe");
  StandinProcess ended(Folder(), "storescp.exe");
  ASSERT_TRUE(ended.TerminateAndWait());
  const std::string id = wlmscpfs.IdText();
  for (const std::string& text :
       {std::string(), "0" + id, " " + id, id + " ", std::string("wlmscpfs"), ended.IdText()}) {
    EXPECT_NO_THROW(KillProcessByIdText(text)) << '"' << text << '"';
  }
  EXPECT_TRUE(wlmscpfs.Running());
  // A stale id that now names the caller itself is left alone.
  KillProcessByIdText(std::to_string(GetCurrentProcessId()));
  EXPECT_NO_THROW(KillProcessByIdText(id));
  ASSERT_TRUE(wlmscpfs.WaitForEnd());
  EXPECT_EQ(wlmscpfs.ExitCode(), 0u);
}

TEST_F(Processes, KillProgramByIdTextEndsARecordedIdOnlyWhileItIsThatProgram) {
  StandinProcess storescp(Folder(), "storescp.exe");
  StandinProcess other(Folder(), "Merovix.exe");  // a recorded id now taken by another program
  for (const std::string& text : {std::string(), "0" + storescp.IdText(), storescp.IdText() + " ", other.IdText()}) {
    EXPECT_FALSE(KillProgramByIdText(text, "storescp.exe")) << '"' << text << '"';
  }
  EXPECT_FALSE(KillProgramByIdText(std::to_string(GetCurrentProcessId()), "win_tests.exe"));
  EXPECT_TRUE(storescp.Running());
  EXPECT_TRUE(other.Running());
  EXPECT_TRUE(KillProgramByIdText(storescp.IdText(), "STORESCP.EXE"));
  ASSERT_TRUE(storescp.WaitForEnd());
  EXPECT_EQ(storescp.ExitCode(), 0u);
  EXPECT_TRUE(other.Running());
}

TEST_F(Processes, KillProcessByIdOfNoProcessIsFalseWithoutAnException) {
  StandinProcess running(Folder(), "wlmscpfs.exe");
  EXPECT_FALSE(KillProcessById(0xFFFFFFF0u));
  EXPECT_TRUE(KillProcessById(running.Id()));
  ASSERT_TRUE(running.WaitForEnd());
  EXPECT_EQ(running.ExitCode(), 0u);
}

TEST_F(Processes, ARefusedTerminationRaisesEWin32Error) {
  // Windows refuses to terminate a process that has ended while a handle
  // keeps it open (ERROR_ACCESS_DENIED); the fixture holds such a handle.
  StandinProcess ended(Folder(), "storescp.exe");
  ASSERT_TRUE(ended.TerminateAndWait());
  if (RunningOnWine()) {
    // Known Wine difference: Wine terminates the ended process again without
    // complaint, so the refusal cannot be produced here.
    EXPECT_TRUE(KillProcessById(ended.Id()));
    return;
  }
  try {
    KillProcessById(ended.Id());
    ADD_FAILURE() << "the refused termination was not raised";
  } catch (const EWin32Error& e) {
    EXPECT_EQ(e.ErrorCode(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
}

// The stand-in's own contract, on which later tests of the update run rely.
TEST_F(Processes, TheStandInRecordsItsStartAndLeavesOnItsSignalFile) {
  StandinProcess merovix(Folder(), "Merovix.exe", "signal=StopService\nexit=7\n");
  std::vector<recorder::Record> records = RecordsOf(Folder() + "Merovix.exe");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["pid"], merovix.IdText());
  EXPECT_EQ(records[0]["cmdline"], "\"" + Folder() + "Merovix.exe\"");
  EXPECT_EQ(std::stoul(records[0]["flags"]) & STARTF_USESHOWWINDOW, 0u);
  EXPECT_TRUE(merovix.Running()) << "no time-out of its own";
  WriteTextFile(Folder() + "StopService", "");
  ASSERT_TRUE(merovix.WaitForEnd());
  EXPECT_EQ(merovix.ExitCode(), 7u);
  EXPECT_EQ(GetFileAttributesA((Folder() + "StopService").c_str()), INVALID_FILE_ATTRIBUTES);
  records = RecordsOf(Folder() + "Merovix.exe");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1], (recorder::Record{{"event", "signal"}, {"pid", merovix.IdText()}}));
}

}  // namespace
}  // namespace merovix::test
