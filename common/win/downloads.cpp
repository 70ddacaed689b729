#include "common/win/downloads.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "common/download_host.h"
#include "common/paths.h"
#include "common/transfer_commands.h"
#include "common/win/file_system.h"
#include "common/win/launch.h"
#include "common/win/program_folder.h"
#include "common/win/signature.h"
#include "common/win/work_folder.h"
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

// Number of fresh names tried for a partial file or staging folder: a name
// that exists already means somebody planted something there.
constexpr int kNameAttempts = 4;

// The first of a few fresh names under which `create` makes a new object,
// or nothing when each name was taken or the object cannot be made.
template <typename Create>
std::string FirstNewName(std::string (*name)(std::string_view, std::string_view), const std::string& local_file,
                         Create create) {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string path = name(local_file, RandomHex());
    if (create(path)) return path;
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return {};
}

// How often a running transfer is looked at (its time, and the size of what
// it wrote), and how long curl gets past the limit to end itself (it knows
// the limit) before it is ended.
constexpr DWORD kTransferWatchMs = 250;
constexpr DWORD kToolGraceMs = 3000;

std::uint64_t CurrentSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

bool IsEmptyFolder(const std::string& folder) {
  WIN32_FIND_DATAA entry{};
  const UniqueFindHandle find(::FindFirstFileA(JoinPath(folder, "*").c_str(), &entry));
  if (!find) return false;
  do {
    if (std::string_view(entry.cFileName) != "." && std::string_view(entry.cFileName) != "..") return false;
  } while (::FindNextFileA(find.get(), &entry));
  return true;
}

}  // namespace

void WindowsDownloadOperations::Hold(const std::string& path, UniqueFileHandle handle) {
  Release(path);
  held_.emplace_back(path, std::move(handle));
}

void WindowsDownloadOperations::Release(const std::string& path) {
  std::erase_if(held_, [&](const auto& held) { return held.first == path; });
}

bool WindowsDownloadOperations::FileExists(const std::string& path) { return merovix::FileExists(path); }

DateTime WindowsDownloadOperations::FileWriteTime(const std::string& path) { return merovix::FileWriteTime(path); }

std::optional<FileStamp> WindowsDownloadOperations::StampOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  const std::optional<DateTime> time = WriteTimeOf(data);
  if (!time) return std::nullopt;
  return FileStamp{*time, (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow};
}

std::string WindowsDownloadOperations::RunHeaderQuery(const std::string& curl, const std::string& url) {
  std::string output;
  merovix::RunCommandCaptured(HeaderQueryCommand(curl, url, SystemProgram("findstr.exe")), "C:\\", output);
  return output;
}

ToolExit WindowsDownloadOperations::RunTool(const std::string& tool, const std::string& parameters,
                                            std::uint16_t show_mode, const TransferLimit& limit,
                                            const std::string& output) {
  UniqueProcessInformation started;
  if (!StartProgram(tool, parameters, show_mode, started)) return {};
  const ULONGLONG deadline = ::GetTickCount64() + ULONGLONG{limit.seconds} * 1000 + kToolGraceMs;
  for (;;) {
    const ULONGLONG now = ::GetTickCount64();
    const DWORD slice = now >= deadline ? 0
                                        : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, kTransferWatchMs));
    const DWORD waited = ::WaitForSingleObject(started.process(), slice);
    if (waited == WAIT_OBJECT_0) break;
    const bool past_limit = waited == WAIT_TIMEOUT &&
                            (::GetTickCount64() >= deadline || CurrentSize(output) > limit.bytes);
    if (waited != WAIT_TIMEOUT || past_limit) {
      ::TerminateProcess(started.process(), 1);
      ::WaitForSingleObject(started.process(), kToolGraceMs);
      return {std::nullopt, past_limit};
    }
  }
  DWORD code = 0;
  if (!::GetExitCodeProcess(started.process(), &code)) return {};
  return {code, false};
}

void WindowsDownloadOperations::RemoveFile(const std::string& path) {
  Release(path);
  // DeleteFile removes a link itself, never its target.
  ::DeleteFileA(path.c_str());
}

bool WindowsDownloadOperations::CopyNewFile(const std::string& from, const std::string& to) {
  const DWORD attributes = ::GetFileAttributesA(from.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return false;
  return ::CopyFileA(from.c_str(), to.c_str(), TRUE) != FALSE;
}

bool WindowsDownloadOperations::MoveReplacing(const std::string& from, const std::string& to) {
  Release(from);
  Release(to);
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::string WindowsDownloadOperations::CreatePartialFile(const std::string& local_file) {
  return FirstNewName(CurlPartialFile, local_file, [this](const std::string& path) {
    // Reading access makes the share mode count: curl may write, nobody may
    // delete or rename the file meanwhile.
    UniqueFileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    Hold(path, std::move(file));
    return true;
  });
}

std::string WindowsDownloadOperations::CreateStagingFolder(const std::string& local_file) {
  const std::string folder = FirstNewName(WgetStagingFolder, local_file, [](const std::string& path) {
    return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
  });
  if (folder.empty()) return {};
  UniqueFileHandle pinned = PinFolder(folder);
  // Somebody may have replaced the new folder before it was pinned: then it
  // is not the run's, and it is left alone.
  if (!pinned || !merovix::IsRealFolder(folder) || !IsEmptyFolder(folder)) return {};
  Hold(folder, std::move(pinned));
  return folder;
}

bool WindowsDownloadOperations::IsRealFolder(const std::string& folder) { return merovix::IsRealFolder(folder); }

void WindowsDownloadOperations::RemoveStagingFolder(const std::string& folder) {
  Release(folder);
  RemoveFolderAndFiles(folder);
}

bool WindowsDownloadOperations::HoldFile(const std::string& path) {
  UniqueFileHandle held = HoldPlainFile(path);
  if (!held) return false;
  Hold(path, std::move(held));
  return true;
}

SignatureVerdict WindowsDownloadOperations::CheckSignature(const std::string& path, const std::string& signer) {
  UniqueFileHandle held;
  // The build's pinned keys belong to the build's signer, the only one named.
  const SignatureVerdict verdict = CheckAndHoldFile(path, signer, InstallerSignerKeys(), held);
  if (held) Hold(path, std::move(held));
  return verdict;
}

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

void OpenWithShell(const std::string& file_or_url) {
  ::ShellExecuteA(Application().MainWindowHandle(), "open", file_or_url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void DownloadAndOpen(const std::string& tool, const std::string& url, const std::string& folder,
                     std::uint16_t show_mode, bool open, const std::string& signer) {
  WindowsDownloadOperations ops;  // holds the file until it has been started or opened
  const DownloadResult download = DownloadIntoFolder(ops, tool, url, folder, show_mode, InstallerTransferLimit(),
                                                     signer);
  if (!open || download.outcome == DownloadOutcome::UrlRefused || !FileExists(download.local_file)) return;
  // An earlier copy that this download did not confirm was never checked.
  if (!signer.empty() && !download.Succeeded()) return;
  if (AsciiUpperCase(ExtensionOf(download.local_file)) == ".EXE") {
    ShellExecuteAndWait(download.local_file, "", false, SW_SHOWNORMAL);
  } else {
    OpenWithShell(download.local_file);
  }
}

DownloadResult DownloadFileWithResult(const std::string& Url, const std::string& TargetPath, std::uint16_t ShowMode,
                                      WindowsDownloadOperations& Ops, const std::string& Signer) {
  std::string tool;
  FindTransferTool(tool);
  return DownloadIntoFolder(Ops, tool, Url, DownloadTargetFolder(TargetPath, ProgramFolder()), ShowMode,
                            InstallerTransferLimit(), Signer);
}

DownloadResult WithoutWorkFolder(const std::string& tool, const std::string& url) {
  DownloadResult nowhere;
  nowhere.outcome = DownloadOutcome::NoWorkFolder;
  nowhere.tool = tool;
  nowhere.url = url;
  return nowhere;
}

DownloadResult DownloadInstaller(const std::string& Url, std::uint16_t ShowMode, WindowsDownloadOperations& Ops,
                                 const std::string& Signer) {
  std::string tool;
  FindTransferTool(tool);
  const std::string folder = CheckedWorkFolder();
  if (folder.empty()) return WithoutWorkFolder(tool, Url);
  return DownloadToFile(Ops, tool, Url, JoinPath(folder, kWorkInstallerName), ShowMode, InstallerTransferLimit(),
                        Signer);
}

void DownloadFile(const std::string& Url, const std::string& TargetPath, bool RunAfterDownload,
                  std::uint16_t ShowMode) {
  std::string tool;
  FindTransferTool(tool);
  const bool program = AsciiUpperCase(ExtensionOf(DownloadFileName(Url))) == ".EXE";
  DownloadAndOpen(tool, Url, DownloadTargetFolder(TargetPath, ProgramFolder()), ShowMode, RunAfterDownload,
                  RunAfterDownload && program ? InstallerSigner() : std::string());
}

}  // namespace merovix
