// A real Windows service for the tests, whose behaviour the test chooses.
// Register it with CreateServiceA or "sc create NAME binPath= <path>\testsvc.exe"
// (an argument after the path overrides the name used for its files).
//
// Configuration: "<service name>.cfg" beside the executable, "key=value"
// lines, all optional (relative paths are beside the executable):
//   start=run|fail|hang  run: start pending, then running (default);
//                        fail: start pending, then back to stopped (checkpoint 0);
//                        hang: stays start pending at its last checkpoint
//   start_steps=<n>      start pending reports with checkpoints 1..n (default 3)
//   start_hint=<ms>      wait hint of those reports (default 200)
//   step_ms=<ms>         time spent after each pending report (default 100)
//   stop_steps=<n>       stop pending reports with checkpoints 1..n (default 1)
//   stop_hint=<ms>       wait hint of those reports (default 200)
//   accept_stop=0        refuse the stop control while running
//   pause=1              accept pause and continue
//   signal=<path>        while running: when this file appears, delete it and
//                        log "signal" (the service keeps running)
//   log=<path>           default "<service name>.log"
//   clock=1              after every status line also "clock state=<n> us=<t>",
//                        t the performance counter in microseconds (one clock
//                        for all processes: the benchmark's downtime)
// Log lines (appended, CR LF):
//   main name=<name> pid=<pid>
//   state=<n> checkpoint=<n> hint=<ms>      for every status reported
//   control=<n>                             for every control received
//   signal
#include "tool_config.h"

#include <windows.h>

#include <string>

using namespace merovix::tools;

namespace {

SERVICE_STATUS_HANDLE g_status_handle = nullptr;
CRITICAL_SECTION g_lock;
SERVICE_STATUS g_status{};
DWORD g_accepted_when_running = SERVICE_ACCEPT_STOP;
bool g_pausable = false;
UniqueHandle g_stop;
std::string g_log;
bool g_clock = false;

long long Microseconds() {
  LARGE_INTEGER now{}, frequency{};
  ::QueryPerformanceCounter(&now);
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<long long>(static_cast<double>(now.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart));
}

void Report(DWORD state, DWORD check_point, DWORD hint, DWORD exit_code = NO_ERROR) {
  ::EnterCriticalSection(&g_lock);
  g_status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  g_status.dwCurrentState = state;
  g_status.dwCheckPoint = check_point;
  g_status.dwWaitHint = hint;
  g_status.dwControlsAccepted = (state == SERVICE_RUNNING || state == SERVICE_PAUSED) ? g_accepted_when_running : 0;
  g_status.dwWin32ExitCode = exit_code;
  g_status.dwServiceSpecificExitCode = exit_code == ERROR_SERVICE_SPECIFIC_ERROR ? 1 : 0;
  // Logged before it is reported: Wine's service manager may end the process
  // right at a SERVICE_STOPPED report, which would lose a line written after.
  AppendLine(g_log, "state=" + std::to_string(state) + " checkpoint=" + std::to_string(check_point) +
                        " hint=" + std::to_string(hint));
  if (g_clock) AppendLine(g_log, "clock state=" + std::to_string(state) + " us=" + std::to_string(Microseconds()));
  ::SetServiceStatus(g_status_handle, &g_status);
  ::LeaveCriticalSection(&g_lock);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*) {
  AppendLine(g_log, "control=" + std::to_string(control));
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN: ::SetEvent(g_stop.get()); return NO_ERROR;
    case SERVICE_CONTROL_PAUSE:
      if (!g_pausable) return ERROR_CALL_NOT_IMPLEMENTED;
      Report(SERVICE_PAUSED, 0, 0);
      return NO_ERROR;
    case SERVICE_CONTROL_CONTINUE:
      if (!g_pausable) return ERROR_CALL_NOT_IMPLEMENTED;
      Report(SERVICE_RUNNING, 0, 0);
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE: return NO_ERROR;
    default: return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

std::string g_name_override;

void WINAPI ServiceMain(DWORD argc, char** argv) {
  const std::string name = !g_name_override.empty() ? g_name_override : (argc > 0 ? argv[0] : "testsvc");
  const ToolConfig config(OwnFolder() + name + ".cfg");
  g_log = BesideExe(config.Text("log", name + ".log"));
  AppendLine(g_log, "main name=" + name + " pid=" + std::to_string(::GetCurrentProcessId()));
  g_stop.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  g_status_handle = ::RegisterServiceCtrlHandlerExA(name.c_str(), Handler, nullptr);
  if (!g_status_handle) return;
  g_pausable = config.Number("pause", 0) == 1;
  g_clock = config.Number("clock", 0) == 1;
  g_accepted_when_running = (config.Number("accept_stop", 1) == 1 ? SERVICE_ACCEPT_STOP : 0) |
                            (g_pausable ? SERVICE_ACCEPT_PAUSE_CONTINUE : 0);

  const std::string start = config.Text("start", "run");
  const DWORD steps = config.Number("start_steps", 3);
  const DWORD hint = config.Number("start_hint", 200);
  const DWORD step_ms = config.Number("step_ms", 100);
  for (DWORD check_point = 1; check_point <= steps; ++check_point) {
    Report(SERVICE_START_PENDING, check_point, hint);
    ::Sleep(step_ms);
  }
  if (start == "fail") {
    Report(SERVICE_STOPPED, 0, 0, ERROR_SERVICE_SPECIFIC_ERROR);
    return;
  }
  if (start == "hang") {
    if (steps == 0) Report(SERVICE_START_PENDING, 0, hint);
    ::WaitForSingleObject(g_stop.get(), INFINITE);  // ends with the process
  } else {
    Report(SERVICE_RUNNING, 0, 0);
    const std::string signal = config.Text("signal");
    if (signal.empty()) {
      ::WaitForSingleObject(g_stop.get(), INFINITE);
    } else {
      const std::string signal_path = BesideExe(signal);
      while (WaitForFile(signal_path, g_stop.get())) {
        ::DeleteFileA(signal_path.c_str());
        AppendLine(g_log, "signal");
      }
    }
  }
  const DWORD stop_steps = config.Number("stop_steps", 1);
  const DWORD stop_hint = config.Number("stop_hint", 200);
  for (DWORD check_point = 1; check_point <= stop_steps; ++check_point) {
    Report(SERVICE_STOP_PENDING, check_point, stop_hint);
    ::Sleep(step_ms);
  }
  Report(SERVICE_STOPPED, 0, 0);
}

}  // namespace

int main(int argc, char** argv) {
  ::InitializeCriticalSection(&g_lock);
  if (argc > 1) g_name_override = argv[1];
  char empty[] = "";
  SERVICE_TABLE_ENTRYA table[] = {{empty, ServiceMain}, {nullptr, nullptr}};
  return ::StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
