#include "app/update_run.h"

#include <algorithm>

#include "app/journal.h"

#include "common/command_lines.h"
#include "common/service_wait.h"
#include "framework/strings.h"

namespace merovix {

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

namespace {

constexpr const char* kLocalhost = "localhost";
constexpr const char* kDesktopProgramName = "Merovix.exe";
constexpr int kSignalFilePolls = 500;
constexpr int kKillAttempts = 5;
constexpr const char* kRunsAgainUnderSystem =
    "Das Update läuft unter dem lokalen Systemkonto, und Merovix läuft schon wieder";

// The installer's time limit in words: "30 Minuten".
std::string LimitText() {
  const std::uint32_t seconds = InstallerTimeLimitMs() / 1000;
  return seconds % 60 == 0 ? std::to_string(seconds / 60) + " Minuten" : std::to_string(seconds) + " Sekunden";
}

class UpdateRun {
 public:
  UpdateRun(UpdateOperations& ops, const UpdateRunSettings& settings, RunVersions& versions,
            std::string still_stopped = {})
      : ops_(ops),
        versions_(versions),
        record_(ops),
        install_dir_(settings.install_dir),
        still_stopped_(std::move(still_stopped)),
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
    versions_.installed_before = ops_.InstalledVersion();
    record_.InstalledVersion("vor dem Lauf", versions_.installed_before);
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
    versions_.offered = ops_.FileVersion(installer);
    const std::optional<ProductVersion>& installed_version = versions_.installed_before;
    const std::optional<ProductVersion>& offered_version = versions_.offered;
    // A nightly task must not stop the product for nothing. A person who
    // asked for the update gets it all the same: it may be a repair.
    if (unattended_ && installed_version && installed_version == offered_version) {
      record_.InstalledVersionCurrent(installed_version->Text());
      return RunOutcome::UpToDate;
    }
    if (RefusedAsOlder(installer, offered_version, installed_version)) return RunOutcome::InstallerOlder;
    StopRecord stopped;
    try {
      StopProduct(stopped);
    } catch (...) {
      Restart(stopped);
      Journal(stopped);
      throw;
    }
    const char* switches = unattended_ ? kUnattendedInstallerSwitches : kInstallerSwitches;
    // From the work folder, where nobody else can put a DLL beside it, in
    // the installation folder.
    record_.InstallerStarting(RunAndWaitCommandLine(installer, switches));
    const InstallerEnd ended = ops_.RunAndWait(installer, switches, install_dir_, kSwShowNormal);
    const std::optional<std::uint32_t> exit_code = ended.exit_code;
    if (ended.timed_out) {
      record_.InstallerTimedOut(LimitText());
    } else {
      record_.InstallerEnded(exit_code);
    }
    versions_.installed_after = ops_.InstalledVersion();
    record_.InstalledVersion("nach der Installation", versions_.installed_after);
    const RestartOutcome restart = Restart(stopped);
    Journal(stopped);
    const bool reboot = exit_code == kInstallerRebootExitCode;
    const bool installed = exit_code == 0u || reboot;
    if (!installed || !restart.succeeded) ops_.Beep();
    ops_.ShowUpdateMessage(FinalMessage(exit_code, restart, ended.timed_out));
    if (!installed) return RunOutcome::InstallerFailed;
    // A product that is not running again outweighs the pending reboot: a
    // deployment tool reads 3010 as success. A desktop program left alone
    // under the system account starts with the next session anyway.
    if (!restart.succeeded && !restart.skipped) return RunOutcome::RestartFailed;
    if (reboot) return RunOutcome::RebootRequired;
    return restart.skipped ? RunOutcome::RestartSkipped : RunOutcome::Updated;
  }

  // Starts again what an earlier run left stopped, as its journal names
  // it; the journal's text for what still did not come back.
  std::string RestartAfterUnfinishedRun(std::string_view journal) {
    JournalReading reading = ReadJournalText(journal, install_dir_);
    record_.UnfinishedRunFound(reading.stopped.services, reading.stopped.desktop_program);
    for (const std::string& line : reading.refused) record_.JournalLineRefused(line);
    // Found stopped, it ended at some time.
    reading.stopped.desktop_ended = true;
    Restart(reading.stopped);
    Journal(reading.stopped);
    return JournalText(reading.stopped);
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

  // Written before each step of the stop and after the restart, so that it
  // names what is stopped at any moment; beside what an earlier run left
  // stopped and a restart did not bring back.
  void Journal(const StopRecord& stopped) {
    const std::string text = still_stopped_ + JournalText(stopped);
    const bool kept = text.empty() ? ops_.RemoveJournal() : ops_.WriteJournal(text);
    if (!kept && !journal_failed_) record_.JournalNotKept();
    journal_failed_ = journal_failed_ || !kept;
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

  void RenewSignalFile(StopRecord& stopped) {
    if (ops_.FileExists(signal_file_)) ops_.RemoveFile(signal_file_);
    stopped.signal_file = signal_file_;
    Journal(stopped);
    ops_.CreateSignalFile(signal_file_);
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

  void StopService(const std::string& service, StopRecord& stopped) {
    stopped.services.push_back(service);
    Journal(stopped);
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

  // Fills `stopped` as it goes, so that an error midway leaves it naming
  // what has to be started again.
  void StopProduct(StopRecord& stopped) {
    Terminate("Merovix_Diagnose.exe", true);
    if (ops_.ServiceExists(kLocalhost, "Merovix")) {
      StopService(ConfiguredServiceName() + "_Keepalive", stopped);
      RenewSignalFile(stopped);
      for (int poll = 0; poll < kSignalFilePolls && ops_.FileExists(signal_file_); ++poll) {
        ops_.SleepOneMillisecond();
      }
      record_.SignalFileTaken(!ops_.FileExists(signal_file_), kSignalFilePolls);
      StopService(ConfiguredServiceName(), stopped);
      StopDicomServer("storescp.exe", "storescpDwProcessID");
      StopDicomServer("wlmscpfs.exe", "wlmscpfsDwProcessID");
    } else if (ops_.CountProcesses(kDesktopProgramName) >= 1) {
      // Read while it runs: the restart comes back in the same session.
      stopped.desktop_sessions = ops_.ProgramSessions(kDesktopProgramName);
      stopped.desktop_program = desktop_program_;
      RenewSignalFile(stopped);
      // The program may be saving a day's work; the installer must not
      // meet its files in use.
      stopped.desktop_ended = ops_.WaitForProgramToEnd(kDesktopProgramName, kDesktopProgramEndWaitMs);
      record_.DesktopProgramEnded(kDesktopProgramName, stopped.desktop_ended, kDesktopProgramEndWaitMs);
    }
    Terminate("ekag20nt.exe", false);
    Terminate("NKLS40EK.exe", false);
  }

  // A stop request nobody took would end the restarted product at once.
  void RemoveUntakenSignalFile(const std::string& signal_file) {
    if (signal_file.empty() || !ops_.FileExists(signal_file)) return;
    ops_.RemoveFile(signal_file);
    record_.SignalFileRemoved(signal_file);
  }

  // "Merovix" and "Merovix_KeepAlive" are started as ever, then every other
  // service the run stopped (the one a stop ended last first). Whether all
  // came back counts only what the run stopped: a fixed name that is not the
  // configured one may not be installed at all. The stopped ones that do
  // not run afterwards.
  std::vector<std::string> ServicesNotBack(const std::vector<std::string>& stopped) {
    const auto among = [](const std::vector<std::string>& names, const std::string& name) {
      return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return AsciiSameText(n, name); });
    };
    std::vector<std::string> order = {"Merovix", "Merovix_KeepAlive"};
    for (auto it = stopped.rbegin(); it != stopped.rend(); ++it) {
      if (!among(order, *it)) order.push_back(*it);
    }
    std::vector<std::string> not_back;
    for (const std::string& service : order) {
      const std::uint32_t state = ops_.StartServiceAndWait(kLocalhost, service);
      record_.ServiceRestarted(service, state);
      if (state != kServiceRunning && among(stopped, service)) not_back.push_back(service);
    }
    return not_back;
  }

  RestartOutcome RestartDesktopProgram(const StopRecord& stopped) {
    // A second copy beside one that never ended, or that the installer
    // started again, would work on the same data.
    const bool running = ops_.CountProcesses(kDesktopProgramName) >= 1;
    // Under the system account a program that ended and runs again was not
    // started for the user; one that never ended is told as such.
    if (local_system_ && stopped.desktop_ended && running) {
      record_.DesktopRestartSkipped(stopped.desktop_program, kRunsAgainUnderSystem);
      return {RestartKind::Desktop, false, true};
    }
    if (running) {
      record_.DesktopProgramStillRunning(stopped.desktop_program);
      return stopped.desktop_ended ? RestartOutcome{RestartKind::Desktop, true}
                                   : RestartOutcome{RestartKind::DesktopNeverEnded, false};
    }
    const bool minimised = ops_.ReadIniBool("minimiert_starten", false);
    const DesktopStartResult start = ops_.StartDesktopProgram(
        {stopped.desktop_program, minimised ? kSwMinimize : kSwShowNormal, local_system_, stopped.desktop_sessions});
    if (start.way == DesktopStartWay::NotStarted) {
      record_.DesktopRestartSkipped(stopped.desktop_program, start.reason);
      return {RestartKind::Desktop, false, true};
    }
    record_.DesktopProgramRestarted(stopped.desktop_program, start);
    return {RestartKind::Desktop, start.started};
  }

  // Consumes `stopped`: afterwards it holds what did not come back. A run
  // stops services or the desktop program; only a journal can name both.
  RestartOutcome Restart(StopRecord& stopped) {
    RemoveUntakenSignalFile(stopped.signal_file);
    stopped.signal_file.clear();
    std::optional<RestartOutcome> services;
    if (!stopped.services.empty()) {
      stopped.services = ServicesNotBack(stopped.services);
      services = RestartOutcome{RestartKind::Service, stopped.services.empty()};
    }
    RestartOutcome desktop;
    if (!stopped.desktop_program.empty()) {
      desktop = RestartDesktopProgram(stopped);
      // Running, or left to the user under the system account: nothing is owed.
      if (desktop.kind != RestartKind::Desktop || desktop.succeeded || desktop.skipped) {
        stopped.desktop_program.clear();
        stopped.desktop_sessions.clear();
      }
    }
    return services.value_or(desktop);
  }

  UpdateOperations& ops_;
  RunVersions& versions_;
  RunRecord record_;
  const std::string install_dir_, still_stopped_;
  bool journal_failed_ = false;
  const std::string signal_file_, desktop_program_, default_url_, sc_, taskkill_;
  const bool unattended_, local_system_;
  const std::uint16_t tool_show_, sc_show_;
};

}  // namespace

std::string OlderInstallerMessage(const ProductVersion& offered, const ProductVersion& installed) {
  return "Das angebotene Update (Version " + offered.Text() + ") ist älter als die installierte Version " +
         installed.Text() + " und wurde nicht installiert!";
}

std::string FinalMessage(std::optional<std::uint32_t> installer_exit_code, RestartOutcome restart, bool timed_out) {
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
  std::string text = installer_exit_code ? "Die Installation des Updates ist fehlgeschlagen (Fehlercode " +
                                               std::to_string(*installer_exit_code) + ")!"
                     : timed_out
                         ? "Die Installation des Updates ist fehlgeschlagen: Das Installationsprogramm hat "
                           "sich nicht innerhalb von " +
                               LimitText() + " beendet und wurde abgebrochen!"
                         : std::string("Das Installationsprogramm des Updates konnte nicht gestartet werden!");
  if (restart.kind != RestartKind::None) {
    text += " " + (restart.succeeded ? std::string(restarted) + " wurde neu gestartet." : not_restarted);
  }
  return text;
}

RunOutcome RunUpdate(UpdateOperations& ops, const UpdateRunSettings& settings, RunVersions& versions,
                     const std::string& still_stopped) {
  return UpdateRun(ops, settings, versions, still_stopped).Run();
}

std::string RestartAfterUnfinishedRun(UpdateOperations& ops, const UpdateRunSettings& settings) {
  const std::optional<std::string> journal = ops.ReadJournal();
  if (!journal) return {};
  RunVersions versions;
  return UpdateRun(ops, settings, versions).RestartAfterUnfinishedRun(*journal);
}

}  // namespace merovix
