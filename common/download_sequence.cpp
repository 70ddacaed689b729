#include "common/download_sequence.h"

#include "common/paths.h"
#include "common/transfer_commands.h"
#include "framework/strings.h"

namespace merovix {
namespace {

class Download {
 public:
  Download(DownloadOperations& ops, const std::string& tool, const std::string& url, std::string local_file,
           std::uint16_t show_mode, const TransferLimit& limit)
      : ops_(ops), show_mode_(show_mode), limit_(limit) {
    result_.tool = tool;
    result_.url = url;
    result_.local_file = std::move(local_file);
  }

  DownloadResult RefusedUrl() {
    result_.outcome = DownloadOutcome::UrlRefused;
    return result_;
  }

  DownloadResult NotPutInPlace() {
    result_.outcome = DownloadOutcome::NotPutInPlace;
    return result_;
  }

  const DownloadResult& Result() const { return result_; }

  // An earlier copy counts only while it is held as a plain file; one that
  // cannot be held goes, and the server's file is fetched.
  bool HeldEarlierCopy() {
    if (!ops_.FileExists(result_.local_file)) return false;
    if (ops_.HoldFile(result_.local_file)) return true;
    ops_.RemoveFile(result_.local_file);
    return false;
  }

  // Asks the server (curl's HEAD through cmd.exe and findstr) whether the
  // local file still carries the server's Last-Modified time.
  bool LocalCopyIsCurrent() {
    if (!HeldEarlierCopy()) return false;
    const DateTime local_time = ops_.FileWriteTime(result_.local_file);
    return IsLocalCopyCurrent(ops_.RunHeaderQuery(result_.tool, result_.url), local_time);
  }

  void Current() { result_.outcome = DownloadOutcome::Current; }

  // curl overwrites a new empty partial file of the run's own (and, with
  // --fail, leaves it untouched for an HTTP error); only a transfer that curl
  // reports complete and that wrote the file replaces the local file. The
  // move keeps the server's time that -R gave the partial file.
  void CurlTransfer() {
    result_.outcome = DownloadOutcome::NotPutInPlace;
    const std::string partial = ops_.CreatePartialFile(result_.local_file);
    if (partial.empty()) return;
    const std::optional<FileStamp> untouched = ops_.StampOf(partial);
    if (RunTool(CurlFetchParameters(partial, result_.url, limit_), partial) && ops_.StampOf(partial) != untouched) {
      Settle(partial);
    }
    if (!result_.Succeeded()) ops_.RemoveFile(partial);
  }

  // wget writes into a new staging folder of the run's own. For -N it finds
  // a copy of the current file there (with its time), so it still skips a
  // file that is not newer, and that copy comes back untouched. The folder is
  // never a bare drive, which wget would take for that drive's current folder.
  void WgetTransfer(bool timestamping) {
    result_.outcome = DownloadOutcome::NotPutInPlace;
    const bool earlier = timestamping && HeldEarlierCopy();
    const std::string staging = ops_.CreateStagingFolder(result_.local_file);
    if (staging.empty()) return;
    const std::string staged = JoinPath(staging, DownloadFileName(result_.url));
    std::optional<FileStamp> copied;
    bool staged_ok = true;
    if (earlier) {
      staged_ok = ops_.CopyNewFile(result_.local_file, staged);
      copied = ops_.StampOf(staged);
    }
    if (staged_ok && RunTool(WgetFetchParameters(staging, result_.url, timestamping), staged) &&
        ops_.IsRealFolder(staging)) {
      if (copied && ops_.StampOf(staged) == copied) {
        Current();
      } else {
        Settle(staged);
      }
    }
    ops_.RemoveStagingFolder(staging);
  }

  // A program must carry the expected signer's signature before anybody may
  // start it; the verdict is kept for the record of the run.
  DownloadResult Judged(const std::string& signer) {
    if (signer.empty() || !result_.Succeeded()) return result_;
    result_.signature = ops_.CheckSignature(result_.local_file, signer);
    if (*result_.signature != SignatureVerdict::kExpectedSigner) {
      ops_.RemoveFile(result_.local_file);
      result_.outcome = DownloadOutcome::Refused;
    }
    return result_;
  }

 private:
  // True when the tool ran and reported success within the limits.
  bool RunTool(const std::string& parameters, const std::string& output) {
    const ToolExit exit = ops_.RunTool(result_.tool, parameters, show_mode_, limit_, output);
    result_.exit_code = exit.exit_code;
    if (exit.past_limit) {
      result_.outcome = DownloadOutcome::PastLimit;
    } else if (!exit.exit_code) {
      result_.outcome = DownloadOutcome::NoTool;
    } else if (*exit.exit_code != 0) {
      result_.outcome = DownloadOutcome::ToolFailed;
    }
    return !exit.past_limit && exit.exit_code == std::optional<std::uint32_t>(0);
  }

  // The one way a fetched file becomes the local file: within the size
  // limit, and held from then on.
  void Settle(const std::string& fetched) {
    const std::optional<FileStamp> stamp = ops_.StampOf(fetched);
    if (stamp && stamp->size > limit_.bytes) {
      result_.outcome = DownloadOutcome::PastLimit;
      return;
    }
    const bool in_place = stamp && ops_.MoveReplacing(fetched, result_.local_file);
    result_.outcome = DownloadOutcome::NotPutInPlace;
    if (!in_place) return;
    if (ops_.HoldFile(result_.local_file)) {
      result_.outcome = DownloadOutcome::Fetched;
    } else {
      ops_.RemoveFile(result_.local_file);
    }
  }

  DownloadOperations& ops_;
  const std::uint16_t show_mode_;
  const TransferLimit limit_;
  DownloadResult result_;
};

// Safe on a command line, naming a file, and the file the caller named: the
// URL never chooses which local file is written.
bool IsDownloadableUrl(const std::string& url, const std::string& local_file) {
  const std::string name = DownloadFileName(url);
  return IsSafeUrl(url) && IsUsableFileName(name) && AsciiUpperCase(name) == AsciiUpperCase(LastSegment(local_file));
}

}  // namespace

DownloadResult DownloadToFile(DownloadOperations& ops, const std::string& tool, const std::string& url,
                              const std::string& local_file, std::uint16_t show_mode, const TransferLimit& limit,
                              const std::string& signer) {
  Download download(ops, tool, url, local_file, show_mode, limit);
  if (!IsDownloadableUrl(url, local_file)) return download.RefusedUrl();
  if (!IsCurlTool(tool)) {
    download.WgetTransfer(true);
  } else if (download.LocalCopyIsCurrent()) {
    download.Current();
  } else {
    download.CurlTransfer();
  }
  return download.Judged(signer);
}

DownloadResult DownloadIntoFolder(DownloadOperations& ops, const std::string& tool, const std::string& url,
                                  const std::string& folder, std::uint16_t show_mode, const TransferLimit& limit,
                                  const std::string& signer) {
  return DownloadToFile(ops, tool, url, JoinPath(folder, DownloadFileName(url)), show_mode, limit, signer);
}

DownloadResult FetchFile(DownloadOperations& ops, const std::string& tool, const std::string& url,
                         const std::string& local_file, std::uint16_t show_mode, const TransferLimit& limit) {
  Download download(ops, tool, url, local_file, show_mode, limit);
  if (!IsDownloadableUrl(url, local_file)) return download.RefusedUrl();
  ops.RemoveFile(local_file);
  if (ops.FileExists(local_file)) return download.NotPutInPlace();
  if (IsCurlTool(tool)) {
    download.CurlTransfer();
  } else {
    download.WgetTransfer(false);
  }
  return download.Result();
}

}  // namespace merovix
