#pragma once
// Finding and ending processes by executable name or process id, on a
// tool-help snapshot of the process table.
#include "framework/string_list.h"

#include <cstdint>
#include <string>
#include <vector>

namespace merovix {

// Clears `Names`, then adds the executable name of every running process in
// snapshot order. Raises EWin32Error when the snapshot cannot be read.
void ListProcessNames(TStringList& Names);

// The number of running processes whose whole executable name equals `Name`,
// upper-cased by the locale's rules. Raises EWin32Error like ListProcessNames.
std::uint32_t CountProcesses(const std::string& Name);

// Terminates every process whose executable name, or its file-name part,
// equals `Name` (ASCII upper-casing). True when the termination of the last
// matching process succeeded; false when none matched.
bool KillProcessesByName(const std::string& Name);

// True when `IdText`, in plain decimal digits, is the id of a running process.
bool ProcessIdRunning(const std::string& IdText);

// Terminates the process whose id `IdText` names (as ProcessIdRunning reads
// it) when its image is `ExeName` (file-name part, ASCII upper-casing). The
// process is opened once and both checked and terminated through that
// handle, so that an id that passes to another program meanwhile cannot be
// ended by mistake. True when it was that program and has ended (also by
// itself meanwhile); false when no such process runs, it is another program
// or it cannot be opened. Raises EWin32Error when the termination is refused.
bool KillProgramByIdText(const std::string& IdText, const std::string& ExeName);

// Terminates the process `Id`: false when it cannot be opened, true when it
// was terminated. Raises EWin32Error when the termination is refused.
bool KillProcessById(std::uint32_t Id);

// Waits until every process whose whole executable name equals `Name` (as
// CountProcesses compares) has ended, at most `LimitMs` in all. True when all
// of them ended, also when none ran; false when one is still running or
// cannot be waited for.
bool WaitForProgramToEnd(const std::string& Name, std::uint32_t LimitMs);

// KillProcessById for an id given as text, when that id is running and is
// not this process's own.
void KillProcessByIdText(const std::string& IdText);

// The sessions (ascending, each once) of the running processes whose whole
// executable name equals `Name` (as CountProcesses compares); empty when none
// runs or no session can be read.
std::vector<std::uint32_t> SessionsOfProgram(const std::string& Name);

// True when this process runs under the local system account (S-1-5-18), as
// deployment tools and services start programs; false for any user, and when
// the process's token cannot be read.
bool RunsAsLocalSystem();

}  // namespace merovix
