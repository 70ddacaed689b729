#pragma once
// Starting programs, running commands through cmd.exe with their output
// captured, signal files, and special folders.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "framework/win/handles.h"

namespace merovix {

// What ShellExecuteAndWait returns when there is no exit code to tell: no
// process came back (an empty `FileName`, a file the shell cannot open, a
// document handed to a program that already runs) or its code was unreadable.
inline constexpr std::uint32_t kNoExitCode = 0xFFFFFFFF;

// Hands `FileName` to the shell (verb "open"); with `Wait`, waits for the
// process. Returns its exit code (STILL_ACTIVE without waiting), or
// kNoExitCode.
std::uint32_t ShellExecuteAndWait(const std::string& FileName, const std::string& Parameters, bool Wait,
                                  std::uint16_t ShowMode);

// Starts `ExePath` with `Parameters` in the program's own folder and waits
// until it ends. True when the process was created.
bool RunAndWait(const std::string& ExePath, const std::string& Parameters, std::uint16_t ShowMode);

// RunAndWait that also reports how the program ended: its exit code, or
// nothing when it could not be started or its exit code could not be read.
std::optional<std::uint32_t> RunAndWaitForExitCode(const std::string& ExePath, const std::string& Parameters,
                                                   std::uint16_t ShowMode);

// RunAndWaitForExitCode with `WorkingFolder` as the program's current folder.
std::optional<std::uint32_t> RunAndWaitForExitCodeIn(const std::string& ExePath, const std::string& Parameters,
                                                     std::uint16_t ShowMode, const std::string& WorkingFolder);

// Starts a program as RunAndWait does and returns at once; `Started` owns
// its handles. False when it could not be started.
bool StartProgram(const std::string& ExePath, const std::string& Parameters, std::uint16_t ShowMode,
                  UniqueProcessInformation& Started);

// Starts a program in its own folder (the caller's current folder when
// `ExePath` has none) and returns at once; `ProcessInfo` then owns its
// handles. When the program cannot be started, `ProcessInfo` keeps what it
// held.
void RunDetached(const std::string& ExePath, const std::string& Parameters, std::uint16_t ShowMode, bool Quote,
                 UniqueProcessInformation& ProcessInfo);

// Runs `Command` through "cmd.exe /C" (the System folder's cmd.exe) in
// `WorkingFolder`, hidden, and returns every byte it wrote to standard output
// and standard error, NUL bytes included. Without a pipe the command still
// runs and `Output` stays empty.
void RunCommandCaptured(const std::string& Command, const std::string& WorkingFolder, std::string& Output);

// RunCommandCaptured in "C:\" with the output thrown away; always true.
bool RunCommand(const std::string& Command);

// Creates `Path` empty unless a file is there; writes `Text` as CR LF lines
// when given (and `Overwrite` or newly created). True when this call created
// the file. Raises EFCreateError when the file cannot be created.
bool CreateSignalFile(const std::string& Path, const std::string& Text, bool Overwrite);

// The path of a special folder (CSIDL), without trailing backslash; empty
// when the shell cannot resolve it.
void SpecialFolderPath(HWND OwnerWindow, int FolderId, std::string& Path);

}  // namespace merovix
