#include "common/desktop_start.h"

#include <gtest/gtest.h>

namespace merovix {
namespace {

const std::string kExe = "C:\\Program Files\\Merovix\\Merovix.exe";

// A PC with an elevated administrator in session 1 and Anna's unelevated
// Explorer beside it; each case changes what it names.
struct Case {
  const char* name;
  bool system = false;  // the updater has the system account
  std::vector<std::uint32_t> ran_in = {1};
  bool updater_elevated = true;
  std::optional<TokenFacts> shell = TokenFacts{"PC\\anna", 1, false};
  std::optional<std::uint32_t> console = 1;
  bool anna_at_console = true;
  bool token_start_works = true;
  DesktopStartWay way = DesktopStartWay::NotStarted;
  const char* started = "";  // whose token FakePc started the program with; "": none
  std::string reason = "";
};

struct FakePc : DesktopStartOperations {
  explicit FakePc(const Case& c) : c_(c) {}
  const Case& c_;
  std::string taken, started;

  TokenFacts UpdaterToken() override { return {"PC\\admin", 1, c_.updater_elevated}; }
  bool TakeShellToken(TokenFacts& facts, std::string& reason) override {
    reason = "kein Shell-Fenster";
    if (!c_.shell) return false;
    facts = *c_.shell;
    taken = facts.account;
    return true;
  }
  std::optional<std::uint32_t> ConsoleSession() override { return c_.console; }
  bool TakeSessionUserToken(std::uint32_t session, TokenFacts& facts, std::string& reason) override {
    reason = "niemand angemeldet";
    if (!c_.anna_at_console || session != 1) return false;
    facts = {"PC\\anna", 1, false};
    taken = facts.account;
    return true;
  }
  bool StartWithTakenToken(const std::string& exe, std::uint16_t show, std::string& reason) override {
    EXPECT_EQ(exe + std::to_string(show), kExe + "6");
    reason = "Fehler 1058";
    if (c_.token_start_works) started = taken;
    return c_.token_start_works;
  }
  bool StartAsUpdater(const std::string& exe, std::uint16_t show) override {
    EXPECT_EQ(exe + std::to_string(show), kExe + "6");
    started = "updater";
    return true;
  }
};

const std::string kSystem = "Das Update läuft unter dem lokalen Systemkonto";

TEST(DesktopStart, EachRunStartsTheProgramAsTheUserItCanFindOrNotAtAll) {
  using enum DesktopStartWay;
  // Started with the updater's own token, for the reason given.
  const auto updater = [](Case c, std::string reason) {
    c.way = Updater;
    c.started = "updater";
    c.reason = std::move(reason);
    return c;
  };
  const Case cases[] = {
      {.name = "elevated at the PC", .way = ShellUser, .started = "PC\\anna"},
      updater({.name = "not elevated", .updater_elevated = false}, "das Update läuft nicht erhöht"),
      updater({.name = "no shell", .shell = std::nullopt}, "kein Shell-Fenster"),
      updater({.name = "shell of another session", .shell = TokenFacts{"PC\\anna", 2, false}},
              "die Shell läuft in Sitzung 2, das Update in Sitzung 1"),
      updater({.name = "shell elevated", .shell = TokenFacts{"PC\\anna", 1, true}}, "die Shell läuft selbst erhöht"),
      updater({.name = "start with the shell's token fails", .token_start_works = false},
              "der Start mit dem Token der Shell schlug fehl: Fehler 1058"),
      {.name = "system, user at the console where it ran",
       .system = true,
       .ran_in = {1, 3},
       .way = SessionUser,
       .started = "PC\\anna"},
      {.name = "system, nobody logged on",
       .system = true,
       .anna_at_console = false,
       .reason = kSystem + ", an der Konsole (Sitzung 1): niemand angemeldet"},
      {.name = "system, no console session",
       .system = true,
       .console = std::nullopt,
       .reason = kSystem + ", und mit der Konsole ist keine Sitzung verbunden"},
      {.name = "system, it ran in other sessions",
       .system = true,
       .ran_in = {2, 3},
       .reason = kSystem + ": Merovix lief in Sitzungen 2, 3, an der Konsole ist Sitzung 1"},
      {.name = "system, its session unknown",
       .system = true,
       .ran_in = {},
       .reason = kSystem + ", und in welcher Sitzung Merovix lief, war nicht zu lesen"},
      {.name = "system, the start fails",
       .system = true,
       .token_start_works = false,
       .way = SessionUser,
       .reason = "Fehler 1058"},
  };
  for (const Case& c : cases) {
    FakePc pc(c);
    const DesktopStartResult result = StartDesktopProgram(pc, {kExe, 6, c.system, c.ran_in});
    EXPECT_EQ(result.way, c.way) << c.name;
    EXPECT_EQ(pc.started, c.started) << c.name;
    EXPECT_EQ(result.started, !pc.started.empty()) << c.name;
    EXPECT_EQ(result.reason, c.reason) << c.name;
    // The log names whose token the program got, and where.
    if (result.started) {
      EXPECT_EQ(result.as.account, c.way == Updater ? "PC\\admin" : "PC\\anna") << c.name;
      EXPECT_EQ(result.as.session, 1u) << c.name;
    }
  }
}

}  // namespace
}  // namespace merovix
