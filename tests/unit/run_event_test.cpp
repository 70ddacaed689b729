#include "app/run_event.h"

#include <gtest/gtest.h>

#include <set>

namespace merovix {
namespace {

// Every outcome an unattended run can end with has its own event id, and
// only success-like endings are information entries.
TEST(RunEvent, EveryExitCodeHasItsOwnEventId) {
  std::set<int> ids;
  for (const ExitCodeEntry& exit : kUnattendedExitCodes) {
    const RunEventEntry& event = RunEvent(exit.outcome);
    EXPECT_EQ(event.outcome, exit.outcome) << exit.code << " has no event";
    EXPECT_TRUE(ids.insert(event.event_id).second) << event.event_id;
  }
  EXPECT_FALSE(RunEvent(RunOutcome::Updated).error);
  EXPECT_TRUE(RunEvent(RunOutcome::DownloadFailed).error);
  EXPECT_TRUE(RunEvent(RunOutcome::RestartFailed).error);
}

TEST(RunEvent, TheTextNamesWhatIsKnown) {
  RunEventFacts facts{"28.0.0.57", RunOutcome::InstallerFailed, 23, "Die Installation ist fehlgeschlagen!", {}, ""};
  facts.versions.installed_before = ParseVersion("5.2");
  facts.versions.offered = ParseVersion("5.3.0.1");
  facts.log_file = "C:\\Program Files\\Merovix\\Update_Merovix.log";
  EXPECT_EQ(RunEventText(facts),
            "Update_Merovix 28.0.0.57: Installation fehlgeschlagen\n"
            "Meldung: Die Installation ist fehlgeschlagen!\n"
            "Exit-Code: 23\n"
            "Installierte Version vor dem Lauf: 5.2\n"
            "Angebotene Version: 5.3.0.1\n"
            "Protokoll: C:\\Program Files\\Merovix\\Update_Merovix.log");
  EXPECT_EQ(RunEventText({"1.0", RunOutcome::Updated, std::nullopt, "", {}, ""}),
            "Update_Merovix 1.0: Update installiert");
}

}  // namespace
}  // namespace merovix
