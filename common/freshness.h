#pragma once
// Whether a local download is still current, judged from the Last-Modified
// line of the server's header answer.
#include <optional>
#include <string_view>

namespace merovix {

// A calendar date and time of day (UTC).
struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// An RFC 1123 date as HTTP sends it: "Tue, 15 Nov 1994 08:12:31 GMT".
std::optional<DateTime> ParseHttpDate(std::string_view text);

// The date of the one "Last-Modified:" line in `header_output`; nothing when
// there is no such line, more than one, or its date cannot be parsed.
std::optional<DateTime> LastModifiedOf(std::string_view header_output);

// True when the server's Last-Modified equals the local file's write time to
// the second (whole date and time). Anything doubtful means "download".
bool IsLocalCopyCurrent(std::string_view header_output, const DateTime& local_write_time_utc);

}  // namespace merovix
