#include "common/win/user_token_launch.h"

#include <gtest/gtest.h>

#include "common/win/processes.h"
#include "framework/win/handles.h"
#include "tests/win/recorder_support.h"
#include "tests/win/test_support.h"

namespace merovix::test {
namespace {

DWORD OwnSession() {
  DWORD session = 0xdeadbeef;
  ProcessIdToSessionId(GetCurrentProcessId(), &session);
  return session;
}

// The elevation of a running process's token: 1 or 0, -1 when unreadable.
int ElevationOf(const std::string& pid) {
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, std::stoul(pid)));
  UniqueHandle token;
  TOKEN_ELEVATION elevation{};
  DWORD length = 0;
  if (!process || !OpenProcessToken(process.get(), TOKEN_QUERY, token.put()) ||
      !GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &length)) {
    return -1;
  }
  return elevation.TokenIsElevated != 0 ? 1 : 0;
}

// A recorder standing for the desktop program: it waits until released, so
// that its token can be read.
struct WaitingProgram {
  TempFolder temp;
  NamedEvent release;
  std::string folder = MakeSubfolder(temp, "Program Files\\Merovix");
  std::string exe = InstallRecorder(folder, "MerovixStarted", "wait=" + release.Name() + "\n");

  std::optional<recorder::Record> Started() {
    if (!WaitUntil([&] { return !RecordsOf(exe).empty(); })) return std::nullopt;
    return RecordsOf(exe)[0];
  }
  ~WaitingProgram() {
    release.Set();
    for (const auto& record : RecordsOf(exe)) ProcessEnds(10000, record.at("pid"));
  }
};

// The quoting, folder and show mode of RunDetached, and the elevation of the
// token the program got.
void ExpectStarted(WaitingProgram& program, bool elevated) {
  const auto record = program.Started();
  ASSERT_TRUE(record);
  EXPECT_EQ(record->at("cmdline"), "\"" + program.exe + "\"");
  EXPECT_EQ(record->at("folder"), program.folder);
  EXPECT_EQ(record->at("show"), "6");
  EXPECT_EQ(ElevationOf(record->at("pid")), elevated ? 1 : 0);
  EXPECT_EQ(SessionsOfProgram("MerovixStarted.exe"), std::vector<std::uint32_t>{OwnSession()});
}

// Wine's desktop has no shell window; usershell.exe stands in for Explorer
// beside the elevated updater: the unelevated half of the test's own token.
TEST(DesktopStartOnWindows, TheShellsUnelevatedTokenStartsTheProgram) {
  WindowsDesktopStart start;
  const TokenFacts updater = start.UpdaterToken();
  EXPECT_FALSE(updater.account.empty());
  EXPECT_EQ(updater.session, OwnSession());
  if (RunningOnWine()) {
    TokenFacts none;
    std::string reason;
    EXPECT_FALSE(start.TakeShellToken(none, reason));
    EXPECT_EQ(reason, "keine Shell auf dem Desktop (GetShellWindow)");
  }
  if (!updater.elevated) GTEST_SKIP() << "the test runs unelevated: there is no linked token to be the shell's";

  TempFolder shell_folder;
  const std::string shell_exe = shell_folder.Path() + "\\usershell.exe";
  ASSERT_TRUE(CopyFileA((TestBinFolder() + "\\usershell.exe").c_str(), shell_exe.c_str(), FALSE));
  std::string command_line = "\"" + shell_exe + "\" shell";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  UniqueProcessInformation shell;
  ASSERT_TRUE(CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                             shell.put()));
  // Its copy runs until the starter ends.
  struct EndShell {
    HANDLE process;
    ~EndShell() { TerminateProcess(process, 0); }
  } end_shell{shell.process()};
  ASSERT_TRUE(WaitUntil([] { return GetShellWindow() != nullptr; }));

  TokenFacts facts;
  std::string reason;
  ASSERT_TRUE(start.TakeShellToken(facts, reason)) << reason;
  EXPECT_FALSE(facts.elevated);
  EXPECT_EQ(facts.session, OwnSession());
  EXPECT_EQ(facts.account, updater.account);

  WaitingProgram program;
  ASSERT_TRUE(start.StartWithTakenToken(program.exe, SW_MINIMIZE, reason)) << reason;
  // Known Wine difference: its CreateProcessWithTokenW starts the program
  // with the caller's token, whatever token it is handed.
  ExpectStarted(program, RunningOnWine());
}

// WTSQueryUserToken hands out a session's token only to the system account
// on Windows; Wine hands any caller its own token.
TEST(DesktopStartOnWindows, TheConsoleUsersTokenStartsTheProgramOnTheInteractiveDesktop) {
  WindowsDesktopStart start;
  const auto console = start.ConsoleSession();
  ASSERT_TRUE(console);
  EXPECT_EQ(*console, OwnSession());
  TokenFacts facts;
  std::string reason;
  if (!start.TakeSessionUserToken(*console, facts, reason)) {
    ASSERT_FALSE(RunningOnWine()) << reason;
    GTEST_SKIP() << "not the system account: " << reason;
  }
  EXPECT_EQ(facts.session, *console);
  EXPECT_EQ(facts.account, start.UpdaterToken().account);
  // Under Wine the session's token is the caller's own, elevated one.
  EXPECT_TRUE(facts.elevated || !RunningOnWine());
  WaitingProgram program;
  ASSERT_TRUE(start.StartWithTakenToken(program.exe, SW_MINIMIZE, reason)) << reason;
  ExpectStarted(program, facts.elevated);
}

}  // namespace
}  // namespace merovix::test
