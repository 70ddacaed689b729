#include "common/tool_messages.h"

#include "common/proxy_rules.h"

namespace merovix {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The three digits after `marker` in `message`, when they stand alone.
std::optional<int> StatusAfter(std::string_view message, std::string_view marker) {
  const std::size_t found = message.find(marker);
  if (found == std::string_view::npos) return std::nullopt;
  const std::string_view rest = message.substr(found + marker.size());
  if (rest.size() < 3 || !IsDigit(rest[0]) || !IsDigit(rest[1]) || !IsDigit(rest[2])) return std::nullopt;
  if (rest.size() > 3 && IsDigit(rest[3])) return std::nullopt;
  return (rest[0] - '0') * 100 + (rest[1] - '0') * 10 + (rest[2] - '0');
}

}  // namespace

std::string ToolMessage(std::string_view output) {
  const std::size_t end = output.find_last_not_of("\r\n \t");
  if (end == std::string_view::npos) return {};
  const std::size_t before = output.find_last_of("\r\n", end);
  const std::size_t first = before == std::string_view::npos ? 0 : before + 1;
  const std::string_view line = output.substr(first, end + 1 - first);
  std::string printable;
  for (char c : line) {
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) printable.push_back(c);
  }
  std::string message = WithoutCredentials(printable);
  if (message.size() > kToolMessageMax) message = message.substr(0, kToolMessageMax - 3) + "...";
  return message;
}

std::optional<int> HttpStatusInToolMessage(std::string_view message) {
  if (std::optional<int> status = StatusAfter(message, "returned error: ")) return status;
  return StatusAfter(message, "ERROR ");
}

}  // namespace merovix
