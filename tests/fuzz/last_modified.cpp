// Fuzz target: the header query's output and the freshness check. A date is
// only taken from exactly one "Last-Modified:" line and is a real calendar
// date that reads back to the same text; every valid date written the HTTP
// way is read back; a local copy counts as current only at exactly that time.
#include <array>
#include <cstdio>
#include <string>

#include "common/freshness.h"
#include "framework/string_list.h"
#include "fuzz_support.h"

namespace {

using merovix::DateTime;

constexpr std::array<const char*, 7> kWeekdays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::string HttpDate(const DateTime& t, const std::string& weekday) {
  char text[64];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", weekday.c_str(), t.day,
                kMonths[t.month - 1], t.year, t.hour, t.minute, t.second);
  return text;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysIn(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValid(const DateTime& t) {
  return t.year >= 0 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
         t.day <= DaysIn(t.year, t.month) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
         t.second >= 0 && t.second <= 59 && t.millisecond == 0;
}

std::size_t LinesWithField(std::string_view output) {
  std::size_t count = 0;
  merovix::ForEachLine(output, [&count](std::string_view line) {
    count += line.find("Last-Modified:") != std::string_view::npos ? 1 : 0;
    return true;
  });
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view output = fuzz::AsText(data, size);

  const std::optional<DateTime> parsed = merovix::ParseHttpDate(output);
  if (parsed) {
    FUZZ_CHECK(IsValid(*parsed));
    FUZZ_CHECK(HttpDate(*parsed, std::string(output.substr(0, 3))) == output);
  }

  const std::optional<DateTime> modified = merovix::LastModifiedOf(output);
  if (modified) {
    FUZZ_CHECK(IsValid(*modified) && LinesWithField(output) == 1);
    DateTime local = *modified;
    local.millisecond = 999;  // the file system's milliseconds do not count
    FUZZ_CHECK(merovix::IsLocalCopyCurrent(output, local));
    local.second = (local.second + 1) % 60;
    FUZZ_CHECK(!merovix::IsLocalCopyCurrent(output, local));
  } else {
    FUZZ_CHECK(!merovix::IsLocalCopyCurrent(output, DateTime{1994, 11, 15, 8, 12, 31, 0}));
  }

  // A valid date made from the input's first bytes reads back unchanged.
  std::string_view bytes = output;
  DateTime t;
  t.year = (fuzz::TakeByte(bytes) << 8 | fuzz::TakeByte(bytes)) % 10000;
  t.month = fuzz::TakeByte(bytes) % 12 + 1;
  t.day = fuzz::TakeByte(bytes) % DaysIn(t.year, t.month) + 1;
  t.hour = fuzz::TakeByte(bytes) % 24;
  t.minute = fuzz::TakeByte(bytes) % 60;
  t.second = fuzz::TakeByte(bytes) % 60;
  const std::string weekday = kWeekdays[fuzz::TakeByte(bytes) % 7];
  FUZZ_CHECK(merovix::ParseHttpDate(HttpDate(t, weekday)) == t);
  const std::string header = "HTTP/1.1 200 OK\r\nLast-Modified: " + HttpDate(t, weekday) + "\r\n";
  FUZZ_CHECK(merovix::LastModifiedOf(header) == t);
  return 0;
}
