#pragma once
// The command lines, current folders and texts that the launching operations
// hand to Windows, built piece by piece so that they can be checked without
// starting anything.
#include <string>
#include <string_view>

namespace merovix {

// `text` between two double quotes, unchanged inside.
std::string Quoted(std::string_view text);

// "ExePath" Parameters: the blank stands even when `Parameters` is empty.
std::string RunAndWaitCommandLine(std::string_view ExePath, std::string_view Parameters);

// The folder a program started by RunAndWait runs in: `ExePath` up to and
// including its last "\" or ":" (empty when it has none).
std::string RunAndWaitFolder(std::string_view ExePath);

// With `Quote`: "ExePath", followed by " \"Parameters\"" when there are
// parameters. Without: ExePath, a blank, Parameters.
std::string RunDetachedCommandLine(std::string_view ExePath, std::string_view Parameters, bool Quote);

// cmd.exe /C "Command"
std::string CapturedCommandLine(std::string_view Command);

// The folder the shell starts `FileName` in: up to its last "\" or ":", less
// a trailing "\" unless that follows ":" or "\" (so roots stay roots):
// C:\Tools\x.exe -> C:\Tools, C:\x.exe -> C:\, C:x.exe -> C:, x.exe -> "".
std::string ShellExecuteFolder(std::string_view FileName);

// The content of a signal file holding `Text`: its lines (CR LF, a lone LF or
// a lone CR ends one, a NUL byte ends the text), each followed by CR LF.
std::string SignalFileContent(std::string_view Text);

}  // namespace merovix
