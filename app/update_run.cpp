#include "app/update_run.h"

#include "common/command_lines.h"

namespace merovix {
namespace {

constexpr const char* kLocalhost = "localhost";
constexpr int kSignalFilePolls = 500;
constexpr int kKillAttempts = 5;

class UpdateRun {
 public:
  UpdateRun(UpdateOperations& ops, const UpdateRunSettings& settings)
      : ops_(ops),
        installer_(settings.install_dir + "\\" + settings.update_file_name),
        signal_file_(settings.install_dir + "\\StopService"),
        desktop_program_(settings.install_dir + "\\Merovix.exe"),
        default_url_(settings.default_url),
        sc_(settings.sc),
        taskkill_(settings.taskkill) {}

  void Run() {
    if (!Consent()) return;
    ops_.LoadDirectiveList();
    const std::string url = ops_.ReadDirectiveValue("UpdateFilename", default_url_, "Update");
    // Only a file this download fetched or confirmed may be run: an installer
    // left by an earlier run must not pass for it when the transfer failed or
    // put its file elsewhere (another name in the URL, or the updater lying
    // outside the installation folder).
    const DownloadResult download = ops_.DownloadFile(url, "", kSwShowNormal);
    if (!download.Succeeded() || !ops_.IsSameFile(download.local_file, installer_)) {
      ops_.Beep();
      ops_.ShowUpdateMessage(download.outcome == DownloadOutcome::Refused ? kNotSignedByMaker : kDownloadFailed);
      return;
    }
    try {
      StopProduct();
    } catch (...) {
      Restart();
      throw;
    }
    const std::optional<std::uint32_t> exit_code = ops_.RunAndWait(installer_, "/silent", kSwShowNormal);
    Restart();
    const bool failed = !exit_code || *exit_code != 0;
    if (failed) ops_.Beep();
    ops_.ShowUpdateMessage(FinalMessage(exit_code, service_mode_, restart_desktop_));
  }

 private:
  bool Consent() {
    if (ops_.ReadIniBool("confirm_update", true) && !ops_.Confirm(kAskForUpdate)) {
      ops_.ShowPlainMessage(kUpdateCancelled);
      return false;
    }
    return true;
  }

  void Terminate(const std::string& name, bool note_daily_list) {
    for (int attempt = 0; attempt < kKillAttempts && ops_.CountProcesses(name) >= 1; ++attempt) {
      ops_.KillProcessesByName(name);
      if (note_daily_list) ops_.WriteIniBool("Tageslistebeachten", true);
    }
  }

  void RenewSignalFile() {
    if (ops_.FileExists(signal_file_)) ops_.RemoveFile(signal_file_);
    ops_.CreateSignalFile(signal_file_);
  }

  // Ends a DICOM server by the id the product recorded, when that id still
  // belongs to the server; otherwise by its executable's name.
  void StopDicomServer(const std::string& exe_name, const std::string& id_key) {
    if (ops_.CountProcesses(exe_name) == 0) return;
    const std::string id = ops_.ReadIniString(id_key, "");
    if (!id.empty() && ops_.KillProgramByIdText(id, exe_name)) return;
    if (!taskkill_.empty()) ops_.RunCommand(Quoted(taskkill_) + " -f -im " + exe_name);
  }

  void StopProduct() {
    Terminate("Merovix_Diagnose.exe", true);
    restart_desktop_ = false;
    if (ops_.ServiceExists(kLocalhost, "Merovix")) {
      service_mode_ = true;
      const std::string keep_alive = ops_.ReadIniString("Servicename", "Merovix") + "_Keepalive";
      ops_.ShellExecuteAndWait(sc_, "stop " + keep_alive, true, kSwShowMinimized);
      RenewSignalFile();
      for (int poll = 0; poll < kSignalFilePolls && ops_.FileExists(signal_file_); ++poll) {
        ops_.SleepOneMillisecond();
      }
      const std::string service = ops_.ReadIniString("Servicename", "Merovix");
      ops_.ShellExecuteAndWait(sc_, "stop " + service, true, kSwShowMinimized);
      StopDicomServer("storescp.exe", "storescpDwProcessID");
      StopDicomServer("wlmscpfs.exe", "wlmscpfsDwProcessID");
    } else {
      service_mode_ = false;
      if (ops_.CountProcesses("Merovix.exe") >= 1) {
        RenewSignalFile();
        restart_desktop_ = true;
      }
    }
    Terminate("ekag20nt.exe", false);
    Terminate("NKLS40EK.exe", false);
  }

  void Restart() {
    if (service_mode_) {
      ops_.StartServiceAndWait(kLocalhost, "Merovix");
      ops_.StartServiceAndWait(kLocalhost, "Merovix_KeepAlive");
    } else if (restart_desktop_) {
      const bool minimised = ops_.ReadIniBool("minimiert_starten", false);
      ops_.RunDetached(desktop_program_, "", minimised ? kSwMinimize : kSwShowNormal);
    }
  }

  UpdateOperations& ops_;
  const std::string installer_, signal_file_, desktop_program_, default_url_, sc_, taskkill_;
  bool service_mode_ = false;
  bool restart_desktop_ = false;
};

}  // namespace

std::string FinalMessage(std::optional<std::uint32_t> installer_exit_code, bool service_mode, bool restart_desktop) {
  if (installer_exit_code && *installer_exit_code == 0) {
    if (service_mode) return std::string(kUpdateDone) + " und der Merovix-Dienst neu gestartet!";
    if (restart_desktop) return std::string(kUpdateDone) + " und Merovix neu gestartet!";
    return std::string(kUpdateDone) + "!";
  }
  std::string text = installer_exit_code
                         ? "Die Installation des Updates ist fehlgeschlagen (Fehlercode " +
                               std::to_string(*installer_exit_code) + ")!"
                         : std::string("Das Installationsprogramm des Updates konnte nicht gestartet werden!");
  if (service_mode) text += " Der Merovix-Dienst wurde neu gestartet.";
  else if (restart_desktop) text += " Merovix wurde neu gestartet.";
  return text;
}

void RunUpdate(UpdateOperations& ops, const UpdateRunSettings& settings) { UpdateRun(ops, settings).Run(); }

}  // namespace merovix
