#pragma once
// The update run's and the fallback download's operations on the real system.
#include "app/fallback_download.h"
#include "app/update_run.h"
#include "common/win/downloads.h"

namespace merovix {

class RunLog;
class TFolderBrowseDlg;

class WindowsUpdateOperations : public UpdateOperations {
 public:
  explicit WindowsUpdateOperations(RunLog& log) : log_(log) {}
  void RecordLine(const std::string& line) override;
  std::string Utf8FromAnsi(const std::string& data) override;
  bool ReadIniBool(const std::string& key, bool fallback) override;
  bool WriteIniBool(const std::string& key, bool value) override;
  std::string ReadIniString(const std::string& key, const std::string& fallback) override;
  bool Confirm(const std::string& text) override;
  void ShowPlainMessage(const std::string& text) override;
  void ShowUpdateMessage(const std::string& text) override;
  void Beep() override;
  DownloadResult LoadDirectiveList() override;
  std::string ReadDirectiveValue(const std::string& key, const std::string& fallback,
                                 const std::string& section) override;
  DownloadResult DownloadInstaller(const std::string& url, std::uint16_t show) override;
  std::optional<ProductVersion> InstalledVersion() override;
  std::optional<ProductVersion> FileVersion(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  void CreateSignalFile(const std::string& path) override;
  void SleepOneMillisecond() override;
  std::uint32_t CountProcesses(const std::string& name) override;
  void KillProcessesByName(const std::string& name) override;
  bool KillProgramByIdText(const std::string& id_text, const std::string& exe_name) override;
  bool WaitForProgramToEnd(const std::string& name, std::uint32_t limit_ms) override;
  bool ServiceExists(const std::string& machine, const std::string& service) override;
  std::uint32_t WaitWhileServiceStops(const std::string& machine, const std::string& service) override;
  std::uint32_t StartServiceAndWait(const std::string& machine, const std::string& service) override;
  void ShellExecuteAndWait(const std::string& file, const std::string& parameters, bool wait,
                           std::uint16_t show) override;
  std::optional<std::uint32_t> RunAndWait(const std::string& exe, const std::string& parameters,
                                          const std::string& folder, std::uint16_t show) override;
  bool RunDetached(const std::string& exe, const std::string& parameters, std::uint16_t show) override;
  void RunCommand(const std::string& command) override;

 private:
  RunLog& log_;
  // Holds the checked installer until the run has ended.
  WindowsDownloadOperations downloads_;
};

class WindowsFallbackOperations : public FallbackOperations {
 public:
  WindowsFallbackOperations(TFolderBrowseDlg& dialog, RunLog& log) : dialog_(dialog), log_(log) {}
  void RecordLine(const std::string& line) override;
  std::string Utf8FromAnsi(const std::string& data) override;
  void Beep() override;
  bool Warn(const std::string& text) override;
  void ShowPlainMessage(const std::string& text) override;
  bool ChooseFolder(std::string& folder) override;
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  void RemoveFile(const std::string& path) override;
  DownloadResult DownloadFile(const std::string& url, const std::string& target, std::uint16_t show) override;

 private:
  TFolderBrowseDlg& dialog_;
  RunLog& log_;
};

}  // namespace merovix
