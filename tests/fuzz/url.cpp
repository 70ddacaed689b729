// Fuzz target: a URL from the directive list. Whatever the URL check lets
// through must stand in every command line as exactly one argument, in the
// place of an ordinary URL, with nothing in it that cmd.exe interprets; its
// file name must stay inside the target folder. A URL the check refuses is
// never handed to a command line (the callers stop first, as modelled here).
#include <string>
#include <vector>

#include "common/command_lines.h"
#include "common/paths.h"
#include "common/transfer_commands.h"
#include "fuzz_support.h"

namespace {

constexpr std::string_view kPlainUrl = "https://host.example/fileadmin/files/merovix/Merovix_Update_.exe";
constexpr std::string_view kFolder = "C:\\Program Files\\Merovix";
constexpr std::string_view kTool = "C:\\Windows\\system32\\curl.exe";
constexpr std::string_view kFindstr = "C:\\Windows\\system32\\findstr.exe";
constexpr std::string_view kUnique = "0123456789abcdef";

// Characters with a meaning to cmd.exe on a command line it parses.
constexpr std::string_view kShellSpecials = "&|<>^()%!\"\r\n";

std::size_t CountShellSpecials(std::string_view line) {
  std::size_t count = 0;
  for (char c : line) count += (kShellSpecials.find(c) != std::string_view::npos || c == '\0') ? 1 : 0;
  return count;
}

// The words of `line` are those of `plain_line` (made for the plain URL),
// with `url` as the word where the plain URL stood.
bool SameWordsWithUrl(std::string_view line, std::string_view plain_line, const std::string& url) {
  std::vector<std::string> expected = fuzz::SplitWindowsArguments(plain_line);
  for (std::string& word : expected) {
    if (word == kPlainUrl) word = url;
  }
  return fuzz::SplitWindowsArguments(line) == expected;
}

// The command lines that fetch `url` into `local_file`: curl and wget as
// RunAndWait starts them, and the header query that cmd.exe runs.
std::vector<std::string> CommandLines(std::string_view url, const std::string& local_file) {
  using namespace merovix;
  return {RunAndWaitCommandLine(kTool, CurlFetchParameters(CurlPartialFile(local_file, kUnique), url, {60, 1})),
          RunAndWaitCommandLine(kTool, WgetFetchParameters(WgetStagingFolder(local_file, kUnique), url, true)),
          HeaderQueryCommand(kTool, url, kFindstr)};
}

// What DownloadFile and LoadAndRun would start for `url`: nothing unless the
// URL passes the check and names a usable file.
std::vector<std::string> CommandLinesFor(const std::string& url) {
  const std::string name = merovix::DownloadFileName(url);
  if (!merovix::IsSafeUrl(url) || !merovix::IsUsableFileName(name)) return {};
  return CommandLines(url, merovix::JoinPath(kFolder, name));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string url(fuzz::AsText(data, size));
  const std::vector<std::string> lines = CommandLinesFor(url);
  if (!merovix::IsSafeUrl(url)) {
    FUZZ_CHECK(lines.empty());
    return 0;
  }
  FUZZ_CHECK(url.front() != '-' && url.find_first_of(" \t\"\\") == std::string::npos);
  FUZZ_CHECK(CountShellSpecials(url) == 0);

  const std::string name = merovix::DownloadFileName(url);
  FUZZ_CHECK(name.find('/') == std::string::npos && fuzz::EndsWith(url, name));
  if (!merovix::IsUsableFileName(name)) return 0;
  // The file lands in the folder and nowhere else.
  const std::string local_file = merovix::JoinPath(kFolder, name);
  FUZZ_CHECK(merovix::FolderPart(local_file) == std::string(kFolder) + "\\");
  FUZZ_CHECK(merovix::LastSegment(local_file) == name && name != "." && name != "..");

  // Every command line splits into the same words as for a plain URL; the
  // URL adds nothing to the header query that cmd.exe interprets (its pipe
  // and the quotes around the two programs are the query's own).
  const std::vector<std::string> plain = CommandLines(kPlainUrl, local_file);
  for (std::size_t i = 0; i < lines.size(); ++i) FUZZ_CHECK(SameWordsWithUrl(lines[i], plain[i], url));
  FUZZ_CHECK(CountShellSpecials(lines[2]) == CountShellSpecials(plain[2]));
  return 0;
}
