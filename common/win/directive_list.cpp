#include "common/win/directive_list.h"

#include <windows.h>

#include "common/download_host.h"
#include "common/paths.h"
#include "common/shared_state.h"
#include "common/transfer_commands.h"
#include "common/win/downloads.h"
#include "common/win/file_system.h"
#include "common/win/launch.h"
#include "common/win/program_folder.h"
#include "framework/strings.h"
#include "framework/win/dialogs.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace merovix {
namespace {

constexpr char kListFileName[] = "LoadAndRun.ini";

bool IsTheListItself(const std::string& entry_name) { return AsciiUpperCase(entry_name) == "LOADANDRUN.INI"; }

// LoadAndRun, telling how the fetch of the list went.
DownloadResult FetchListAndRun(const std::string& EntryName, const std::string& TargetFolder,
                               const std::string& Section, bool Run, std::uint16_t ShowMode) {
  const std::string list_path = LocalDirectiveListPath();
  DeleteOnExit delete_list(list_path, !IsTheListItself(EntryName));
  std::string tool;
  FindTransferTool(tool);
  std::string folder = StripTrailingDelimiter(TargetFolder);
  if (folder.empty()) folder = ProgramFolder();
  const DownloadResult list_fetch = FetchFile(tool, DirectiveListUrl(), list_path, ShowMode);

  std::string value, url;
  ReadIniSectionValue(EntryName, list_path, Section, value);
  SplitAtChar(value, '^', url);
  if (!url.empty()) {
    if (!IsSafeUrl(url)) return list_fetch;  // never handed to a command line or the shell
    const std::string file_name = DownloadFileName(url);
    const std::string extension = AsciiUpperCase(ExtensionOf(file_name));
    if (extension == ".EXE" || extension == ".PDF") {
      DownloadAndOpen(tool, url, folder, ShowMode, Run);
    } else if (Run) {
      OpenWithShell(url);
    }
  } else if (Run && !IsTheListItself(EntryName)) {
    // Nothing to download: a file of that name already in the target folder
    // is started instead, as far as there is one.
    const std::string local_file = JoinPath(folder, DownloadFileName(url));
    if (FileExists(local_file)) {
      ShellExecuteAndWait(local_file, "", false, SW_SHOWNORMAL);
    } else {
      ShowMessage(AnsiToUtf8(local_file) + " nicht gefunden!");
    }
  }
  return list_fetch;
}

}  // namespace

std::string LocalDirectiveListPath() { return JoinPath(ToolFolder(ProgramFolder()), kListFileName); }

void LoadAndRun(const std::string& EntryName, const std::string& TargetFolder, const std::string& Section, bool Run,
                std::uint16_t ShowMode) {
  FetchListAndRun(EntryName, TargetFolder, Section, Run, ShowMode);
}

DownloadResult LoadDirectiveList(const std::string& Folder) {
  const std::string fetched = LocalDirectiveListPath();
  // The fetched copy goes in every case, also when it is read from elsewhere.
  DeleteOnExit delete_fetched(fetched, true);
  const DownloadResult list_fetch = FetchListAndRun(kListFileName, "", "", false, SW_HIDE);

  const std::string path = Folder.empty() ? fetched : JoinPath(Folder, kListFileName);
  DeleteOnExit delete_read(path, true);
  if (!FileExists(path) || !DirectiveList) return list_fetch;
  try {
    LoadFileLines(path, *DirectiveList);
    std::string converted;
    Utf8ToAnsi(DirectiveList->Text(), converted);
    DirectiveList->SetText(converted);
  } catch (...) {
    // An unreadable list leaves the caller's defaults in force.
  }
  return list_fetch;
}

}  // namespace merovix
