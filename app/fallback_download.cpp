#include "app/fallback_download.h"

#include "app/update_run.h"
#include "common/paths.h"

namespace merovix {

void RunFallbackDownload(FallbackOperations& ops, const std::string& url, const std::string& update_file_name) {
  ops.Beep();
  if (!ops.Warn(kNotTheProductPc)) {
    ops.ShowPlainMessage(kUpdateCancelled);
    return;
  }
  std::string folder;
  if (!ops.ChooseFolder(folder)) return;
  RunRecord record(ops);
  record.FolderChosen(folder);
  // A confirmed item without a file-system path ("Computer", "Network")
  // leaves an empty selection or a display name: never a folder to write to.
  if (!IsFullyQualifiedPath(folder) || !ops.DirectoryExists(folder)) {
    ops.ShowPlainMessage(kUpdateFileFailed);
    return;
  }

  const std::string local_installer = StripTrailingDelimiter(folder) + "\\" + update_file_name;
  if (ops.FileExists(local_installer)) ops.RemoveFile(local_installer);
  // An earlier copy that could not be removed must not pass for the download.
  if (!ops.FileExists(local_installer)) {
    const DownloadResult download = ops.DownloadFile(url, folder + "\\" + update_file_name, kSwShowNormal);
    record.Transfer("des Updates", download);
    if (download.Succeeded() && ops.FileExists(local_installer)) {
      ops.ShowPlainMessage(kUpdateFileDownloaded);
      return;
    }
  }
  ops.ShowPlainMessage(kUpdateFileFailed);
}

}  // namespace merovix
