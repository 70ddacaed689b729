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

// The installer's time limit in words: "30 Minuten".
std::string LimitText() {
  const std::uint32_t seconds = InstallerTimeLimitMs() / 1000;
  return seconds % 60 == 0 ? std::to_string(seconds / 60) + " Minuten" : std::to_string(seconds) + " Sekunden";
}

class UpdateRun {
 public:
  UpdateRun(UpdateOperations& ops, const UpdateRunSettings& settings, std::string still_stopped = {})
      : ops_(ops),
        record_(ops),
        install_dir_(settings.install_dir),
        still_stopped_(std::move(still_stopped)),
        installer_(settings.install_dir + "\\" + settings.update_file_name),
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
    // left by an earlier run must not pass for it when the transfer failed or
    // put its file elsewhere (another name in the URL, or the updater lying
    // outside the installation folder).
    const DownloadResult download = ops_.DownloadFile(url, "", tool_show_);
    record_.Transfer("des Installationsprogramms", download);
    if (!download.Succeeded() || !ops_.IsSameFile(download.local_file, installer_)) {
      if (download.Succeeded()) record_.NotTheInstaller(download.local_file, installer_);
      ops_.Beep();
      const bool refused = download.outcome == DownloadOutcome::Refused;
      ops_.ShowUpdateMessage(refused ? kNotSignedByMaker : kDownloadFailed);
      return refused ? RunOutcome::InstallerRefused : RunOutcome::DownloadFailed;
    }
    StopRecord stopped;
    try {
      StopProduct(stopped);
    } catch (...) {
      Restart(stopped);
      Journal(stopped);
      throw;
    }
    record_.InstallerStarting(RunAndWaitCommandLine(installer_, "/silent"));
    const InstallerEnd ended = ops_.RunAndWait(installer_, "/silent", kSwShowNormal);
    const std::optional<std::uint32_t> exit_code = ended.exit_code;
    if (ended.timed_out) {
      record_.InstallerTimedOut(LimitText());
    } else {
      record_.InstallerEnded(exit_code);
    }
    const RestartOutcome restart = Restart(stopped);
    Journal(stopped);
    const bool installed = exit_code && *exit_code == 0;
    if (!installed || !restart.succeeded) ops_.Beep();
    ops_.ShowUpdateMessage(FinalMessage(exit_code, restart, ended.timed_out));
    if (!installed) return RunOutcome::InstallerFailed;
    if (restart.skipped) return RunOutcome::RestartSkipped;
    return restart.succeeded ? RunOutcome::Updated : RunOutcome::RestartFailed;
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
    // Under the system account the program is not started; one that never
    // ended and still runs is told as such all the same.
    if (local_system_ && (stopped.desktop_ended || !running)) {
      record_.DesktopRestartSkipped(stopped.desktop_program);
      return {RestartKind::Desktop, false, true};
    }
    if (running) {
      record_.DesktopProgramStillRunning(stopped.desktop_program);
      return stopped.desktop_ended ? RestartOutcome{RestartKind::Desktop, true}
                                   : RestartOutcome{RestartKind::DesktopNeverEnded, false};
    }
    const bool minimised = ops_.ReadIniBool("minimiert_starten", false);
    const bool started = ops_.RunDetached(stopped.desktop_program, "", minimised ? kSwMinimize : kSwShowNormal);
    record_.DesktopProgramRestarted(stopped.desktop_program, started);
    return {RestartKind::Desktop, started};
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
  RunRecord record_;
  const std::string install_dir_, still_stopped_;
  bool journal_failed_ = false;
  const std::string installer_, signal_file_, desktop_program_, default_url_, sc_, taskkill_;
  const bool unattended_, local_system_;
  const std::uint16_t tool_show_, sc_show_;
};

}  // namespace

std::string FinalMessage(std::optional<std::uint32_t> installer_exit_code, RestartOutcome restart, bool timed_out) {
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

RunOutcome RunUpdate(UpdateOperations& ops, const UpdateRunSettings& settings, const std::string& still_stopped) {
  return UpdateRun(ops, settings, still_stopped).Run();
}

std::string RestartAfterUnfinishedRun(UpdateOperations& ops, const UpdateRunSettings& settings) {
  const std::optional<std::string> journal = ops.ReadJournal();
  if (!journal) return {};
  return UpdateRun(ops, settings).RestartAfterUnfinishedRun(*journal);
}

}  // namespace merovix
