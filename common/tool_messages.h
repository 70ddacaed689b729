#pragma once
// What curl and wget write about a failed transfer, made fit for the run's
// log: curl (-sS) writes one "curl: (N) ..." line, wget (-nv) a line per
// step, the last one naming the error.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace merovix {

// How much of the end of the tool's message file is read, and how long the
// message in the log may be.
inline constexpr std::size_t kToolMessageTail = 4096;
inline constexpr std::size_t kToolMessageMax = 300;

// The last non-empty line of `output` (lines end with CR or LF), control
// characters dropped, user names and passwords in URLs removed, at most
// kToolMessageMax bytes.
std::string ToolMessage(std::string_view output);

// The HTTP status a message names: curl's "returned error: 404", wget's
// "ERROR 404: ...". Nothing when it names none.
std::optional<int> HttpStatusInToolMessage(std::string_view message);

}  // namespace merovix
