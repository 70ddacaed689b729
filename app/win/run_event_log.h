#pragma once
// The run's entry in the Windows Application event log, under the event
// source "Merovix Update".
#include "app/run_event.h"

namespace merovix {

inline constexpr const wchar_t* kEventSource = L"Merovix Update";

// Registers the source where it is missing or its message file is gone
// (HKLM, so an administrator's run), then reports one entry: an error entry
// or an information entry, with the event id of the outcome. Never raises
// and changes nothing of the run when the event log refuses.
void ReportRunEvent(const RunEventFacts& facts);

}  // namespace merovix
