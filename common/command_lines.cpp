#include "common/command_lines.h"

#include "common/paths.h"
#include "framework/string_list.h"

namespace merovix {

std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted.append(1, '"').append(text).append(1, '"');
  return quoted;
}

std::string RunAndWaitCommandLine(std::string_view ExePath, std::string_view Parameters) {
  return Quoted(ExePath).append(" ").append(Parameters);
}

std::string RunAndWaitFolder(std::string_view ExePath) { return FolderPart(ExePath); }

std::string RunDetachedCommandLine(std::string_view ExePath, std::string_view Parameters, bool Quote) {
  if (!Quote) return std::string(ExePath).append(" ").append(Parameters);
  std::string line = Quoted(ExePath);
  if (!Parameters.empty()) line.append(" ").append(Quoted(Parameters));
  return line;
}

std::string CapturedCommandLine(std::string_view Command) { return "cmd.exe /C " + Quoted(Command); }

std::string ShellExecuteFolder(std::string_view FileName) {
  std::string folder = FolderPart(FileName);
  const size_t n = folder.size();
  if (n >= 2 && folder[n - 1] == '\\' && folder[n - 2] != ':' && folder[n - 2] != '\\') folder.pop_back();
  return folder;
}

std::string SignalFileContent(std::string_view Text) {
  TStringList lines;
  lines.SetText(Text);
  return lines.Text();
}

}  // namespace merovix
