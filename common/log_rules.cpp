#include "common/log_rules.h"

#include <cstdlib>

namespace merovix {
namespace {

// `value` in decimal with leading zeros to `digits` places (printf's "%0*d"
// would pull the whole of printf into the program).
void AppendPadded(std::string& text, int value, int digits, char after) {
  std::string number = std::to_string(value);
  if (number.size() < static_cast<size_t>(digits)) number.insert(0, static_cast<size_t>(digits) - number.size(), '0');
  text += number;
  text += after;
}

}  // namespace

std::string StampedLogLine(const LocalTimestamp& time, std::string_view line) {
  const int offset = std::abs(time.utc_offset_minutes);
  std::string text;
  AppendPadded(text, time.year, 4, '-');
  AppendPadded(text, time.month, 2, '-');
  AppendPadded(text, time.day, 2, ' ');
  AppendPadded(text, time.hour, 2, ':');
  AppendPadded(text, time.minute, 2, ':');
  AppendPadded(text, time.second, 2, ' ');
  text += time.utc_offset_minutes < 0 ? '-' : '+';
  AppendPadded(text, offset / 60, 2, ':');
  AppendPadded(text, offset % 60, 2, ' ');
  // A line break or other control character in a piece from outside (a
  // command-line argument, a registry value) must not forge a line of its own.
  for (const char c : line) text += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
  text.append("\r\n");
  return text;
}

bool LogNeedsCut(std::uint64_t size, std::uint64_t adding, std::uint64_t limit) {
  return size > limit || adding > limit - size;
}

std::uint64_t LogCutOffset(std::uint64_t size, std::uint64_t limit) {
  const std::uint64_t kept = limit / 2;
  return size > kept ? size - kept : 0;
}

std::string LogAfterCut(std::string_view newer_part) {
  const size_t line_end = newer_part.find('\n');
  std::string text(kUtf8Bom);
  if (line_end != std::string_view::npos) text.append(newer_part.substr(line_end + 1));
  return text;
}

}  // namespace merovix
