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
#include "common/win/work_folder.h"
#include "framework/strings.h"
#include "framework/win/dialogs.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace merovix {
namespace {

bool IsTheListItself(const std::string& entry_name) { return AsciiUpperCase(entry_name) == "LOADANDRUN.INI"; }

// The list fetched into the work folder under its fixed name and held there
// (`ops`) until it is removed.
DownloadResult FetchList(WindowsDownloadOperations& ops, const std::string& tool, std::uint16_t show_mode) {
  const std::string folder = CheckedWorkFolder();
  if (folder.empty()) return WithoutWorkFolder(tool, DirectiveListUrl());
  return FetchFile(ops, tool, DirectiveListUrl(), JoinPath(folder, kWorkListName), show_mode, ListTransferLimit());
}

// A list no bigger than a fetch may bring: nothing more is read.
bool IsWithinListSize(const std::string& path) {
  const UniqueFileHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  return file && ::GetFileSizeEx(file.get(), &size) &&
         static_cast<std::uint64_t>(size.QuadPart) <= ListTransferLimit().bytes;
}

}  // namespace

void LoadAndRun(const std::string& EntryName, const std::string& TargetFolder, const std::string& Section, bool Run,
                std::uint16_t ShowMode) {
  std::string tool;
  FindTransferTool(tool);
  std::string folder = StripTrailingDelimiter(TargetFolder);
  if (folder.empty()) folder = ProgramFolder();
  std::string value, url;
  {
    WindowsDownloadOperations list_ops;
    const DownloadResult list = FetchList(list_ops, tool, ShowMode);
    if (list.Succeeded()) ReadIniSectionValue(EntryName, list.local_file, Section, value);
    if (!IsTheListItself(EntryName)) list_ops.RemoveFile(list.local_file);
  }
  SplitAtChar(value, '^', url);
  if (!url.empty()) {
    if (!IsSafeUrl(url)) return;  // never handed to a command line or the shell
    const std::string extension = AsciiUpperCase(ExtensionOf(DownloadFileName(url)));
    if (extension == ".EXE" || extension == ".PDF") {
      DownloadAndOpen(tool, url, folder, ShowMode, Run, InstallerSigner());
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
}

DownloadResult LoadDirectiveList(const std::string& Folder) {
  std::string tool;
  FindTransferTool(tool);
  WindowsDownloadOperations ops;
  const DownloadResult list_fetch = FetchList(ops, tool, SW_HIDE);
  const std::string path = Folder.empty() ? list_fetch.local_file : JoinPath(Folder, kWorkListName);
  // What came over the network is read only within the list's limit; a
  // file the caller names is the caller's.
  const bool readable = Folder.empty() ? list_fetch.Succeeded() && IsWithinListSize(path) : FileExists(path);
  if (DirectiveList && readable) {
    try {
      LoadFileLines(path, *DirectiveList);
      std::string converted;
      Utf8ToAnsi(DirectiveList->Text(), converted);
      DirectiveList->SetText(converted);
    } catch (...) {
      // An unreadable list leaves the caller's defaults in force.
    }
  }
  // The fetched copy goes in every case, also when it is read from elsewhere.
  if (!list_fetch.local_file.empty()) ops.RemoveFile(list_fetch.local_file);
  if (!Folder.empty()) ::DeleteFileA(path.c_str());
  return list_fetch;
}

}  // namespace merovix
