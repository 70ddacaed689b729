#pragma once
// The update run as a sequence over the operations it needs, so that its
// order, arguments and branches can be tested without Windows.
#include <cstdint>
#include <optional>
#include <string>

#include "app/run_outcome.h"
#include "app/run_record.h"
#include "common/download_sequence.h"
#include "common/version_rules.h"

namespace merovix {

// Texts of the run shown to the user (UTF-8).
inline constexpr const char* kAskForUpdate = "Möchten Sie das Update von Merovix laden und installieren?";
inline constexpr const char* kUpdateCancelled = "Das Update wurde abgebrochen!";
inline constexpr const char* kDownloadFailed = "Beim Laden der Datei ist ein Fehler aufgetreten!";
inline constexpr const char* kNotSignedByMaker =
    "Das Update ist nicht vom Hersteller signiert und wurde nicht installiert!";
// The message for an installer older than the installed product (UTF-8).
std::string OlderInstallerMessage(const ProductVersion& offered, const ProductVersion& installed);
inline constexpr const char* kUpdateDone = "Das Update wurde durchgeführt";

// The installer's switches. Unattended, nobody can answer a message box or
// a question to restart the PC; the installer says so by its exit code.
inline constexpr const char* kInstallerSwitches = "/silent";
inline constexpr const char* kUnattendedInstallerSwitches =
    "/SP- /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /RESTARTEXITCODE=3010";
// The installer's exit code for "installed, the PC must be restarted to finish".
inline constexpr std::uint32_t kInstallerRebootExitCode = 3010;

// Show modes handed to started programs.
inline constexpr std::uint16_t kSwHide = 0, kSwShowNormal = 1, kSwShowMinimized = 2, kSwMinimize = 6;

// How long the run gives the desktop program to end after the signal file
// asked it to: it may be saving a day's work. Past that the update goes on.
inline constexpr std::uint32_t kDesktopProgramEndWaitMs = 60 * 1000;

// What the run restarted after the installer, and whether that worked: both
// services running, or the desktop program started (or running again, when
// the installer started it). DesktopNeverEnded: the desktop program did not
// end when asked and still runs; it is not started a second time.
// `skipped`: the desktop program was not started because the run has the
// system account.
enum class RestartKind : std::uint8_t { None, Service, Desktop, DesktopNeverEnded };
struct RestartOutcome {
  RestartKind kind = RestartKind::None;
  bool succeeded = true;
  bool skipped = false;
};

// The operations also write the run's record (RecordSink).
class UpdateOperations : public RecordSink {
 public:
  virtual ~UpdateOperations() = default;

  // Settings of the product (default file and section).
  virtual bool ReadIniBool(const std::string& key, bool fallback) = 0;
  virtual bool WriteIniBool(const std::string& key, bool value) = 0;
  virtual std::string ReadIniString(const std::string& key, const std::string& fallback) = 0;

  // The user.
  virtual bool Confirm(const std::string& text) = 0;           // Yes (default) / Cancel; true for Yes
  virtual void ShowPlainMessage(const std::string& text) = 0;  // captioned with the application title
  virtual void ShowUpdateMessage(const std::string& text) = 0;
  virtual void Beep() = 0;  // the "asterisk" system sound

  // Directive list and download.
  // Fetches and loads the directive list; how its fetch went.
  virtual DownloadResult LoadDirectiveList() = 0;
  virtual std::string ReadDirectiveValue(const std::string& key, const std::string& fallback,
                                         const std::string& section) = 0;
  // Downloads the installer into the private work folder under its fixed
  // name (a URL naming another file is refused), without starting it. The
  // file cannot be changed, renamed or deleted until the run ends. When the
  // build names the installer's signer, a file without that signer's valid
  // signature is deleted (outcome Refused).
  virtual DownloadResult DownloadInstaller(const std::string& url, std::uint16_t show) = 0;

  // Versions; nothing when unknown (missing, not numeric, 0.0.0.0).
  // The installed product's, from its uninstall entry.
  virtual std::optional<ProductVersion> InstalledVersion() = 0;
  // The file version of `path`'s version resource.
  virtual std::optional<ProductVersion> FileVersion(const std::string& path) = 0;

  // Files.
  virtual bool FileExists(const std::string& path) = 0;
  virtual void RemoveFile(const std::string& path) = 0;
  virtual void CreateSignalFile(const std::string& path) = 0;  // empty, overwriting; may raise
  virtual void SleepOneMillisecond() = 0;

  // Processes and services.
  virtual std::uint32_t CountProcesses(const std::string& name) = 0;
  virtual void KillProcessesByName(const std::string& name) = 0;
  // Ends the process the id text names when it runs that executable; true
  // when it did (or the process had just ended), false otherwise.
  virtual bool KillProgramByIdText(const std::string& id_text, const std::string& exe_name) = 0;
  // True when no process of that executable name is left, waiting for the
  // running ones to end at most `limit_ms`.
  virtual bool WaitForProgramToEnd(const std::string& name, std::uint32_t limit_ms) = 0;
  virtual bool ServiceExists(const std::string& machine, const std::string& service) = 0;
  // Waits (bounded) while the service is stop pending; the state it is left in.
  virtual std::uint32_t WaitWhileServiceStops(const std::string& machine, const std::string& service) = 0;
  // Starts the service once it has stopped and waits for the start; the state
  // the service is in afterwards (also when something else started it).
  virtual std::uint32_t StartServiceAndWait(const std::string& machine, const std::string& service) = 0;

  // Launching.
  virtual void ShellExecuteAndWait(const std::string& file, const std::string& parameters, bool wait,
                                   std::uint16_t show) = 0;
  // The exit code, or nothing when the program could not be started;
  // `folder` is its current folder.
  virtual std::optional<std::uint32_t> RunAndWait(const std::string& exe, const std::string& parameters,
                                                  const std::string& folder, std::uint16_t show) = 0;
  // Starts a program without waiting for it; true when it was started.
  virtual bool RunDetached(const std::string& exe, const std::string& parameters, std::uint16_t show) = 0;
  virtual void RunCommand(const std::string& command) = 0;
};

struct UpdateRunSettings {
  std::string install_dir;       // as the registry holds it
  std::string update_file_name;  // "Merovix_Update_.exe"
  std::string default_url;       // the installer on the maker's download host
  // Full paths of the system programs the run starts; empty when the System
  // folder is unknown, and then nothing is started instead.
  std::string sc;
  std::string taskkill;
  // Nobody at the PC: consent is given by the command line, and the
  // transfer tool and "sc" run hidden.
  bool unattended = false;
  // The run has the local system account: a desktop program started from it
  // would run in the system's session, for nobody (or with the system's
  // rights on a user's desktop), so it is not restarted.
  bool local_system = false;
};

// One update run on a PC where the product is installed; how it ended. An
// error raised by an operation after the product has begun to be stopped
// restarts what the run had stopped, then passes on to the caller.
RunOutcome RunUpdate(UpdateOperations& ops, const UpdateRunSettings& settings);

// The final message after the installer: its outcome, and what was restarted
// or could not be.
std::string FinalMessage(std::optional<std::uint32_t> installer_exit_code, RestartOutcome restart);

}  // namespace merovix
