// Stand-in for the product's programs. Tests copy it under their names
// ("Merovix.exe", "storescp.exe", ...) and start the copies.
//
// It logs its start, then runs until it is terminated. Configuration: the
// file "<exe name without .exe>.cfg" beside the executable, "key=value" lines,
// all optional (relative paths are beside the executable):
//   log=<path>       log file; default "<exe name without .exe>.log"
//   signal=<path>    when this file appears: delete it, log "signal", exit
//   exit_code=<n>    exit code when leaving by signal or run_ms (default 0)
//   run_ms=<n>       exit by itself after n milliseconds
// Log lines (appended, CR LF):
//   start pid=<pid> show=<wShowWindow, or "-" without STARTF_USESHOWWINDOW> cmdline=<command line>
//   signal pid=<pid>
//   timeout pid=<pid>
#include "tool_config.h"

#include <windows.h>

#include <string>

using namespace merovix::tools;

int main() {
  const std::string base = OwnBaseName();
  const ToolConfig config(OwnFolder() + base + ".cfg");
  const std::string log = BesideExe(config.Text("log", base + ".log"));
  const std::string pid = std::to_string(::GetCurrentProcessId());

  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  ::GetStartupInfoA(&startup);
  const std::string show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? std::to_string(startup.wShowWindow)
                                                                    : std::string("-");
  AppendLine(log, "start pid=" + pid + " show=" + show + " cmdline=" + ::GetCommandLineA());

  const int exit_code = static_cast<int>(config.Number("exit_code", 0));
  const DWORD run_ms = config.Number("run_ms", INFINITE);
  const std::string signal = config.Text("signal");
  // Never set: a wait on it only ends by its time-out.
  const UniqueHandle never(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (signal.empty()) {
    ::WaitForSingleObject(never.get(), run_ms);
    AppendLine(log, "timeout pid=" + pid);
    return exit_code;
  }
  UniqueHandle timer;
  if (run_ms != INFINITE) {
    timer.reset(::CreateWaitableTimerA(nullptr, TRUE, nullptr));
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(run_ms) * 10000;
    ::SetWaitableTimer(timer.get(), &due, 0, nullptr, nullptr, FALSE);
  }
  const std::string signal_path = BesideExe(signal);
  if (WaitForFile(signal_path, timer.get())) {
    ::DeleteFileA(signal_path.c_str());
    AppendLine(log, "signal pid=" + pid);
  } else {
    AppendLine(log, "timeout pid=" + pid);
  }
  return exit_code;
}
