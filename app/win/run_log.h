#pragma once
// The run's log file "Update_Merovix.log", and the one place through which
// every text for the user passes: each is written to the log as it is shown.
// In an unattended application (TApplication::Unattended) nothing is shown
// and nothing sounds: the log is all there is.
#include <exception>
#include <optional>
#include <string>

#include "app/run_event.h"

namespace merovix {

class RunLog {
 public:
  // Writes nothing until Begin names the folder.
  RunLog() = default;

  // Starts a record in `folder`'s log (ANSI path): the start line with the
  // program's version, this computer and user.
  void Begin(const std::string& folder);
  // Appends one line (UTF-8) with the time; a log that cannot be written is
  // skipped without a word.
  void Write(const std::string& line);
  // Writes a line that tells how the run ended, for the event log's entry.
  void WriteOutcome(const std::string& line);

  // The messages of a run (UTF-8 texts).
  bool Confirm(const std::string& text);  // Yes (default) / Cancel; true for Yes
  bool Warn(const std::string& text);     // OK (default) / Cancel; true for OK
  void ShowPlain(const std::string& text);
  // The system message box captioned "Merovix Update".
  void ShowUpdate(const std::string& text);
  void ShowError(const std::exception& error);
  // The "asterisk" system sound that goes before a bad outcome.
  void Beep();

  // The run's entry in the event log: the outcome, the exit code of an
  // unattended run, the versions, the last message shown (or error) and
  // this log's path.
  void ReportRunEnd(RunOutcome outcome, std::optional<int> exit_code, const RunVersions& versions);

 private:
  std::string path_;
  std::string last_message_;  // UTF-8
};

// The folder of the run's log: the installation folder (ANSI path) when it
// exists, otherwise the user's temporary folder.
std::string RunLogFolder(const std::string& install_dir);

}  // namespace merovix
