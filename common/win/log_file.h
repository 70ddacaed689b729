#pragma once
// Appending to a log file that lies in a folder other users may write to,
// from a process that may run with more rights than they have.
#include <string>

#include "common/log_rules.h"

namespace merovix {

// Appends `text` (whole lines) to the file at `path`, creating it with a
// byte-order mark, and first cuts a file that would pass kLogLimitBytes. The
// file is written only when it is a plain file with one name: a reparse
// point (symbolic link, junction) or a file with further hard links placed
// at `path` is left untouched, so the log cannot be turned into a write to
// another file. False when nothing was written; never raises.
bool AppendToLogFile(const std::string& path, const std::string& text);

// The local time now, with its distance from UTC.
LocalTimestamp LocalTimestampNow();

}  // namespace merovix
