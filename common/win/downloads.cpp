#include "common/win/downloads.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "common/paths.h"
#include "common/transfer_commands.h"
#include "common/win/file_system.h"
#include "common/win/launch.h"
#include "common/win/program_folder.h"
#include "common/win/settings.h"
#include "framework/exceptions.h"
#include "framework/strings.h"
#include "framework/win/application.h"
#include "framework/win/system_folder.h"
#include "framework/win/text.h"

namespace merovix {
namespace {

std::optional<DateTime> WriteTimeOf(const WIN32_FILE_ATTRIBUTE_DATA& data) {
  SYSTEMTIME t{};
  if (!::FileTimeToSystemTime(&data.ftLastWriteTime, &t)) return std::nullopt;
  return DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

// The download's steps on the real file system and processes.
class WindowsDownloadOperations : public DownloadOperations {
 public:
  bool FileExists(const std::string& path) override { return merovix::FileExists(path); }
  DateTime FileWriteTime(const std::string& path) override { return merovix::FileWriteTime(path); }
  std::optional<FileStamp> StampOf(const std::string& path) override {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    const std::optional<DateTime> time = WriteTimeOf(data);
    if (!time) return std::nullopt;
    return FileStamp{*time, (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow};
  }
  std::string RunHeaderQuery(const std::string& curl, const std::string& url) override {
    std::string output;
    merovix::RunCommandCaptured(HeaderQueryCommand(curl, url, SystemProgram("findstr.exe")), "C:\\", output);
    return output;
  }
  std::optional<std::uint32_t> RunTool(const std::string& tool, const std::string& parameters,
                                       std::uint16_t show_mode) override {
    return RunAndWaitForExitCode(tool, parameters, show_mode);
  }
  void RemoveFile(const std::string& path) override { ::DeleteFileA(path.c_str()); }
  void CopyNewFile(const std::string& from, const std::string& to) override {
    ::CopyFileA(from.c_str(), to.c_str(), TRUE);
  }
  bool MoveReplacing(const std::string& from, const std::string& to) override {
    return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  }
  bool CreateFolder(const std::string& path) override { return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE; }
  void RemoveFolder(const std::string& path) override { RemoveFolderAndFiles(path); }
};

}  // namespace

void FindTransferTool(std::string& Tool) {
  std::string system_folder;
  SpecialFolderPath(Application().MainWindowHandle(), CSIDL_SYSTEM, system_folder);
  if (!system_folder.empty()) {
    const std::string curl = JoinPath(system_folder, "curl.exe");
    if (FileExists(curl)) {
      Tool = curl;
      return;
    }
  }
  Tool = JoinPath(ToolFolder(ProgramFolder()), "wget.exe");
}

DateTime FileWriteTime(const std::string& Path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  std::optional<DateTime> time;
  if (::GetFileAttributesExA(Path.c_str(), GetFileExInfoStandard, &data)) time = WriteTimeOf(data);
  if (!time) throw Exception("Unable to get last file write time for " + AnsiToUtf8(Path));
  return *time;
}

DownloadResult FetchFile(const std::string& tool, const std::string& url, const std::string& local_file,
                         std::uint16_t show_mode) {
  WindowsDownloadOperations ops;
  return FetchFile(ops, tool, url, local_file, show_mode);
}

DownloadResult DownloadIntoFolder(const std::string& tool, const std::string& url, const std::string& folder,
                                  std::uint16_t show_mode) {
  WindowsDownloadOperations ops;
  return DownloadIntoFolder(ops, tool, url, folder, show_mode);
}

void OpenWithShell(const std::string& file_or_url) {
  ::ShellExecuteA(Application().MainWindowHandle(), "open", file_or_url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

DownloadResult DownloadFileWithResult(const std::string& Url, const std::string& TargetPath, std::uint16_t ShowMode) {
  std::string tool;
  FindTransferTool(tool);
  return DownloadIntoFolder(tool, Url, DownloadTargetFolder(TargetPath, ProgramFolder()), ShowMode);
}

void DownloadFile(const std::string& Url, const std::string& TargetPath, bool RunAfterDownload,
                  std::uint16_t ShowMode) {
  const DownloadResult download = DownloadFileWithResult(Url, TargetPath, ShowMode);
  if (!RunAfterDownload || download.outcome == DownloadOutcome::UrlRefused || !FileExists(download.local_file)) {
    return;
  }
  if (AsciiUpperCase(ExtensionOf(download.local_file)) == ".EXE") {
    ShellExecuteAndWait(download.local_file, "", false, SW_SHOWNORMAL);
  } else {
    OpenWithShell(download.local_file);
  }
}

}  // namespace merovix
