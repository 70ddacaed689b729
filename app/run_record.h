#pragma once
// The run's record for its log file: what the run did, one German line (UTF-8)
// per step, so that support staff can tell afterwards what happened on a PC.
#include <cstdint>
#include <optional>
#include <string>

#include "common/download_sequence.h"

namespace merovix {

class RecordSink {
 public:
  virtual ~RecordSink() = default;
  // Adds one line to the run's log (UTF-8, without time stamp or line end).
  virtual void RecordLine(const std::string& line) = 0;
  // A piece of the system's data (path, URL, name, command line: ANSI code
  // page) as UTF-8.
  virtual std::string Utf8FromAnsi(const std::string& data) = 0;
};

// Lines written around a run rather than by it (UTF-8 pieces).
std::string StartRecordLine(const std::string& version, const std::string& computer, const std::string& user);
std::string UpdateBranchRecordLine(const std::string& install_dir);
// Without an installation an unattended run downloads nothing.
std::string FallbackBranchRecordLine(const std::string& install_dir, bool unattended);
std::string QuestionRecordLine(const std::string& question, const std::string& answer);
std::string MessageRecordLine(const std::string& text);
std::string ErrorRecordLine(const std::string& text);
std::string KeyNotDeletedRecordLine(const std::string& key, const std::string& file);
inline constexpr const char* kUnattendedRecordLine =
    "Unbeaufsichtigter Lauf (/unattended): Zustimmung vorausgesetzt, keine Dialoge, keine Meldungsfenster";
std::string ArgumentRefusedRecordLine(const std::string& argument);
// The last line of a record; an unattended run names its exit code.
std::string EndRecordLine(std::optional<int> exit_code);

// The steps of the update run and the fallback download, written to a sink.
// Data pieces are taken in the ANSI code page.
class RunRecord {
 public:
  explicit RunRecord(RecordSink& sink) : sink_(sink) {}

  // `what` names the file in the genitive: "der Direktivenliste".
  void Transfer(const char* what, const DownloadResult& result);
  // A build that names no signer runs any installer it fetched.
  void InstallerNotChecked();
  void InstalledVersionCurrent(const std::string& version);
  void OlderInstallerRemoved(const std::string& installer, const std::string& offered, const std::string& installed);
  void FolderChosen(const std::string& folder);
  void ProgramStopped(const std::string& name, int attempts, bool still_running);
  void ProcessEndedById(const std::string& name, const std::string& id);
  void ProcessEndedByCommand(const std::string& name, const std::string& command);
  void ServiceNameRefused(const std::string& name);
  void ServiceStopped(const std::string& service, const std::string& command, std::uint32_t state_after);
  void SignalFileCreated(const std::string& path);
  void SignalFileTaken(bool taken, int polls);
  void DesktopProgramEnded(const std::string& name, bool ended, std::uint32_t waited_ms);
  void InstallerStarting(const std::string& command_line);
  void InstallerEnded(std::optional<std::uint32_t> exit_code);
  void SignalFileRemoved(const std::string& path);
  void ServiceRestarted(const std::string& service, std::uint32_t state);
  void DesktopProgramRestarted(const std::string& path, bool started);
  void DesktopProgramStillRunning(const std::string& path);
  void DesktopRestartSkipped(const std::string& path);

 private:
  void Line(const std::string& line) { sink_.RecordLine(line); }
  std::string Data(const std::string& data) { return sink_.Utf8FromAnsi(data); }

  RecordSink& sink_;
};

}  // namespace merovix
