#pragma once
// The journal: what a run has stopped, kept outside the run so that a run
// that dies (power loss, a deployment tool's time-out, a crash) does not
// leave the product stopped. The next start reads it back and restarts what
// it names. Its text is one "key=value" line per entry.
#include <string>
#include <string_view>
#include <vector>

#include "app/update_run.h"

namespace merovix {

// The longest journal text that is read at all, and the most services taken
// from one: a run stops two.
inline constexpr std::size_t kJournalTextMax = 16 * 1024;
inline constexpr std::size_t kJournalServicesMax = 8;
inline constexpr std::size_t kJournalSessionsMax = 8;

std::string JournalText(const StopRecord& stopped);

// What a journal's text may start again. Whoever could write the journal
// gets no more than a run could stop: services whose names are the
// product's, and the desktop program and signal file of `install_dir` (none
// without an installation folder). Every line not taken is in `refused`,
// cut short and with control characters replaced, fit for the log.
struct JournalReading {
  StopRecord stopped;
  std::vector<std::string> refused;
};
JournalReading ReadJournalText(std::string_view text, const std::string& install_dir);

}  // namespace merovix
