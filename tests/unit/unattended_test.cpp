#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/invocation.h"
#include "app/run_outcome.h"

namespace merovix {
namespace {

TEST(Invocation, OnlyTheSwitchIsTakenAndEveryOtherArgumentIsNamed) {
  using Args = std::vector<std::string>;
  struct Case {
    Args arguments;
    bool unattended;
    Args unknown;
  };
  for (const Case& c : {
           Case{{}, false, {}},
           Case{{"/unattended"}, true, {}},
           Case{{"-UNATTENDED"}, true, {}},
           Case{{"/UnAttended", "-unattended"}, true, {}},
           Case{{"/silent"}, false, {"/silent"}},
           Case{{"/unattended", "x"}, true, {"x"}},
           Case{{"x", "/unattended", "y"}, true, {"x", "y"}},
           Case{{""}, false, {""}},
           Case{{"--unattended"}, false, {"--unattended"}},
           Case{{"/unattended "}, false, {"/unattended "}},
       }) {
    const Invocation invocation = ParseArguments(c.arguments);
    const std::string what = c.arguments.empty() ? "(none)" : c.arguments[0];
    EXPECT_EQ(invocation.unattended, c.unattended) << what;
    EXPECT_EQ(invocation.unknown_arguments, c.unknown) << what;
  }
}

TEST(UnattendedExitCode, EveryOutcomeHasItsOwnCodeClearOfThoseToolsReadOnTheirOwn) {
  using enum RunOutcome;
  EXPECT_EQ(UnattendedExitCode(Updated), 0);
  std::set<int> codes;
  // 3010 is given on purpose: installed, the PC must be restarted.
  EXPECT_EQ(UnattendedExitCode(RebootRequired), 3010);
  EXPECT_EQ(UnattendedExitCode(UpToDate), 0);
  for (const RunOutcome outcome : {Updated, NotInstalled, DownloadFailed, InstallerRefused, InstallerFailed,
                                   RestartFailed, RestartSkipped, UnexpectedError, ArgumentRefused}) {
    const int code = UnattendedExitCode(outcome);
    EXPECT_TRUE(codes.insert(code).second) << "code " << code << " twice";
    // Reboot wanted, try again later, generic failures, an aborted program,
    // a process still running (STILL_ACTIVE).
    for (const int reserved : {1, 2, 3, 259, 1618, 1641, 3010}) EXPECT_NE(code, reserved);
  }
  // "Another installation is in progress, retry later" to Intune and
  // Configuration Manager.
  EXPECT_EQ(UnattendedExitCode(AlreadyRunning), 1618);
  // A cancel needs a user's answer: in an unattended run it would be a fault.
  EXPECT_EQ(UnattendedExitCode(Cancelled), UnattendedExitCode(UnexpectedError));
}

}  // namespace
}  // namespace merovix
