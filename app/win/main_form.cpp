#include "app/win/main_form.h"

#include "app/fallback_download.h"
#include "app/run_record.h"
#include "app/update_run.h"
#include "app/win/update_operations.h"
#include "common/download_host.h"
#include "common/shared_state.h"
#include "common/win/processes.h"
#include "common/win/file_system.h"
#include "common/win/settings.h"
#include "common/win/versions.h"
#include "framework/win/application.h"
#include "framework/win/system_folder.h"
#include "framework/win/text.h"

namespace merovix {

std::string InstallDir;
const std::string UpdateFileName = "Merovix_Update_.exe";
TForm1* Form1 = nullptr;

namespace {

constexpr const char* kAppPathValue = "Inno Setup: App Path";

}  // namespace

std::string ReadInstallDir() {
  std::string install_dir;
  ReadRegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, kAppPathValue, install_dir);
  return install_dir;
}

TForm1::TForm1(TComponent* owner) : TForm(owner, L"TForm1", "Update Merovix") {
  // The window as designed; FormCreate replaces its geometry.
  SetLeft(1122);
  SetTop(248);
  SetWidth(1305);
  SetHeight(675);
  ButtonUpdate_starten = new TButton(this, "Update starten", Bounds{160, 32, 105, 25}, true);
  ButtonUpdate_starten->OnClick = [this](TComponent* sender) { ButtonUpdate_startenClick(sender); };
  DirDlg = new TFolderBrowseDlg(this);
  DirDlg->SetShowSelectionInStatus(false);
  // OK only on file-system folders: the download needs a real one.
  DirDlg->SetOptions({bfDirectoriesOnly});
  OnCreate = [this](TComponent* sender) { FormCreate(sender); };
  OnActivate = [this](TComponent* sender) { FormActivate(sender); };
  OnClose = [this](TComponent* sender, TCloseAction& action) { FormClose(sender, action); };
  DoCreate();
}

void TForm1::FormCreate(TComponent*) {
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetWidth(1);
  SetHeight(1);
  SetLeft(1);
  SetTop(1);
  try {
    InstallDir = ReadInstallDir();
  } catch (...) {
    // Reported where the run begins, so that the run's log has it.
    registry_error_ = std::current_exception();
  }
  SettingsFile = InstallDir + "\\" + "settings.ini";
  SettingsSection = "Parameter";
  DirectiveList = std::make_unique<TStringList>();
}

void TForm1::FormActivate(TComponent*) {
  // The window becomes active again whenever one of the run's own dialogs
  // closes; the run belongs to the first activation only.
  if (run_started_) return;
  RunOnce();
  Close();
}

void TForm1::RunUnattended() {
  if (!run_started_) RunOnce();
}

void TForm1::RunOnce() {
  run_started_ = true;
  try {
    ButtonUpdate_starten->Click();
  } catch (const std::exception& error) {
    outcome_ = RunOutcome::UnexpectedError;
    run_log_.ShowError(error);
  }
  const bool unattended = Application().Unattended();
  // Without an installation folder the settings file would be one in the
  // root of the current drive, which is not the product's.
  if (!InstallDir.empty()) {
    DeleteIniKey("confirm_Update", "", "");
    // Kept (a read-only settings file), it skips the question at every start.
    std::string kept;
    ReadIniString("confirm_Update", "", "", "", kept);
    if (!kept.empty()) run_log_.Write(KeyNotDeletedRecordLine("confirm_Update", AnsiToUtf8(SettingsFile)));
  }
  const std::optional<int> exit_code = unattended ? std::optional<int>(UnattendedExitCode(outcome_)) : std::nullopt;
  run_log_.Write(EndRecordLine(exit_code));
  if (unattended) run_log_.ReportRunEnd(outcome_, exit_code, versions_);
}

void TForm1::FormClose(TComponent*, TCloseAction&) { DirectiveList.reset(); }

void TForm1::ButtonUpdate_startenClick(TComponent*) {
  const bool unattended = Application().Unattended();
  const bool installed = !InstallDir.empty() && DirectoryExists(InstallDir);
  run_log_.Begin(RunLogFolder(InstallDir));
  if (unattended) run_log_.Write(kUnattendedRecordLine);
  for (const std::string& line : start_notes_) run_log_.Write(line);
  WindowsUpdateOperations operations(run_log_);
  UpdateRunSettings settings{InstallDir, InstallerUrl(UpdateFileName), SystemProgram("sc.exe"),
                             SystemProgram("taskkill.exe")};
  settings.unattended = unattended;
  settings.local_system = RunsAsLocalSystem();
  // Whatever this run then does, the product comes back first.
  const std::string still_stopped = RestartAfterUnfinishedRun(operations, settings);
  if (registry_error_) std::rethrow_exception(registry_error_);
  if (!installed) {
    run_log_.WriteOutcome(FallbackBranchRecordLine(AnsiToUtf8(InstallDir), unattended));
    outcome_ = RunOutcome::NotInstalled;
    if (unattended) return;
    WindowsFallbackOperations fallback(*DirDlg, run_log_);
    RunFallbackDownload(fallback, InstallerUrl(UpdateFileName), UpdateFileName);
    return;
  }
  run_log_.Write(UpdateBranchRecordLine(AnsiToUtf8(InstallDir)));
  outcome_ = RunUpdate(operations, settings, versions_, still_stopped);
}

}  // namespace merovix
