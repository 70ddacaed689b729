#include "common/download_sequence.h"

#include "common/transfer_commands.h"

namespace merovix {
namespace {

class Download {
 public:
  Download(DownloadOperations& ops, const std::string& tool, const std::string& url, std::string local_file,
           std::uint16_t show_mode)
      : ops_(ops), show_mode_(show_mode) {
    result_.tool = tool;
    result_.url = url;
    result_.local_file = std::move(local_file);
  }

  DownloadResult Refused() {
    result_.outcome = DownloadOutcome::UrlRefused;
    return result_;
  }

  // Asks the server (curl's HEAD through cmd.exe and findstr) whether the
  // local file still carries the server's Last-Modified time.
  bool LocalCopyIsCurrent() {
    if (!ops_.FileExists(result_.local_file)) return false;
    const DateTime local_time = ops_.FileWriteTime(result_.local_file);
    return IsLocalCopyCurrent(ops_.RunHeaderQuery(result_.tool, result_.url), local_time);
  }

  DownloadResult Current() {
    result_.outcome = DownloadOutcome::Current;
    return result_;
  }

  // curl writes into a partial file (and, with --fail, nothing for an HTTP
  // error); only a transfer that curl reports complete replaces the file. The
  // move keeps the server's time that -R gave the partial file.
  DownloadResult CurlTransfer() {
    const std::string partial = CurlPartialFile(result_.local_file);
    ops_.RemoveFile(partial);
    if (RunTool(CurlFetchParameters(partial, result_.url))) Settle(partial);
    if (!result_.Succeeded()) ops_.RemoveFile(partial);
    return result_;
  }

  // wget writes into a staging folder of its own. For -N it finds a copy of
  // the current file there (with its time), so it still skips a file that is
  // not newer, and that copy comes back untouched. The folder is never a bare
  // drive, which wget would take for that drive's current folder.
  DownloadResult WgetTransfer(bool timestamping) {
    const std::string staging = WgetStagingFolder(result_.local_file);
    ops_.RemoveFolder(staging);
    result_.outcome = DownloadOutcome::NotPutInPlace;
    if (!ops_.CreateFolder(staging)) return result_;
    const std::string staged = JoinPath(staging, DownloadFileName(result_.url));
    std::optional<FileStamp> copied;
    if (timestamping && ops_.FileExists(result_.local_file)) {
      ops_.CopyNewFile(result_.local_file, staged);
      copied = ops_.StampOf(staged);
    }
    if (RunTool(WgetFetchParameters(staging, result_.url, timestamping))) {
      if (copied && ops_.StampOf(staged) == copied) {
        result_.outcome = DownloadOutcome::Current;
      } else {
        Settle(staged);
      }
    }
    ops_.RemoveFolder(staging);
    return result_;
  }

 private:
  // True when the tool ran and reported success.
  bool RunTool(const std::string& parameters) {
    result_.exit_code = ops_.RunTool(result_.tool, parameters, show_mode_);
    if (!result_.exit_code) {
      result_.outcome = DownloadOutcome::NoTool;
    } else if (*result_.exit_code != 0) {
      result_.outcome = DownloadOutcome::ToolFailed;
    }
    return result_.exit_code == std::optional<std::uint32_t>(0);
  }

  // The one way a fetched file becomes the local file: whatever judges a
  // fetched file (and may answer Refused) belongs here, before the move.
  void Settle(const std::string& fetched) {
    const bool in_place = ops_.FileExists(fetched) && ops_.MoveReplacing(fetched, result_.local_file);
    result_.outcome = in_place ? DownloadOutcome::Fetched : DownloadOutcome::NotPutInPlace;
  }

  DownloadOperations& ops_;
  const std::uint16_t show_mode_;
  DownloadResult result_;
};

bool IsDownloadableUrl(const std::string& url) { return IsSafeUrl(url) && IsUsableFileName(DownloadFileName(url)); }

}  // namespace

DownloadResult DownloadIntoFolder(DownloadOperations& ops, const std::string& tool, const std::string& url,
                                  const std::string& folder, std::uint16_t show_mode) {
  Download download(ops, tool, url, JoinPath(folder, DownloadFileName(url)), show_mode);
  if (!IsDownloadableUrl(url)) return download.Refused();
  if (!IsCurlTool(tool)) return download.WgetTransfer(true);
  if (download.LocalCopyIsCurrent()) return download.Current();
  return download.CurlTransfer();
}

DownloadResult FetchFile(DownloadOperations& ops, const std::string& tool, const std::string& url,
                         const std::string& local_file, std::uint16_t show_mode) {
  Download download(ops, tool, url, local_file, show_mode);
  if (!IsDownloadableUrl(url)) return download.Refused();
  ops.RemoveFile(local_file);
  return IsCurlTool(tool) ? download.CurlTransfer() : download.WgetTransfer(false);
}

}  // namespace merovix
