#pragma once
// The text of the run's entry in the Application event log (UTF-8): what an
// administrator's tools need without opening the run's log.
#include <optional>
#include <string>

#include "app/run_outcome.h"
#include "common/version_rules.h"

namespace merovix {

// What the update run found out about the product's versions.
struct RunVersions {
  std::optional<ProductVersion> installed_before;  // when the run began
  std::optional<ProductVersion> offered;           // the fetched installer's file version
  std::optional<ProductVersion> installed_after;   // once the installer ended
};

struct RunEventFacts {
  std::string program_version;
  RunOutcome outcome = RunOutcome::UnexpectedError;
  std::optional<int> exit_code;  // an unattended run's
  std::string last_message;      // the run's last message or error as logged (UTF-8)
  RunVersions versions;
  std::string log_file;  // UTF-8
};

// "Update_Merovix <version>: <summary>", then one line each for the message,
// the exit code, the versions known and the log file.
std::string RunEventText(const RunEventFacts& facts);

}  // namespace merovix
