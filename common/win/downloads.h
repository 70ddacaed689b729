#pragma once
// Downloads through the external transfer tool (curl.exe or wget.exe).
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/download_sequence.h"
#include "framework/win/handles.h"

namespace merovix {

// The download's steps on the real file system and processes. The partial
// file and staging folder it makes are held open against deletion and
// renaming, and a downloaded file (checked or not) also against change,
// until they are moved or removed, or this object goes.
class WindowsDownloadOperations : public DownloadOperations {
 public:
  bool FileExists(const std::string& path) override;
  DateTime FileWriteTime(const std::string& path) override;
  std::optional<FileStamp> StampOf(const std::string& path) override;
  std::string RunHeaderQuery(const std::string& curl, const std::string& url) override;
  ToolExit RunTool(const std::string& tool, const std::string& parameters, std::uint16_t show_mode,
                   const TransferLimit& limit, const std::string& output) override;
  void RemoveFile(const std::string& path) override;
  bool CopyNewFile(const std::string& from, const std::string& to) override;
  bool MoveReplacing(const std::string& from, const std::string& to) override;
  std::string CreatePartialFile(const std::string& local_file) override;
  std::string CreateStagingFolder(const std::string& local_file) override;
  bool IsRealFolder(const std::string& folder) override;
  void RemoveStagingFolder(const std::string& folder) override;
  bool HoldFile(const std::string& path) override;
  SignatureVerdict CheckSignature(const std::string& path, const std::string& signer) override;

 private:
  void Hold(const std::string& path, UniqueFileHandle handle);
  void Release(const std::string& path);

  std::vector<std::pair<std::string, UniqueFileHandle>> held_;
};

// curl.exe from the System folder when it is there, otherwise wget.exe in the
// program's folder (its parent for a folder named Calvorintex), untested.
void FindTransferTool(std::string& Tool);

// The file's last write time in UTC, to the millisecond. Raises Exception
// "Unable to get last file write time for <path>" when it cannot be read.
DateTime FileWriteTime(const std::string& Path);

// Downloads `Url` into the folder of `TargetPath` (its last segment is
// dropped; empty: the program's folder) under the URL's file name, unless a
// curl header query shows the local copy is current; with `RunAfterDownload`
// starts (.exe) or opens the file. A URL that is not HTTPS or would be unsafe
// on a command line, or whose file name cannot name a file, is refused:
// nothing runs. When the build names the installer's signer, a program is
// started only when this download fetched or confirmed it and it carries
// that signer's signature.
// Afterwards the local file is a complete copy of what the server sent, the
// previous file unchanged, or absent.
void DownloadFile(const std::string& Url, const std::string& TargetPath, bool RunAfterDownload,
                  std::uint16_t ShowMode);

// DownloadFile without starting anything, telling what happened, with the
// signature check of download_sequence.h for a non-empty `Signer`; `Ops`
// holds the downloaded file.
DownloadResult DownloadFileWithResult(const std::string& Url, const std::string& TargetPath, std::uint16_t ShowMode,
                                      WindowsDownloadOperations& Ops, const std::string& Signer);

// The update installer from `Url` into the work folder (work_folder.h) as
// "Merovix_Update_.exe", whatever the URL's file name (a URL that names
// another file is refused), within the installer's limits, checked as
// DownloadFileWithResult checks; `Ops` holds it.
DownloadResult DownloadInstaller(const std::string& Url, std::uint16_t ShowMode, WindowsDownloadOperations& Ops,
                                 const std::string& Signer);

// What a download tells when the work folder cannot be had: nothing ran.
DownloadResult WithoutWorkFolder(const std::string& tool, const std::string& url);

// DownloadFile with the folder and the tool given: downloads into `folder`
// (see download_sequence.h), with the signature check for a non-empty
// `signer`, and, with `open`, starts an .exe or opens any other file that is
// there afterwards; with a signer, only one this download fetched or
// confirmed and that passed.
void DownloadAndOpen(const std::string& tool, const std::string& url, const std::string& folder,
                     std::uint16_t show_mode, bool open, const std::string& signer);

// Opens a document with the shell's "open" verb, owned by the main window.
void OpenWithShell(const std::string& file_or_url);

}  // namespace merovix
