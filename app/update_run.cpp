#include "app/update_run.h"

#include <algorithm>

#include "common/command_lines.h"
#include "common/service_wait.h"
#include "framework/strings.h"

namespace merovix {
namespace {

constexpr const char* kLocalhost = "localhost";
constexpr const char* kDesktopProgramName = "Merovix.exe";
constexpr int kSignalFilePolls = 500;
constexpr int kKillAttempts = 5;

// The configured service name reaches sc.exe, which runs with administrator
// rights, while ordinary users may write settings.ini: only a name of the
// product's own services is taken, so the file can neither have another
// service stopped nor split sc's arguments.
bool IsProductServiceName(std::string_view name) {
  constexpr std::string_view kPrefix = "Merovix";
  constexpr std::size_t kServiceNameMax = 256;
  if (name.size() > kServiceNameMax || !AsciiSameText(name.substr(0, kPrefix.size()), kPrefix)) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.';
  });
}

class UpdateRun {
 public:
  UpdateRun(UpdateOperations& ops, const UpdateRunSettings& settings)
      : ops_(ops),
        record_(ops),
        install_dir_(settings.install_dir),
        signal_file_(settings.install_dir + "\\StopService"),
        desktop_program_(settings.install_dir + "\\" + kDesktopProgramName),
        default_url_(settings.default_url),
        sc_(settings.sc),
        taskkill_(settings.taskkill),
        unattended_(settings.unattended),
        local_system_(settings.local_system),
        // Nobody is there to see a console window; it would only take the
        // focus from whoever works at the PC.
        tool_show_(settings.unattended ? kSwHide : kSwShowNormal),
        sc_show_(settings.unattended ? kSwHide : kSwShowMinimized) {}

  RunOutcome Run() {
    if (!Consent()) return RunOutcome::Cancelled;
    record_.Transfer("der Direktivenliste", ops_.LoadDirectiveList());
    const std::string url = ops_.ReadDirectiveValue("UpdateFilename", default_url_, "Update");
    // Only a file this download fetched or confirmed may be run: an installer
    // left by an earlier run must not pass for it when the transfer failed.
    const DownloadResult download = ops_.DownloadInstaller(url, tool_show_);
    record_.Transfer("des Installationsprogramms", download);
    if (download.Succeeded() && !download.signature) record_.InstallerNotChecked();
    if (!download.Succeeded()) {
      ops_.Beep();
      const bool refused = download.outcome == DownloadOutcome::Refused;
      ops_.ShowUpdateMessage(refused ? kNotSignedByMaker : kDownloadFailed);
      return refused ? RunOutcome::InstallerRefused : RunOutcome::DownloadFailed;
    }
    const std::string& installer = download.local_file;
    const std::optional<ProductVersion> installed_version = ops_.InstalledVersion();
    const std::optional<ProductVersion> offered_version = ops_.FileVersion(installer);
    // A nightly task must not stop the product for nothing. A person who
    // asked for the update gets it all the same: it may be a repair.
    if (unattended_ && installed_version && installed_version == offered_version) {
      record_.InstalledVersionCurrent(installed_version->Text());
      return RunOutcome::UpToDate;
    }
    if (RefusedAsOlder(installer, offered_version, installed_version)) return RunOutcome::InstallerOlder;
    try {
      StopProduct();
    } catch (...) {
      Restart();
      throw;
    }
    // From the work folder, where nobody else can put a DLL beside it, in
    // the installation folder.
    const char* switches = unattended_ ? kUnattendedInstallerSwitches : kInstallerSwitches;
    record_.InstallerStarting(RunAndWaitCommandLine(installer, switches));
    const std::optional<std::uint32_t> exit_code = ops_.RunAndWait(installer, switches, install_dir_, kSwShowNormal);
    record_.InstallerEnded(exit_code);
    const RestartOutcome restart = Restart();
    const bool reboot = exit_code == kInstallerRebootExitCode;
    const bool installed = exit_code == 0u || reboot;
    if (!installed || !restart.succeeded) ops_.Beep();
    ops_.ShowUpdateMessage(FinalMessage(exit_code, restart));
    if (!installed) return RunOutcome::InstallerFailed;
    // A product that is not running again outweighs the pending reboot: a
    // deployment tool reads 3010 as success. A desktop program left alone
    // under the system account starts with the next session anyway.
    if (!restart.succeeded && !restart.skipped) return RunOutcome::RestartFailed;
    if (reboot) return RunOutcome::RebootRequired;
    return restart.skipped ? RunOutcome::RestartSkipped : RunOutcome::Updated;
  }

 private:
  // A genuine but older installer would roll the product back to a version
  // with known faults. Unknown versions on either side let it run.
  bool RefusedAsOlder(const std::string& installer, const std::optional<ProductVersion>& offered,
                      const std::optional<ProductVersion>& installed) {
    if (!IsOlderThanInstalled(offered, installed)) return false;
    ops_.RemoveFile(installer);
    record_.OlderInstallerRemoved(installer, offered->Text(), installed->Text());
    ops_.Beep();
    ops_.ShowUpdateMessage(OlderInstallerMessage(*offered, *installed));
    return true;
  }

  bool Consent() {
    if (unattended_) return true;  // given by the command line
    if (ops_.ReadIniBool("confirm_update", true) && !ops_.Confirm(kAskForUpdate)) {
      ops_.ShowPlainMessage(kUpdateCancelled);
      return false;
    }
    return true;
  }

  void Terminate(const std::string& name, bool note_daily_list) {
    int attempts = 0;
    for (; attempts < kKillAttempts && ops_.CountProcesses(name) >= 1; ++attempts) {
      ops_.KillProcessesByName(name);
      if (note_daily_list) ops_.WriteIniBool("Tageslistebeachten", true);
    }
    if (attempts == 0) return;
    record_.ProgramStopped(name, attempts, attempts == kKillAttempts && ops_.CountProcesses(name) >= 1);
  }

  void RenewSignalFile() {
    if (ops_.FileExists(signal_file_)) ops_.RemoveFile(signal_file_);
    ops_.CreateSignalFile(signal_file_);
    signalled_ = true;
    record_.SignalFileCreated(signal_file_);
  }

  // "sc stop" returns once the request is sent; an installer started while
  // the service is still stopping would meet its files in use, and the
  // keep-alive service, while it still runs, could bring "Merovix" back.
  std::string ConfiguredServiceName() {
    const std::string name = ops_.ReadIniString("Servicename", "Merovix");
    if (IsProductServiceName(name)) return name;
    record_.ServiceNameRefused(name);
    return "Merovix";
  }

  void StopService(const std::string& service) {
    const std::string parameters = "stop " + service;
    ops_.ShellExecuteAndWait(sc_, parameters, true, sc_show_);
    record_.ServiceStopped(service, sc_ + " " + parameters, ops_.WaitWhileServiceStops(kLocalhost, service));
  }

  // Ends a DICOM server by the id the product recorded, when that id still
  // belongs to the server; otherwise by its executable's name.
  void StopDicomServer(const std::string& exe_name, const std::string& id_key) {
    if (ops_.CountProcesses(exe_name) == 0) return;
    const std::string id = ops_.ReadIniString(id_key, "");
    if (!id.empty() && ops_.KillProgramByIdText(id, exe_name)) {
      record_.ProcessEndedById(exe_name, id);
      return;
    }
    if (taskkill_.empty()) return;
    const std::string command = Quoted(taskkill_) + " -f -im " + exe_name;
    record_.ProcessEndedByCommand(exe_name, command);
    ops_.RunCommand(command);
  }

  void StopProduct() {
    Terminate("Merovix_Diagnose.exe", true);
    restart_desktop_ = false;
    if (ops_.ServiceExists(kLocalhost, "Merovix")) {
      service_mode_ = true;
      StopService(ConfiguredServiceName() + "_Keepalive");
      RenewSignalFile();
      for (int poll = 0; poll < kSignalFilePolls && ops_.FileExists(signal_file_); ++poll) {
        ops_.SleepOneMillisecond();
      }
      record_.SignalFileTaken(!ops_.FileExists(signal_file_), kSignalFilePolls);
      StopService(ConfiguredServiceName());
      StopDicomServer("storescp.exe", "storescpDwProcessID");
      StopDicomServer("wlmscpfs.exe", "wlmscpfsDwProcessID");
    } else {
      service_mode_ = false;
      if (ops_.CountProcesses(kDesktopProgramName) >= 1) {
        RenewSignalFile();
        restart_desktop_ = true;
        // The program may be saving a day's work; the installer must not
        // meet its files in use.
        desktop_ended_ = ops_.WaitForProgramToEnd(kDesktopProgramName, kDesktopProgramEndWaitMs);
        record_.DesktopProgramEnded(kDesktopProgramName, desktop_ended_, kDesktopProgramEndWaitMs);
      }
    }
    Terminate("ekag20nt.exe", false);
    Terminate("NKLS40EK.exe", false);
  }

  // A stop request nobody took would end the restarted product at once.
  void RemoveUntakenSignalFile() {
    if (!signalled_ || !ops_.FileExists(signal_file_)) return;
    ops_.RemoveFile(signal_file_);
    record_.SignalFileRemoved(signal_file_);
  }

  bool RestartService(const std::string& service) {
    const std::uint32_t state = ops_.StartServiceAndWait(kLocalhost, service);
    record_.ServiceRestarted(service, state);
    return state == kServiceRunning;
  }

  RestartOutcome Restart() {
    RemoveUntakenSignalFile();
    if (service_mode_) {
      const bool service = RestartService("Merovix");
      const bool keep_alive = RestartService("Merovix_KeepAlive");
      return {RestartKind::Service, service && keep_alive};
    }
    if (!restart_desktop_) return {};
    // A second copy beside one that never ended, or that the installer
    // started again, would work on the same data.
    const bool running = ops_.CountProcesses(kDesktopProgramName) >= 1;
    // Under the system account the program is not started; one that never
    // ended and still runs is told as such all the same.
    if (local_system_ && (desktop_ended_ || !running)) {
      record_.DesktopRestartSkipped(desktop_program_);
      return {RestartKind::Desktop, false, true};
    }
    if (running) {
      record_.DesktopProgramStillRunning(desktop_program_);
      return desktop_ended_ ? RestartOutcome{RestartKind::Desktop, true}
                            : RestartOutcome{RestartKind::DesktopNeverEnded, false};
    }
    const bool minimised = ops_.ReadIniBool("minimiert_starten", false);
    const bool started = ops_.RunDetached(desktop_program_, "", minimised ? kSwMinimize : kSwShowNormal);
    record_.DesktopProgramRestarted(desktop_program_, started);
    return {RestartKind::Desktop, started};
  }

  UpdateOperations& ops_;
  RunRecord record_;
  const std::string install_dir_, signal_file_, desktop_program_, default_url_, sc_, taskkill_;
  const bool unattended_, local_system_;
  const std::uint16_t tool_show_, sc_show_;
  bool service_mode_ = false;
  bool restart_desktop_ = false;
  bool desktop_ended_ = false;
  bool signalled_ = false;
};

}  // namespace

std::string OlderInstallerMessage(const ProductVersion& offered, const ProductVersion& installed) {
  return "Das angebotene Update (Version " + offered.Text() + ") ist älter als die installierte Version " +
         installed.Text() + " und wurde nicht installiert!";
}

std::string FinalMessage(std::optional<std::uint32_t> installer_exit_code, RestartOutcome restart) {
  if (installer_exit_code == kInstallerRebootExitCode) {
    return FinalMessage(0, restart) + " Zum Abschluss muss der PC neu gestartet werden.";
  }
  const bool installed = installer_exit_code && *installer_exit_code == 0;
  if (restart.kind == RestartKind::DesktopNeverEnded) {
    // The old program still runs: the user has to end and start it.
    return installed ? std::string(kUpdateDone) + "! Merovix hat sich nicht beendet und muss neu gestartet werden."
                     : FinalMessage(installer_exit_code, {}) + " Merovix hat sich nicht beendet und läuft weiter.";
  }
  const char* restarted = restart.kind == RestartKind::Service ? "Der Merovix-Dienst" : "Merovix";
  const std::string not_restarted = std::string(restarted) +
                                    (restart.skipped ? " wurde unter dem Systemkonto nicht neu gestartet."
                                                     : " konnte nicht neu gestartet werden!");
  if (installed) {
    if (restart.kind == RestartKind::None) return std::string(kUpdateDone) + "!";
    if (!restart.succeeded) return std::string(kUpdateDone) + "! " + not_restarted;
    return std::string(kUpdateDone) + (restart.kind == RestartKind::Service ? " und der Merovix-Dienst neu gestartet!"
                                                                            : " und Merovix neu gestartet!");
  }
  std::string text = installer_exit_code
                         ? "Die Installation des Updates ist fehlgeschlagen (Fehlercode " +
                               std::to_string(*installer_exit_code) + ")!"
                         : std::string("Das Installationsprogramm des Updates konnte nicht gestartet werden!");
  if (restart.kind != RestartKind::None) {
    text += " " + (restart.succeeded ? std::string(restarted) + " wurde neu gestartet." : not_restarted);
  }
  return text;
}

RunOutcome RunUpdate(UpdateOperations& ops, const UpdateRunSettings& settings) {
  return UpdateRun(ops, settings).Run();
}

}  // namespace merovix
