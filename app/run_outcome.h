#pragma once
// How a run ended, and the exit code that tells a deployment tool so after an
// unattended run. A run with a user at the PC always ends with exit code 0.
#include <cstdint>

namespace merovix {

enum class RunOutcome : std::uint8_t {
  Updated,           // the installer succeeded and everything stopped runs again
  Cancelled,         // the user declined; never in an unattended run
  NotInstalled,      // no installation on this PC: nothing downloaded
  DownloadFailed,    // the installer could not be fetched: nothing stopped
  InstallerRefused,  // the fetched installer lacks the maker's signature: nothing stopped
  InstallerFailed,   // the installer ended with an error or could not be started
  RestartFailed,     // updated, but a service or the desktop program did not start again
  RestartSkipped,    // updated; the desktop program is not started under the system account
  UnexpectedError,   // an error ended the run
  ArgumentRefused,   // an argument other than the switch: nothing done
  InstallerOlder,    // the fetched installer is older than what is installed: deleted, nothing stopped
  AlreadyRunning,    // another run is in progress on this PC: nothing done
  RebootRequired,    // updated and restarted; the installer needs the PC restarted to finish
  UpToDate,          // unattended: the installer offered is the installed version; nothing done
};

// The exit codes of unattended runs. 1x: the new version is installed, but
// look at the log; 2x: the PC was not updated; 30: an error ended the run;
// 40: wrong command line. The values keep clear of those that deployment
// tools read on their own (1641 and 3010 mean "restart the PC", 1618 "try
// again later"), of 1 and 2, which so many programs use, and of 3, the
// run-time library's code for an aborted program; the exceptions are 1618,
// which says just that when another run is in progress, and 3010, given
// where it means what those tools read in it.
struct ExitCodeEntry {
  RunOutcome outcome;
  int code;
};
inline constexpr ExitCodeEntry kUnattendedExitCodes[] = {
    {RunOutcome::Updated, 0},          {RunOutcome::RestartFailed, 10},    {RunOutcome::RestartSkipped, 11},
    {RunOutcome::NotInstalled, 20},    {RunOutcome::DownloadFailed, 21},   {RunOutcome::InstallerRefused, 22},
    {RunOutcome::InstallerFailed, 23}, {RunOutcome::InstallerOlder, 24},   {RunOutcome::UnexpectedError, 30},
    {RunOutcome::ArgumentRefused, 40}, {RunOutcome::AlreadyRunning, 1618}, {RunOutcome::RebootRequired, 3010},
    {RunOutcome::UpToDate, 0},
};

// The Application event log's entry at the end of a run: its event id (the
// message file app/res/run_events.mc has one for each), whether it is an
// error entry, and the outcome in a few German words. Every outcome with an
// exit code has one, and a new outcome a new id (in both places).
struct RunEventEntry {
  RunOutcome outcome;
  std::uint16_t event_id;
  bool error;
  const char* summary;
};
inline constexpr RunEventEntry kRunEvents[] = {
    {RunOutcome::Updated, 1000, false, "Update installiert"},
    {RunOutcome::UpToDate, 1001, false, "Installierte Version ist aktuell, nichts zu tun"},
    {RunOutcome::RebootRequired, 1002, false, "Update installiert, zum Abschluss muss der PC neu gestartet werden"},
    {RunOutcome::RestartFailed, 1010, true, "Update installiert, Neustart fehlgeschlagen"},
    {RunOutcome::RestartSkipped, 1011, false, "Update installiert, Programm unter dem Systemkonto nicht gestartet"},
    {RunOutcome::NotInstalled, 1020, true, "Merovix ist nicht installiert, nichts geladen"},
    {RunOutcome::DownloadFailed, 1021, true, "Laden des Updates fehlgeschlagen"},
    {RunOutcome::InstallerRefused, 1022, true, "Update nicht vom Hersteller signiert, verworfen"},
    {RunOutcome::InstallerFailed, 1023, true, "Installation fehlgeschlagen"},
    {RunOutcome::InstallerOlder, 1024, true, "Update älter als die installierte Version, verworfen"},
    {RunOutcome::UnexpectedError, 1030, true, "Unerwarteter Fehler"},
    {RunOutcome::ArgumentRefused, 1040, true, "Unbekanntes Argument, nichts getan"},
    {RunOutcome::Cancelled, 1050, false, "Update vom Benutzer abgebrochen"},
    {RunOutcome::AlreadyRunning, 1060, false, "Ein anderer Lauf des Updates ist im Gange, nichts getan"},
};

// The entry of `outcome`; one without an entry counts as an unexpected error.
const RunEventEntry& RunEvent(RunOutcome outcome);

// The code of `outcome` in the table; an outcome without an entry (a cancel,
// which only a user's answer gives) counts as an unexpected error.
int UnattendedExitCode(RunOutcome outcome);

}  // namespace merovix
