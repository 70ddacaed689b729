#include "common/transfer_commands.h"

#include "common/command_lines.h"
#include "common/paths.h"
#include "framework/strings.h"

namespace merovix {
namespace {

constexpr std::string_view kCurlCredentials = "-u diagnose:TiloWemaGrub5_";
constexpr std::string_view kWgetCredentials = "--http-user=diagnose --http-password=TiloWemaGrub5_";
// curl refuses every other scheme, also where a redirect points to one.
constexpr std::string_view kCurlHttpsOnly = "--proto =https --proto-redir =https";
constexpr std::string_view kHttpsScheme = "HTTPS://";

// Time limits. A transfer slower than 100 bytes a second for 30 seconds is
// ended, so a host that stalls (also before it answers) cannot hold the run,
// while a slow but moving download of a large installer still completes. The
// header query only decides whether to download again: a query that runs out
// of its ten seconds means downloading. wget's --timeout=2 bounds each idle
// wait (name lookup, connection, TLS handshake, every read) and --tries=2 the
// attempts. Neither bounds a host that keeps sending a trickle of bytes:
// the transfer's own limit does (--max-time, and the caller's wait).
constexpr std::string_view kCurlStallLimit = " --speed-limit 100 --speed-time 30";
constexpr std::string_view kHeaderQueryLimit = " --max-time 10";

// Characters a URL may carry unquoted: letters, digits and the RFC 3986
// characters that neither cmd.exe (& | < > ^ % ! ( ) and quotes), nor the
// splitting of a command line, nor curl's globbing ([ ] { }) gives a meaning.
bool IsSafeUrlChar(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("-._~:/?#@$'*+,;=").find(c) != std::string_view::npos;
}

}  // namespace

bool IsCurlTool(std::string_view tool_path) { return AsciiUpperCase(LastSegment(tool_path)) == "CURL.EXE"; }

std::string ToolFolder(std::string_view program_folder) {
  std::string folder(program_folder), last;
  SplitLastFolder(folder, last);
  return AsciiUpperCase(last) == "CALVORINTEX" ? folder : std::string(program_folder);
}

bool IsSafeUrl(std::string_view url) {
  if (AsciiUpperCase(url.substr(0, kHttpsScheme.size())) != kHttpsScheme) return false;
  const std::string_view rest = url.substr(kHttpsScheme.size());
  if (rest.empty() || rest.front() == '/') return false;  // no host
  for (char c : url) {
    if (!IsSafeUrlChar(c)) return false;
  }
  return true;
}

std::string DownloadFileName(std::string_view url) {
  const size_t slash = url.rfind('/');
  return std::string(slash == std::string_view::npos ? url : url.substr(slash + 1));
}

bool IsUsableFileName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) {
      return false;
    }
  }
  return true;
}

std::string DownloadTargetFolder(std::string_view target_path, std::string_view program_folder) {
  const std::string folder = StripTrailingDelimiters(FolderPart(target_path));
  return folder.empty() ? std::string(program_folder) : folder;
}

std::string CurlPartialFile(std::string_view local_file, std::string_view unique) {
  return std::string(local_file) + "." + std::string(unique) + ".part";
}
std::string WgetStagingFolder(std::string_view local_file, std::string_view unique) {
  return std::string(local_file) + "." + std::string(unique) + ".wget";
}

std::string CurlFetchParameters(std::string_view output_file, std::string_view url, const TransferLimit& limit) {
  return "-R " + std::string(kCurlCredentials) + " --connect-timeout 2" + std::string(kCurlStallLimit) +
         " --max-time " + std::to_string(limit.seconds) + " --max-filesize " + std::to_string(limit.bytes) +
         " --fail -L " + std::string(kCurlHttpsOnly) + " -o " + Quoted(output_file) + " " + std::string(url) +
         " --ssl-no-revoke";
}

std::string WgetFetchParameters(std::string_view folder, std::string_view url, bool timestamping) {
  return std::string(kWgetCredentials) + " --timeout=2 --tries=2 " + (timestamping ? "-N " : "") + "-P " +
         Quoted(folder) + " --no-check-certificate " + std::string(url);
}

std::string HeaderQueryCommand(std::string_view curl, std::string_view url, std::string_view findstr) {
  return Quoted(curl) + " " + std::string(kCurlHttpsOnly) + " --connect-timeout 2" + std::string(kHeaderQueryLimit) +
         " " + std::string(kCurlCredentials) + " -sI " + std::string(url) + " | " + Quoted(findstr) +
         " Last-Modified:";
}

}  // namespace merovix
