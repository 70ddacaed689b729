#pragma once
// The rules of a log file that is appended to line by line and kept bounded:
// how a line is stamped and how an overgrown file is cut. Kept apart from the
// file access so that they can be tested without a file system.
#include <cstdint>
#include <string>
#include <string_view>

namespace merovix {

// A local time of day and its distance from UTC.
struct LocalTimestamp {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int utc_offset_minutes = 0;  // local time minus UTC
};

// The byte-order mark that opens a log file: older editors take UTF-8
// without it for the ANSI code page and garble the umlauts.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// A log file grows to about this size; past it the older half goes.
inline constexpr std::uint64_t kLogLimitBytes = 1024 * 1024;

// "2026-12-09 07:12:03 +01:00 " + line + CR LF; each control character of
// the line (line breaks among them) becomes a blank.
std::string StampedLogLine(const LocalTimestamp& time, std::string_view line);

// True when a file of `size` bytes would pass `limit` with `adding` more.
bool LogNeedsCut(std::uint64_t size, std::uint64_t adding, std::uint64_t limit = kLogLimitBytes);

// Where the part of a file of `size` bytes that a cut keeps starts: the
// newer half of the limit, so that the result stays well below the limit
// whatever size the file had reached.
std::uint64_t LogCutOffset(std::uint64_t size, std::uint64_t limit = kLogLimitBytes);

// The new content of a cut file, from `newer_part` (read from LogCutOffset to
// the end): the byte-order mark, then the lines that begin within the part.
// The line cut through at its start goes, so no line (and no UTF-8 sequence)
// is left torn.
std::string LogAfterCut(std::string_view newer_part);

}  // namespace merovix
