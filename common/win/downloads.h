#pragma once
// Downloads through the external transfer tool (curl.exe or wget.exe).
#include <cstdint>
#include <string>

#include "common/download_sequence.h"

namespace merovix {

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
// nothing runs.
// Afterwards the local file is a complete copy of what the server sent, the
// previous file unchanged, or absent.
void DownloadFile(const std::string& Url, const std::string& TargetPath, bool RunAfterDownload,
                  std::uint16_t ShowMode);

// DownloadFile without starting anything, telling what happened.
DownloadResult DownloadFileWithResult(const std::string& Url, const std::string& TargetPath, std::uint16_t ShowMode);

// The steps shared with the directive list (see download_sequence.h) on the
// real system.
DownloadResult DownloadIntoFolder(const std::string& tool, const std::string& url, const std::string& folder,
                                  std::uint16_t show_mode);
DownloadResult FetchFile(const std::string& tool, const std::string& url, const std::string& local_file,
                         std::uint16_t show_mode);

// Opens a document with the shell's "open" verb, owned by the main window.
void OpenWithShell(const std::string& file_or_url);

}  // namespace merovix
