#pragma once
// Command lines of the transfer tools (curl.exe, wget.exe) and the names a
// download is written under. Every URL that goes into one of these command
// lines must have passed IsSafeUrl first: URLs are never quoted.
#include <string>
#include <string_view>

#include "common/download_sequence.h"

namespace merovix {

// The tool counts as curl exactly when its file name, upper-cased, is
// "CURL.EXE"; anything else is wget.
bool IsCurlTool(std::string_view tool_path);

// The program's folder, or its parent when the folder is named Calvorintex
// (any letter case): where wget.exe and the fetched directive list live.
std::string ToolFolder(std::string_view program_folder);

// True when the URL names an HTTPS address ("https://" in any letter case,
// then a host) and can stand unquoted in a command line that cmd.exe runs and
// a program splits: printable ASCII without blanks, quotes and the characters
// that cmd.exe or curl's URL globbing interpret.
bool IsSafeUrl(std::string_view url);

// File name of a download: the URL's text after its last "/" (all of it
// without "/"), undecoded.
std::string DownloadFileName(std::string_view url);
// True when `name` can name a file in a Windows folder.
bool IsUsableFileName(std::string_view name);

// The folder a target path points into (its last segment dropped), without
// trailing backslashes, so that a drive root comes out as "C:" and every
// join below yields "C:\name". Empty folder part: `program_folder`.
std::string DownloadTargetFolder(std::string_view target_path, std::string_view program_folder);

// curl writes into this file and it is renamed to `local_file` only after a
// complete, successful transfer. `unique` makes the name one that nothing
// had before: the folder may be one that others can write to.
std::string CurlPartialFile(std::string_view local_file, std::string_view unique);
// wget writes into this folder of its own, for the same reasons.
std::string WgetStagingFolder(std::string_view local_file, std::string_view unique);

// The limits of a transfer: the directive list, a small text, gets about a
// minute and 4 MiB; an installer two hours (a slow line in a practice) and
// 2 GiB. A build may lower the time (MEROVIX_TRANSFER_SECONDS_CAP, for tests).
TransferLimit ListTransferLimit();
TransferLimit InstallerTransferLimit();

// Parameters of curl: fetch `url` into `output_file`, with the server's time
// (-R), no output at all for an HTTP error (--fail), over HTTPS only,
// redirects included, and within `limit` (curl ends itself; the caller ends
// it too, should it not).
std::string CurlFetchParameters(std::string_view output_file, std::string_view url, const TransferLimit& limit);
// Parameters of wget: fetch `url` into `folder`; with `timestamping` (-N)
// wget skips a file that is not newer than the one in `folder`.
std::string WgetFetchParameters(std::string_view folder, std::string_view url, bool timestamping);
// The header query run through cmd.exe: curl's HEAD (`curl`, the tool's full
// path) filtered by `findstr` (full path), so that cmd.exe searches nowhere.
std::string HeaderQueryCommand(std::string_view curl, std::string_view url, std::string_view findstr);

}  // namespace merovix
