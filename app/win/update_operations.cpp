#include "app/win/update_operations.h"

#include <windows.h>

#include "app/win/run_log.h"
#include "browse/win/browse_dialog.h"
#include "common/directive_rules.h"
#include "common/download_host.h"
#include "common/win/directive_list.h"
#include "common/win/downloads.h"
#include "common/win/file_system.h"
#include "common/win/launch.h"
#include "common/win/processes.h"
#include "common/win/services.h"
#include "common/win/settings.h"
#include "common/win/versions.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace merovix {

// The run's show modes reach the started programs unchanged.
static_assert(kSwHide == SW_HIDE && kSwShowNormal == SW_SHOWNORMAL && kSwShowMinimized == SW_SHOWMINIMIZED &&
              kSwMinimize == SW_MINIMIZE);

void WindowsUpdateOperations::RecordLine(const std::string& line) { log_.Write(line); }

std::string WindowsUpdateOperations::Utf8FromAnsi(const std::string& data) { return AnsiToUtf8(data); }

bool WindowsUpdateOperations::ReadIniBool(const std::string& key, bool fallback) {
  return merovix::ReadIniBool(key, fallback, "", "");
}

bool WindowsUpdateOperations::WriteIniBool(const std::string& key, bool value) {
  return merovix::WriteIniBool(key, value, "", "");
}

std::string WindowsUpdateOperations::ReadIniString(const std::string& key, const std::string& fallback) {
  std::string value;
  merovix::ReadIniString(key, fallback, "", "", value);
  return value;
}

bool WindowsUpdateOperations::Confirm(const std::string& text) { return log_.Confirm(text); }

void WindowsUpdateOperations::ShowPlainMessage(const std::string& text) { log_.ShowPlain(text); }

void WindowsUpdateOperations::ShowUpdateMessage(const std::string& text) { log_.ShowUpdate(text); }

void WindowsUpdateOperations::Beep() { log_.Beep(); }

DownloadResult WindowsUpdateOperations::LoadDirectiveList() { return merovix::LoadDirectiveList(""); }

std::string WindowsUpdateOperations::ReadDirectiveValue(const std::string& key, const std::string& fallback,
                                                        const std::string& section) {
  std::string value;
  merovix::ReadDirectiveValue(key, fallback, section, value);
  return value;
}

DownloadResult WindowsUpdateOperations::DownloadInstaller(const std::string& url, std::uint16_t show) {
  return merovix::DownloadInstaller(url, show, downloads_, InstallerSigner());
}

std::optional<ProductVersion> WindowsUpdateOperations::InstalledVersion() { return ReadInstalledVersion(); }

std::optional<ProductVersion> WindowsUpdateOperations::FileVersion(const std::string& path) {
  return ReadFileVersion(path);
}

bool WindowsUpdateOperations::FileExists(const std::string& path) { return merovix::FileExists(path); }

// A file the download holds is let go first (DeleteFile of the name, never a
// link's target).
void WindowsUpdateOperations::RemoveFile(const std::string& path) { downloads_.RemoveFile(path); }

void WindowsUpdateOperations::CreateSignalFile(const std::string& path) { merovix::CreateSignalFile(path, "", true); }

void WindowsUpdateOperations::SleepOneMillisecond() { ::Sleep(1); }

std::uint32_t WindowsUpdateOperations::CountProcesses(const std::string& name) {
  return merovix::CountProcesses(name);
}

void WindowsUpdateOperations::KillProcessesByName(const std::string& name) { merovix::KillProcessesByName(name); }

bool WindowsUpdateOperations::KillProgramByIdText(const std::string& id_text, const std::string& exe_name) {
  return merovix::KillProgramByIdText(id_text, exe_name);
}

bool WindowsUpdateOperations::WaitForProgramToEnd(const std::string& name, std::uint32_t limit_ms) {
  return merovix::WaitForProgramToEnd(name, limit_ms);
}

bool WindowsUpdateOperations::ServiceExists(const std::string& machine, const std::string& service) {
  return merovix::ServiceExists(machine, service);
}

std::uint32_t WindowsUpdateOperations::WaitWhileServiceStops(const std::string& machine, const std::string& service) {
  return merovix::WaitWhileServiceStops(machine, service);
}

std::uint32_t WindowsUpdateOperations::StartServiceAndWait(const std::string& machine, const std::string& service) {
  // The run stops services through "sc stop", which does not wait: one that
  // is still stopping would refuse the start and stay stopped.
  merovix::WaitWhileServiceStops(machine, service);
  merovix::StartServiceAndWait(machine, service);
  // The start is refused for a service that something else (the installer,
  // the keep-alive service) started meanwhile: what counts is the state.
  return ServiceState(machine, service);
}

void WindowsUpdateOperations::ShellExecuteAndWait(const std::string& file, const std::string& parameters, bool wait,
                                                  std::uint16_t show) {
  merovix::ShellExecuteAndWait(file, parameters, wait, show);
}

std::optional<std::uint32_t> WindowsUpdateOperations::RunAndWait(const std::string& exe,
                                                                 const std::string& parameters,
                                                                 const std::string& folder, std::uint16_t show) {
  return RunAndWaitForExitCodeIn(exe, parameters, show, folder);
}

bool WindowsUpdateOperations::RunDetached(const std::string& exe, const std::string& parameters, std::uint16_t show) {
  // The handles are the run's own: the program runs on without us.
  UniqueProcessInformation started;
  merovix::RunDetached(exe, parameters, show, true, started);
  return static_cast<bool>(started);
}

void WindowsUpdateOperations::RunCommand(const std::string& command) { merovix::RunCommand(command); }

void WindowsFallbackOperations::RecordLine(const std::string& line) { log_.Write(line); }

std::string WindowsFallbackOperations::Utf8FromAnsi(const std::string& data) { return AnsiToUtf8(data); }

void WindowsFallbackOperations::Beep() { log_.Beep(); }

bool WindowsFallbackOperations::Warn(const std::string& text) { return log_.Warn(text); }

void WindowsFallbackOperations::ShowPlainMessage(const std::string& text) { log_.ShowPlain(text); }

bool WindowsFallbackOperations::ChooseFolder(std::string& folder) {
  if (!dialog_.Execute()) return false;
  folder = dialog_.Selection();
  return true;
}

bool WindowsFallbackOperations::FileExists(const std::string& path) { return merovix::FileExists(path); }

bool WindowsFallbackOperations::DirectoryExists(const std::string& path) { return merovix::DirectoryExists(path); }

void WindowsFallbackOperations::RemoveFile(const std::string& path) { ::DeleteFileA(path.c_str()); }

DownloadResult WindowsFallbackOperations::DownloadFile(const std::string& url, const std::string& target,
                                                       std::uint16_t show) {
  WindowsDownloadOperations downloads;
  return DownloadFileWithResult(url, target, show, downloads, InstallerSigner());
}

}  // namespace merovix
