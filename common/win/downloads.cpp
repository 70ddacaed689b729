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

bool TransferSucceeded(const std::string& tool, const std::string& parameters, std::uint16_t show_mode) {
  const std::optional<std::uint32_t> exit_code = RunAndWaitForExitCode(tool, parameters, show_mode);
  return exit_code && *exit_code == 0;
}

// curl writes into a partial file (and, with --fail, nothing for an HTTP
// error); only a transfer that curl reports complete replaces the file. The
// rename keeps the server's time that -R gave the partial file.
void CurlTransfer(const std::string& tool, const std::string& url, const std::string& local_file,
                  std::uint16_t show_mode) {
  const std::string partial = CurlPartialFile(local_file);
  ::DeleteFileA(partial.c_str());
  if (TransferSucceeded(tool, CurlFetchParameters(partial, url), show_mode) && FileExists(partial) &&
      ::MoveFileExA(partial.c_str(), local_file.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    return;
  }
  ::DeleteFileA(partial.c_str());
}

// wget writes into a staging folder of its own. For -N it finds a copy of the
// current file there (with its time), so it still skips a file that is not
// newer; whatever it leaves replaces the file only after it reported success.
// The folder is never a bare drive, which wget would take for that drive's
// current folder.
void WgetTransfer(const std::string& tool, const std::string& url, const std::string& local_file,
                  const std::string& file_name, bool timestamping, std::uint16_t show_mode) {
  const std::string staging = WgetStagingFolder(local_file);
  RemoveFolderAndFiles(staging);
  ::CreateDirectoryA(staging.c_str(), nullptr);
  const std::string staged = JoinPath(staging, file_name);
  if (timestamping && FileExists(local_file)) ::CopyFileA(local_file.c_str(), staged.c_str(), TRUE);
  if (TransferSucceeded(tool, WgetFetchParameters(staging, url, timestamping), show_mode) && FileExists(staged)) {
    ::MoveFileExA(staged.c_str(), local_file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
  }
  RemoveFolderAndFiles(staging);
}

// Asks the server (curl's HEAD through cmd.exe and findstr) whether the local
// file still carries the server's Last-Modified time.
bool LocalCopyIsCurrent(const std::string& curl, const std::string& url, const std::string& local_file) {
  const DateTime local_time = FileWriteTime(local_file);
  std::string output;
  RunCommandCaptured(HeaderQueryCommand(curl, url, SystemProgram("findstr.exe")), "C:\\", output);
  return IsLocalCopyCurrent(output, local_time);
}

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
  SYSTEMTIME t{};
  if (!::GetFileAttributesExA(Path.c_str(), GetFileExInfoStandard, &data) ||
      !::FileTimeToSystemTime(&data.ftLastWriteTime, &t)) {
    throw Exception("Unable to get last file write time for " + AnsiToUtf8(Path));
  }
  return DateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

void FetchFile(const std::string& tool, const std::string& url, const std::string& local_file,
               std::uint16_t show_mode) {
  // A copy left over from an earlier run must never be taken for this fetch.
  ::DeleteFileA(local_file.c_str());
  if (IsCurlTool(tool)) {
    CurlTransfer(tool, url, local_file, show_mode);
  } else {
    WgetTransfer(tool, url, local_file, DownloadFileName(url), false, show_mode);
  }
}

void DownloadIntoFolder(const std::string& tool, const std::string& url, const std::string& folder,
                        const std::string& file_name, std::uint16_t show_mode) {
  if (!IsSafeUrl(url) || !IsUsableFileName(file_name)) return;
  const std::string local_file = JoinPath(folder, file_name);
  const bool curl = IsCurlTool(tool);
  if (curl && FileExists(local_file) && LocalCopyIsCurrent(tool, url, local_file)) return;
  if (curl) {
    CurlTransfer(tool, url, local_file, show_mode);
  } else {
    WgetTransfer(tool, url, local_file, file_name, true, show_mode);
  }
}

void OpenWithShell(const std::string& file_or_url) {
  ::ShellExecuteA(Application().MainWindowHandle(), "open", file_or_url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void DownloadFile(const std::string& Url, const std::string& TargetPath, bool RunAfterDownload,
                  std::uint16_t ShowMode) {
  const std::string file_name = DownloadFileName(Url);
  if (!IsSafeUrl(Url) || !IsUsableFileName(file_name)) return;
  std::string tool;
  FindTransferTool(tool);
  const std::string folder = DownloadTargetFolder(TargetPath, ProgramFolder());
  DownloadIntoFolder(tool, Url, folder, file_name, ShowMode);

  const std::string local_file = JoinPath(folder, file_name);
  if (!RunAfterDownload || !FileExists(local_file)) return;
  if (AsciiUpperCase(ExtensionOf(file_name)) == ".EXE") {
    ShellExecuteAndWait(local_file, "", false, SW_SHOWNORMAL);
  } else {
    OpenWithShell(local_file);
  }
}

}  // namespace merovix
