#pragma once
// Where the journal of what a run has stopped is kept: the value "Journal"
// of HKLM\SOFTWARE\Merovix\Update, in the 64-bit view on a 64-bit system so
// that the 32-bit and the 64-bit program share one. HKLM\SOFTWARE lets only
// administrators and the system account create and write keys.
#include <optional>
#include <string>

namespace merovix {

inline constexpr const char* kJournalKey = "SOFTWARE\\Merovix\\Update";
inline constexpr const char* kJournalValue = "Journal";

// The journal's text; nothing when there is none. A value that is not text
// reads as empty, one past the journal's limit as that much of it.
std::optional<std::string> ReadJournalValue();
bool WriteJournalValue(const std::string& text);
// Also true when there was none.
bool RemoveJournalValue();

}  // namespace merovix
