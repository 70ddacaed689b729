#include "common/desktop_start.h"

#include <gtest/gtest.h>

namespace merovix {
namespace {

const std::string kExe = "C:\\Program Files\\Merovix\\Merovix.exe";

// A PC with an elevated administrator in session 1 and Anna's unelevated
// Explorer beside it; each case changes one thing.
struct FakePc : DesktopStartOperations {
  TokenFacts updater{"PC\\admin", 1, true};
  std::optional<TokenFacts> shell = TokenFacts{"PC\\anna", 1, false};
  std::optional<std::uint32_t> console = 1;
  std::optional<TokenFacts> console_user = TokenFacts{"PC\\anna", 1, false};
  bool token_start_works = true;
  std::string taken;    // whose token was taken last
  std::string started;  // "token PC\anna" or "updater"

  TokenFacts UpdaterToken() override { return updater; }
  bool TakeShellToken(TokenFacts& facts, std::string& reason) override {
    if (!shell) {
      reason = "kein Shell-Fenster";
      return false;
    }
    facts = *shell;
    taken = shell->account;
    return true;
  }
  std::optional<std::uint32_t> ConsoleSession() override { return console; }
  bool TakeSessionUserToken(std::uint32_t session, TokenFacts& facts, std::string& reason) override {
    if (!console_user || session != console) {
      reason = "niemand angemeldet";
      return false;
    }
    facts = *console_user;
    taken = console_user->account;
    return true;
  }
  bool StartWithTakenToken(const std::string& exe, std::uint16_t show, std::string& reason) override {
    EXPECT_EQ(exe, kExe);
    EXPECT_EQ(show, 6);
    if (!token_start_works) {
      reason = "Fehler 1058";
      return false;
    }
    started = "token " + taken;
    return true;
  }
  bool StartAsUpdater(const std::string& exe, std::uint16_t show) override {
    EXPECT_EQ(exe, kExe);
    EXPECT_EQ(show, 6);
    started = "updater";
    return true;
  }
};

struct Case {
  const char* name;
  void (*arrange)(FakePc&, DesktopStartRequest&);
  DesktopStartWay way;
  std::string started;  // what FakePc saw started; empty: nothing
  std::string reason;
};

const std::string kSystem = "Das Update läuft unter dem lokalen Systemkonto";

TEST(DesktopStart, EachRunStartsTheProgramAsTheUserItCanFindOrNotAtAll) {
  using enum DesktopStartWay;
  for (const Case& c : {
           Case{"elevated at the PC", [](FakePc&, DesktopStartRequest&) {}, ShellUser, "token PC\\anna", ""},
           Case{"not elevated", [](FakePc&pc, DesktopStartRequest&) { pc.updater.elevated = false; }, Updater,
                "updater", "das Update läuft nicht erhöht"},
           Case{"no shell", [](FakePc&pc, DesktopStartRequest&) { pc.shell.reset(); }, Updater, "updater",
                "kein Shell-Fenster"},
           Case{"shell of another session", [](FakePc&pc, DesktopStartRequest&) { pc.shell->session = 2; }, Updater,
                "updater", "die Shell läuft in Sitzung 2, das Update in Sitzung 1"},
           Case{"shell elevated", [](FakePc&pc, DesktopStartRequest&) { pc.shell->elevated = true; }, Updater,
                "updater", "die Shell läuft selbst erhöht"},
           Case{"start with the shell's token fails",
                [](FakePc&pc, DesktopStartRequest&) { pc.token_start_works = false; }, Updater, "updater",
                "der Start mit dem Token der Shell schlug fehl: Fehler 1058"},
           Case{"system, user at the console where it ran",
                [](FakePc&pc, DesktopStartRequest&r) {
                  pc.updater = {"NT-AUTORITÄT\\SYSTEM", 0, true};
                  r.local_system = true;
                  r.stopped_in_sessions = {3, 1};
                },
                SessionUser, "token PC\\anna", ""},
           Case{"system, nobody logged on",
                [](FakePc&pc, DesktopStartRequest&r) {
                  r.local_system = true;
                  r.stopped_in_sessions = {1};
                  pc.console_user.reset();
                },
                NotStarted, "", kSystem + ", an der Konsole (Sitzung 1): niemand angemeldet"},
           Case{"system, no console session",
                [](FakePc&pc, DesktopStartRequest&r) {
                  r.local_system = true;
                  r.stopped_in_sessions = {1};
                  pc.console.reset();
                },
                NotStarted, "", kSystem + ", und mit der Konsole ist keine Sitzung verbunden"},
           Case{"system, it ran in other sessions",
                [](FakePc&pc, DesktopStartRequest&r) {
                  r.local_system = true;
                  r.stopped_in_sessions = {2, 3};
                  pc.console = 1;
                },
                NotStarted, "", kSystem + ": Merovix lief in Sitzungen 2, 3, an der Konsole ist Sitzung 1"},
           Case{"system, its session unknown", [](FakePc&, DesktopStartRequest&r) { r.local_system = true; },
                NotStarted, "", kSystem + ", und in welcher Sitzung Merovix lief, war nicht zu lesen"},
           Case{"system, the start fails",
                [](FakePc&pc, DesktopStartRequest&r) {
                  r.local_system = true;
                  r.stopped_in_sessions = {1};
                  pc.token_start_works = false;
                },
                SessionUser, "", "Fehler 1058"},
       }) {
    FakePc pc;
    DesktopStartRequest request{kExe, 6, false, {}};
    c.arrange(pc, request);
    const DesktopStartResult result = StartDesktopProgram(pc, request);
    EXPECT_EQ(result.way, c.way) << c.name;
    EXPECT_EQ(pc.started, c.started) << c.name;
    EXPECT_EQ(result.started, !c.started.empty()) << c.name;
    EXPECT_EQ(result.reason, c.reason) << c.name;
    // The log names whose token the program got, and where.
    if (c.way == Updater) {
      EXPECT_EQ(result.as.account, "PC\\admin") << c.name;
    } else if (result.started) {
      EXPECT_EQ(result.as.account, "PC\\anna") << c.name;
      EXPECT_EQ(result.as.session, 1u) << c.name;
    }
  }
}

}  // namespace
}  // namespace merovix
