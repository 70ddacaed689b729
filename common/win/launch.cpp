#include "common/win/launch.h"

#include <shellapi.h>
#include <shlobj.h>

#include <memory>

#include "common/command_lines.h"
#include "common/win/file_system.h"
#include "framework/exceptions.h"
#include "framework/win/application.h"
#include "framework/win/handles.h"
#include "framework/win/system_folder.h"
#include "framework/win/text.h"

namespace merovix {
namespace {

// CreateProcessA's current folder: NULL (the caller's own) for an empty text,
// which Windows would refuse.
const char* FolderOrNull(const std::string& folder) { return folder.empty() ? nullptr : folder.c_str(); }

STARTUPINFOA StartupInfoShowing(std::uint16_t show_mode) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show_mode;
  return startup;
}

// Waits for `process` without time limit and reads how it ended.
std::optional<std::uint32_t> WaitForExitCode(HANDLE process) {
  if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(process, &code)) return std::nullopt;
  return code;
}

struct Outcome {
  bool created = false;
  std::optional<std::uint32_t> exit_code;
};

bool Start(const std::string& ExePath, const std::string& Parameters, std::uint16_t ShowMode,
           const std::string& WorkingFolder, UniqueProcessInformation& started) {
  std::string command_line = RunAndWaitCommandLine(ExePath, Parameters);
  const std::string folder = WorkingFolder.empty() ? RunAndWaitFolder(ExePath) : WorkingFolder;
  STARTUPINFOA startup = StartupInfoShowing(ShowMode);
  return CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, nullptr, FolderOrNull(folder), &startup,
                        started.put()) != FALSE;
}

Outcome RunToEnd(const std::string& ExePath, const std::string& Parameters, std::uint16_t ShowMode,
                 const std::string& WorkingFolder = "") {
  UniqueProcessInformation started;
  if (!Start(ExePath, Parameters, ShowMode, WorkingFolder, started)) return {};
  return {true, WaitForExitCode(started.process())};
}

// Appends everything that arrives on `pipe` to `output` until the last
// write end is closed. Every byte is kept, NUL bytes included. A read takes
// all that the pipe holds, up to 64 KiB: a command with much output then
// costs a few calls per 64 KiB instead of one per 255 bytes.
void DrainPipe(HANDLE pipe, std::string& output) {
  constexpr DWORD kReadSize = 64 * 1024;
  const auto buffer = std::make_unique<char[]>(kReadSize);
  DWORD read = 0;
  while (ReadFile(pipe, buffer.get(), kReadSize, &read, nullptr) && read > 0) output.append(buffer.get(), read);
}

// Replaces the content of `path`; errors are dropped, the caller only asked
// for the file to appear.
void WriteWholeFile(const std::string& path, const std::string& content) {
  const UniqueFileHandle file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) WriteAll(file.get(), content);
}

}  // namespace

std::uint32_t ShellExecuteAndWait(const std::string& FileName, const std::string& Parameters, bool Wait,
                                  std::uint16_t ShowMode) {
  if (FileName.empty()) return kNoExitCode;
  const std::string file = Quoted(FileName);
  const std::string folder = Quoted(ShellExecuteFolder(FileName));
  SHELLEXECUTEINFOA info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  // The shell's own error box for a file it cannot open would wait for a
  // user who is not there.
  if (Application().Unattended()) info.fMask |= SEE_MASK_FLAG_NO_UI;
  info.hwnd = GetForegroundWindow();
  info.lpVerb = "open";
  info.lpFile = file.c_str();
  info.lpParameters = Parameters.c_str();
  info.lpDirectory = folder.c_str();
  info.nShow = ShowMode;
  // The result is not needed: the process handle tells whether a process runs.
  ShellExecuteExA(&info);
  const UniqueHandle process(info.hProcess);
  if (!process) return kNoExitCode;
  if (Wait) return WaitForExitCode(process.get()).value_or(kNoExitCode);
  DWORD code = 0;
  return GetExitCodeProcess(process.get(), &code) ? code : kNoExitCode;
}

bool RunAndWait(const std::string& ExePath, const std::string& Parameters, std::uint16_t ShowMode) {
  return RunToEnd(ExePath, Parameters, ShowMode).created;
}

std::optional<std::uint32_t> RunAndWaitForExitCode(const std::string& ExePath, const std::string& Parameters,
                                                   std::uint16_t ShowMode) {
  return RunToEnd(ExePath, Parameters, ShowMode).exit_code;
}

std::optional<std::uint32_t> RunAndWaitForExitCodeIn(const std::string& ExePath, const std::string& Parameters,
                                                     std::uint16_t ShowMode, const std::string& WorkingFolder) {
  return RunToEnd(ExePath, Parameters, ShowMode, WorkingFolder).exit_code;
}

bool StartProgram(const std::string& ExePath, const std::string& Parameters, std::uint16_t ShowMode,
                  UniqueProcessInformation& Started) {
  return Start(ExePath, Parameters, ShowMode, "", Started);
}

void RunDetached(const std::string& ExePath, const std::string& Parameters, std::uint16_t ShowMode, bool Quote,
                 UniqueProcessInformation& ProcessInfo) {
  std::string command_line = RunDetachedCommandLine(ExePath, Parameters, Quote);
  // In its own folder: this program's current folder is the System folder.
  const std::string folder = RunAndWaitFolder(ExePath);
  STARTUPINFOA startup = StartupInfoShowing(ShowMode);
  // Filled only on success, so a failure cannot leave stray values behind.
  UniqueProcessInformation started;
  // The program runs on for its user: it must not inherit the error mode of
  // an unattended run, which would hide its own error boxes.
  if (CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE,
                     CREATE_NEW_CONSOLE | CREATE_NEW_PROCESS_GROUP | CREATE_DEFAULT_ERROR_MODE, nullptr,
                     FolderOrNull(folder), &startup, started.put())) {
    ProcessInfo = std::move(started);
  }
}

void RunCommandCaptured(const std::string& Command, const std::string& WorkingFolder, std::string& Output) {
  Output.clear();
  SECURITY_ATTRIBUTES inheritable{};
  inheritable.nLength = sizeof(inheritable);
  inheritable.bInheritHandle = TRUE;
  UniqueHandle read_end;
  UniqueHandle write_end;
  // Without a pipe the command still runs (a taskkill must still happen);
  // only its output is lost.
  const bool capture = CreatePipe(read_end.put(), write_end.put(), &inheritable, 0);

  STARTUPINFOA startup = StartupInfoShowing(SW_HIDE);
  if (capture) {
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = write_end.get();
    startup.hStdError = write_end.get();
  }
  std::string command_line = CapturedCommandLine(Command);
  // The interpreter by its full path: a bare "cmd.exe" would be looked up in
  // this program's folder and the current folder first.
  const std::string interpreter = SystemProgram("cmd.exe");
  UniqueProcessInformation started;
  const BOOL created = !interpreter.empty() && CreateProcessA(interpreter.c_str(), command_line.data(), nullptr,
                                                              nullptr, capture ? TRUE : FALSE, 0, nullptr,
                                                              FolderOrNull(WorkingFolder), &startup, started.put());
  // Only the command and what it starts may hold the write end now, so the
  // pipe ends when they all have ended.
  write_end.reset();
  if (!created) return;
  // Drain first: a command with much output would block on a full pipe.
  if (capture) DrainPipe(read_end.get(), Output);
  WaitForSingleObject(started.process(), INFINITE);
}

bool RunCommand(const std::string& Command) {
  std::string discarded;
  RunCommandCaptured(Command, "C:\\", discarded);
  return true;
}

bool CreateSignalFile(const std::string& Path, const std::string& Text, bool Overwrite) {
  bool created = false;
  if (!FileExists(Path)) {
    // CREATE_NEW: a file that another program creates meanwhile is left alone.
    const UniqueFileHandle file(
        CreateFileA(Path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) {
      created = true;
    } else if (GetLastError() != ERROR_FILE_EXISTS || !FileExists(Path)) {
      throw EFCreateError(AnsiToUtf8(Path));
    }
  }
  if (!Text.empty() && (Overwrite || created)) WriteWholeFile(Path, SignalFileContent(Text));
  return created;
}

void SpecialFolderPath(HWND OwnerWindow, int FolderId, std::string& Path) {
  Path.clear();
  LPITEMIDLIST items = nullptr;
  const HRESULT found = SHGetSpecialFolderLocation(OwnerWindow, FolderId, &items);
  // The shell's allocator is the COM task allocator.
  const UniqueCoTaskMem owned(items);
  if (FAILED(found) || items == nullptr) return;
  char buffer[MAX_PATH + 1] = {};
  if (SHGetPathFromIDListA(items, buffer)) Path = buffer;
}

}  // namespace merovix
