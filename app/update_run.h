#pragma once
// The update run as a sequence over the operations it needs, so that its
// order, arguments and branches can be tested without Windows.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/run_event.h"
#include "app/run_outcome.h"
#include "app/run_record.h"
#include "common/desktop_start.h"
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
inline constexpr const char* kAlreadyRunning = "Ein Update von Merovix läuft bereits.";

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
// system account and did not find its user at the console (or a copy it did
// not start runs already).
enum class RestartKind : std::uint8_t { None, Service, Desktop, DesktopNeverEnded };
struct RestartOutcome {
  RestartKind kind = RestartKind::None;
  bool succeeded = true;
  bool skipped = false;
};

// What the stop phase stopped, handed to the restart: the services by the
// names their stops used (in the order stopped), the desktop program asked
// to stop through the signal file, and the signal file the run created.
struct StopRecord {
  std::vector<std::string> services;
  std::string desktop_program;  // its path; empty: not asked to stop
  bool desktop_ended = false;   // it ended within its wait
  // The sessions the desktop program ran in, for a restart there; empty
  // while unknown.
  std::vector<std::uint32_t> desktop_sessions;
  std::string signal_file;  // empty: none created
};

// The longest the installer may run, with every process it starts; past it
// they are all ended and the installation counts as failed.
inline constexpr std::uint32_t kInstallerTimeLimitMs = 30 * 60 * 1000;
// That limit, or a lower one a build names (MEROVIX_INSTALLER_TIME_LIMIT_SECONDS).
std::uint32_t InstallerTimeLimitMs();

// How the installer ended: its exit code; none when it could not be started
// or was ended at the time limit (`timed_out`).
struct InstallerEnd {
  std::optional<std::uint32_t> exit_code;
  bool timed_out = false;
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
  // Runs the installer with every process it starts, for at most
  // InstallerTimeLimitMs(); `folder` is its current folder.
  virtual InstallerEnd RunAndWait(const std::string& exe, const std::string& parameters, const std::string& folder,
                                  std::uint16_t show) = 0;
  // The sessions of the running processes of that executable name.
  virtual std::vector<std::uint32_t> ProgramSessions(const std::string& name) = 0;
  // Starts the desktop program again without waiting for it, as whom and
  // where `request` calls for (StartDesktopProgram).
  virtual DesktopStartResult StartDesktopProgram(const DesktopStartRequest& request) = 0;
  virtual void RunCommand(const std::string& command) = 0;

  // The journal of what a run has stopped (app/journal.h), kept where only
  // administrators can write. Nothing when there is none; writing and
  // removing tell whether they worked (removing an absent one does).
  virtual std::optional<std::string> ReadJournal() = 0;
  virtual bool WriteJournal(const std::string& text) = 0;
  virtual bool RemoveJournal() = 0;
};

struct UpdateRunSettings {
  std::string install_dir;  // as the registry holds it
  std::string default_url;  // the installer on the maker's download host
  // Full paths of the system programs the run starts; empty when the System
  // folder is unknown, and then nothing is started instead.
  std::string sc;
  std::string taskkill;
  // Nobody at the PC: consent is given by the command line, and the
  // transfer tool and "sc" run hidden.
  bool unattended = false;
  // The run has the local system account: a desktop program started from it
  // would run in the system's session, for nobody (or with the system's
  // rights on a user's desktop), so it is restarted only as the user at the
  // console, in the session where it ran.
  bool local_system = false;
};

// One update run on a PC where the product is installed; how it ended. An
// error raised by an operation after the product has begun to be stopped
// restarts what the run had stopped, then passes on to the caller. The
// journal names what the run has stopped until it runs again, beside
// `still_stopped`: the journal's text that an earlier run left and its
// restart did not bring back. `versions` receives what the run read of the
// product's versions.
RunOutcome RunUpdate(UpdateOperations& ops, const UpdateRunSettings& settings, RunVersions& versions,
                     const std::string& still_stopped = {});

// When a journal is left by a run that did not finish: starts again what it
// names, logs it and keeps in the journal what did not come back (whose text
// it returns, empty when all runs again).
std::string RestartAfterUnfinishedRun(UpdateOperations& ops, const UpdateRunSettings& settings);

// The configured service name reaches sc.exe, which runs with administrator
// rights: a name of the product's own services only.
bool IsProductServiceName(std::string_view name);

// The final message after the installer: its outcome (`timed_out`: ended at
// its time limit), and what was restarted or could not be.
std::string FinalMessage(std::optional<std::uint32_t> installer_exit_code, RestartOutcome restart,
                         bool timed_out = false);

}  // namespace merovix
