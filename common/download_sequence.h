#pragma once
// The decisions of one download through the transfer tool, over the few file
// and process operations they need: the freshness check, the transfer into a
// partial file (curl) or a staging folder (wget) within a time and size
// limit, putting the fetched file in place and holding it, and the signature
// check of a program. What happened comes back as a DownloadResult.
#include <cstdint>
#include <optional>
#include <string>

#include "common/freshness.h"
#include "common/signature_rules.h"

namespace merovix {

enum class DownloadOutcome : std::uint8_t {
  Fetched,        // transferred now and put in place
  Current,        // the local copy is the server's: nothing was transferred
  UrlRefused,     // unsafe on a command line, or names no file: nothing ran
  NoTool,         // the tool could not be started, or told no exit code
  ToolFailed,     // the tool ended with an exit code other than 0
  NotPutInPlace,  // no staging place, no file left by the tool, or it could not replace the local file
  Refused,        // the file (fetched or current) lacks the expected signature: it was deleted
  PastLimit,      // the transfer ran past its time or size limit: ended, nothing kept
  NoWorkFolder,   // the private work folder could not be had: nothing ran
};

// How long one transfer may take, and how many bytes it may bring.
struct TransferLimit {
  std::uint32_t seconds = 0;
  std::uint64_t bytes = 0;
};

// How the tool's run ended: its exit code (nothing when it did not start or
// told none), or ended by the caller past the time or size limit.
struct ToolExit {
  std::optional<std::uint32_t> exit_code;
  bool past_limit = false;
};

// What one download did, for the caller and for a record of the run.
struct DownloadResult {
  DownloadOutcome outcome = DownloadOutcome::UrlRefused;
  std::string tool;  // full path of curl.exe or wget.exe
  std::string url;
  std::string local_file;                     // where the file is (or would have been) put
  std::optional<std::uint32_t> exit_code;     // the tool's, when the transfer ran
  std::optional<SignatureVerdict> signature;  // when the file's signature was checked

  // True when the local file is now the server's: fetched or confirmed current.
  bool Succeeded() const { return outcome == DownloadOutcome::Fetched || outcome == DownloadOutcome::Current; }
};

// What a file looks like from outside; equal stamps mean nobody wrote it.
struct FileStamp {
  DateTime write_time_utc;
  std::uint64_t size = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

class DownloadOperations {
 public:
  virtual ~DownloadOperations() = default;

  virtual bool FileExists(const std::string& path) = 0;
  // Raises when the time cannot be read (the file vanished meanwhile).
  virtual DateTime FileWriteTime(const std::string& path) = 0;
  // Nothing when the file cannot be found.
  virtual std::optional<FileStamp> StampOf(const std::string& path) = 0;
  // Runs curl's header query for `url` through cmd.exe and findstr in "C:\"
  // and returns its output.
  virtual std::string RunHeaderQuery(const std::string& curl, const std::string& url) = 0;
  // Runs the tool and waits for it, at most `limit.seconds`; the tool is
  // ended as soon as the wait runs out or `output` (the file it writes)
  // grows past `limit.bytes`.
  virtual ToolExit RunTool(const std::string& tool, const std::string& parameters, std::uint16_t show_mode,
                           const TransferLimit& limit, const std::string& output) = 0;
  // Deletes the file itself, never what a link there points to.
  virtual void RemoveFile(const std::string& path) = 0;
  // Copies a file that is no link to a new file; false when it did not (the
  // source is a link, or something of the new name exists).
  virtual bool CopyNewFile(const std::string& from, const std::string& to) = 0;
  // Moves `from` to `to`, replacing a file there; true when it did.
  virtual bool MoveReplacing(const std::string& from, const std::string& to) = 0;

  // The transfer's own places beside `local_file`, each new under a name that
  // nothing had (made by a call that fails when the name exists) and kept
  // from being deleted or renamed by others until it is moved or removed.
  // Empty when none could be made. curl overwrites the empty partial file.
  virtual std::string CreatePartialFile(const std::string& local_file) = 0;
  // A real, empty folder (not a junction or other reparse point).
  virtual std::string CreateStagingFolder(const std::string& local_file) = 0;
  // True while `folder` is still a real folder: nothing is taken out of it
  // once it has become a reparse point.
  virtual bool IsRealFolder(const std::string& folder) = 0;
  // The files directly in the staging folder, then the folder; nothing of it
  // when it has become a reparse point.
  virtual void RemoveStagingFolder(const std::string& folder) = 0;

  // Opens the file so that nobody can write, rename or delete it while these
  // operations last (others may read and start it); false, and nothing held,
  // when it is no plain file of one name (a reparse point, a second hard
  // link) or cannot be opened so.
  virtual bool HoldFile(const std::string& path) = 0;

  // The verdict on the signature of `path` by `signer`. A file that passes
  // is kept from being changed, renamed or deleted while these operations
  // last, so that what is started later is what was checked.
  virtual SignatureVerdict CheckSignature(const std::string& path, const std::string& signer) = 0;
};

// Downloads `url` to `local_file`, whose name must be the URL's file name
// (in any letter case; another URL is refused), unless curl's header query
// shows that the local copy is current (wget's -N decides that for itself).
// The local file is afterwards the server's complete file, held (HoldFile),
// or the earlier one unchanged, or absent; an earlier copy that cannot be
// held is deleted first. With a `signer`, a local file that was fetched or
// found current must carry a valid signature by that signer (the subject
// common name, UTF-8); one that does not is deleted (Refused).
DownloadResult DownloadToFile(DownloadOperations& ops, const std::string& tool, const std::string& url,
                              const std::string& local_file, std::uint16_t show_mode, const TransferLimit& limit,
                              const std::string& signer = "");

// DownloadToFile into folder + "\" + the URL's file name.
DownloadResult DownloadIntoFolder(DownloadOperations& ops, const std::string& tool, const std::string& url,
                                  const std::string& folder, std::uint16_t show_mode, const TransferLimit& limit,
                                  const std::string& signer = "");

// Fetches `url` to `local_file` (the same name rule) without freshness
// check; an earlier file of that name is deleted first, so it is never
// taken for this fetch, and nothing is fetched while it is still there. A
// fetched file is held.
DownloadResult FetchFile(DownloadOperations& ops, const std::string& tool, const std::string& url,
                         const std::string& local_file, std::uint16_t show_mode, const TransferLimit& limit);

}  // namespace merovix
