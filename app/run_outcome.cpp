#include "app/run_outcome.h"

namespace merovix {

int UnattendedExitCode(RunOutcome outcome) {
  for (const ExitCodeEntry& entry : kUnattendedExitCodes) {
    if (entry.outcome == outcome) return entry.code;
  }
  return UnattendedExitCode(RunOutcome::UnexpectedError);
}

const RunEventEntry& RunEvent(RunOutcome outcome) {
  for (const RunEventEntry& entry : kRunEvents) {
    if (entry.outcome == outcome) return entry;
  }
  return RunEvent(RunOutcome::UnexpectedError);
}

}  // namespace merovix
