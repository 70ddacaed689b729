#pragma once
// The decisions of one download through the transfer tool, over the few file
// and process operations they need: the freshness check, the transfer into a
// partial file (curl) or a staging folder (wget), and putting the fetched file
// in place. What happened comes back as a DownloadResult.
#include <cstdint>
#include <optional>
#include <string>

#include "common/freshness.h"

namespace merovix {

enum class DownloadOutcome : std::uint8_t {
  Fetched,        // transferred now and put in place
  Current,        // the local copy is the server's: nothing was transferred
  UrlRefused,     // unsafe on a command line, or names no file: nothing ran
  NoTool,         // the tool could not be started, or told no exit code
  ToolFailed,     // the tool ended with an exit code other than 0
  NotPutInPlace,  // no staging place, no file left by the tool, or it could not replace the local file
  Refused,        // the fetched file was judged unfit and not put in place
};

// What one download did, for the caller and for a record of the run.
struct DownloadResult {
  DownloadOutcome outcome = DownloadOutcome::UrlRefused;
  std::string tool;                          // full path of curl.exe or wget.exe
  std::string url;
  std::string local_file;                    // where the file is (or would have been) put
  std::optional<std::uint32_t> exit_code;    // the tool's, when the transfer ran

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
  // Runs the tool and waits; its exit code, or nothing when it did not start.
  virtual std::optional<std::uint32_t> RunTool(const std::string& tool, const std::string& parameters,
                                               std::uint16_t show_mode) = 0;
  virtual void RemoveFile(const std::string& path) = 0;
  // Copies to a new file; never over one that exists.
  virtual void CopyNewFile(const std::string& from, const std::string& to) = 0;
  // Moves `from` to `to`, replacing a file there; true when it did.
  virtual bool MoveReplacing(const std::string& from, const std::string& to) = 0;
  // True when the folder now exists, made by this call.
  virtual bool CreateFolder(const std::string& path) = 0;
  // The folder with the files in it; nothing when it does not exist.
  virtual void RemoveFolder(const std::string& path) = 0;
};

// Downloads `url` into folder + "\" + the URL's file name, unless curl's
// header query shows that the local copy there is current (wget's -N decides
// that for itself). The local file is afterwards the server's complete file,
// or the earlier one unchanged, or absent.
DownloadResult DownloadIntoFolder(DownloadOperations& ops, const std::string& tool, const std::string& url,
                                  const std::string& folder, std::uint16_t show_mode);

// Fetches `url` to `local_file` without freshness check; an earlier file of
// that name is deleted first, so it is never taken for this fetch.
DownloadResult FetchFile(DownloadOperations& ops, const std::string& tool, const std::string& url,
                         const std::string& local_file, std::uint16_t show_mode);

}  // namespace merovix
