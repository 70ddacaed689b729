#include "common/freshness.h"

#include <array>
#include <charconv>

#include "framework/string_list.h"

namespace merovix {
namespace {

constexpr std::array<std::string_view, 7> kWeekdays = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Reads exactly `digits` decimal digits from the front of `text`.
bool TakeNumber(std::string_view& text, size_t digits, int& value) {
  if (text.size() < digits) return false;
  for (size_t i = 0; i < digits; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  std::from_chars(text.data(), text.data() + digits, value);
  text.remove_prefix(digits);
  return true;
}

bool TakeLiteral(std::string_view& text, std::string_view literal) {
  if (text.substr(0, literal.size()) != literal) return false;
  text.remove_prefix(literal.size());
  return true;
}

template <size_t N>
bool TakeName(std::string_view& text, const std::array<std::string_view, N>& names, int& index) {
  for (size_t i = 0; i < N; ++i) {
    if (TakeLiteral(text, names[i])) {
      index = static_cast<int>(i);
      return true;
    }
  }
  return false;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<DateTime> ParseHttpDate(std::string_view text) {
  DateTime t;
  int weekday = 0, month = 0;
  if (!TakeName(text, kWeekdays, weekday) || !TakeLiteral(text, ", ") || !TakeNumber(text, 2, t.day) ||
      !TakeLiteral(text, " ") || !TakeName(text, kMonths, month) || !TakeLiteral(text, " ") ||
      !TakeNumber(text, 4, t.year) || !TakeLiteral(text, " ") || !TakeNumber(text, 2, t.hour) ||
      !TakeLiteral(text, ":") || !TakeNumber(text, 2, t.minute) || !TakeLiteral(text, ":") ||
      !TakeNumber(text, 2, t.second) || text != " GMT") {
    return std::nullopt;
  }
  t.month = month + 1;
  if (t.day < 1 || t.day > DaysInMonth(t.year, t.month) || t.hour > 23 || t.minute > 59 || t.second > 59) {
    return std::nullopt;
  }
  return t;
}

std::optional<DateTime> LastModifiedOf(std::string_view header_output) {
  constexpr std::string_view kField = "Last-Modified:";
  std::optional<DateTime> found;
  int lines_with_field = 0;
  for (const std::string& line : SplitLines(header_output)) {
    const size_t at = line.find(kField);
    if (at == std::string::npos) continue;
    // A field that is not a header line of its own, or two of them, leave the
    // server's time in doubt.
    if (at != 0 || ++lines_with_field > 1) return std::nullopt;
    found = ParseHttpDate(TrimBlanks(std::string_view(line).substr(kField.size())));
  }
  return found;
}

bool IsLocalCopyCurrent(std::string_view header_output, const DateTime& local_write_time_utc) {
  const std::optional<DateTime> server = LastModifiedOf(header_output);
  if (!server) return false;
  DateTime local = local_write_time_utc;
  local.millisecond = 0;  // HTTP dates carry whole seconds
  return *server == local;
}

}  // namespace merovix
