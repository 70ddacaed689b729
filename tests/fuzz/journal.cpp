// Fuzz target: the journal of what a run stopped, read back at the next
// start. Whatever its text, only the product's service names and the
// installation folder's two files come out of it, each service once, the
// refused lines fit for the log, and what was taken reads back alike.
#include <string>

#include "app/journal.h"
#include "framework/strings.h"
#include "fuzz_support.h"

namespace {

const std::string kDir = "C:\\Program Files\\Merovix";

bool Same(const merovix::StopRecord& a, const merovix::StopRecord& b) {
  return a.services == b.services && a.desktop_program == b.desktop_program &&
         a.desktop_sessions == b.desktop_sessions && a.signal_file == b.signal_file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using merovix::AsciiSameText;
  const merovix::JournalReading reading = merovix::ReadJournalText(fuzz::AsText(data, size), kDir);
  const merovix::StopRecord& stopped = reading.stopped;
  FUZZ_CHECK(stopped.services.size() <= merovix::kJournalServicesMax);
  for (std::size_t i = 0; i < stopped.services.size(); ++i) {
    FUZZ_CHECK(merovix::IsProductServiceName(stopped.services[i]) && !stopped.services[i].empty());
    for (std::size_t j = 0; j < i; ++j) FUZZ_CHECK(!AsciiSameText(stopped.services[i], stopped.services[j]));
  }
  FUZZ_CHECK(stopped.desktop_program.empty() || AsciiSameText(stopped.desktop_program, kDir + "\\Merovix.exe"));
  FUZZ_CHECK(stopped.signal_file.empty() || AsciiSameText(stopped.signal_file, kDir + "\\StopService"));
  FUZZ_CHECK(stopped.desktop_sessions.empty() || !stopped.desktop_program.empty());
  FUZZ_CHECK(stopped.desktop_sessions.size() <= merovix::kJournalSessionsMax);
  for (const std::string& line : reading.refused) {
    FUZZ_CHECK(line.size() <= 123);
    for (const char c : line) FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f);
  }
  const merovix::JournalReading again = merovix::ReadJournalText(merovix::JournalText(stopped), kDir);
  FUZZ_CHECK(Same(again.stopped, stopped) && again.refused.empty());
  return 0;
}
