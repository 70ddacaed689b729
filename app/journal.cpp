#include "app/journal.h"

#include <algorithm>
#include <charconv>

#include "framework/strings.h"

namespace merovix {
namespace {

constexpr std::size_t kShownLineMax = 120;

std::string Shown(std::string_view line) {
  std::string shown(line.substr(0, kShownLineMax));
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  if (line.size() > kShownLineMax) shown += "...";
  return shown;
}

std::optional<std::uint32_t> SessionId(std::string_view digits) {
  std::uint32_t id = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return id;
}

bool Taken(std::string_view key, std::string_view value, const std::string& install_dir, StopRecord& stopped) {
  const auto in_install_dir = [&](std::string_view name) {
    return !install_dir.empty() && AsciiSameText(value, install_dir + "\\" + std::string(name));
  };
  if (key == "service") {
    if (!IsProductServiceName(value) || value.empty() || stopped.services.size() >= kJournalServicesMax) return false;
    const bool known = std::any_of(stopped.services.begin(), stopped.services.end(),
                                   [&](const std::string& name) { return AsciiSameText(name, value); });
    if (!known) stopped.services.emplace_back(value);
    return true;
  }
  if (key == "desktop" && in_install_dir("Merovix.exe")) {
    stopped.desktop_program = std::string(value);
    return true;
  }
  if (key == "signal" && in_install_dir("StopService")) {
    stopped.signal_file = std::string(value);
    return true;
  }
  if (key == "session") {
    const std::optional<std::uint32_t> id = SessionId(value);
    if (!id || stopped.desktop_sessions.size() >= kJournalSessionsMax) return false;
    if (std::find(stopped.desktop_sessions.begin(), stopped.desktop_sessions.end(), *id) ==
        stopped.desktop_sessions.end()) {
      stopped.desktop_sessions.push_back(*id);
    }
    return true;
  }
  return false;
}

}  // namespace

std::string JournalText(const StopRecord& stopped) {
  std::string text;
  for (const std::string& service : stopped.services) text += "service=" + service + "\n";
  if (!stopped.desktop_program.empty()) text += "desktop=" + stopped.desktop_program + "\n";
  for (const std::uint32_t session : stopped.desktop_sessions) text += "session=" + std::to_string(session) + "\n";
  if (!stopped.signal_file.empty()) text += "signal=" + stopped.signal_file + "\n";
  return text;
}

JournalReading ReadJournalText(std::string_view text, const std::string& install_dir) {
  JournalReading reading;
  if (text.size() > kJournalTextMax) {
    reading.refused.push_back(Shown(text));
    text = {};
  }
  while (!text.empty()) {
    const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (line.empty()) continue;
    const std::size_t equals = line.find('=');
    const bool taken = equals != std::string_view::npos &&
                       Taken(line.substr(0, equals), line.substr(equals + 1), install_dir, reading.stopped);
    if (!taken) reading.refused.push_back(Shown(line));
  }
  // A session without the program it belongs to names nothing to start.
  if (reading.stopped.desktop_program.empty()) reading.stopped.desktop_sessions.clear();
  return reading;
}

}  // namespace merovix
