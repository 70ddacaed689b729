// recorder.exe: the one stand-in program of the tests, for anything that is
// started or that runs (setup.exe, child.exe, the product's Merovix.exe ...).
// Copy it under the name needed; it works from two files beside itself,
// named after its own file name without ".exe":
//
// <name>.log  One record is appended per start, before anything else happens:
//             tab-separated fields key=value, values encoded as in
//             record_format.h (%XX for "%", bytes below 0x20 and 0x7F):
//               pid      its process id
//               ppid     the id of the process that started it
//               parent   that process's executable as the system names it
//                        (QueryFullProcessImageName; empty once it has ended)
//               cmdline  its full command line (GetCommandLineA)
//               folder   its current folder
//               flags    dwFlags of its STARTUPINFO (decimal)
//               show     wShowWindow of its STARTUPINFO (decimal)
//             The end of a signal wait appends "event=signal" or
//             "event=timeout" with its pid. tests/e2e/recorder_log.py and
//             tests/win/recorder_support.h read the records.
//
// <name>.cfg  Optional. Lines key=value, carried out in the order given
//             (values of stdout, stderr and start encoded like the log's):
//               stdout=BYTES   writes BYTES to standard output (one write)
//               stderr=BYTES   writes BYTES to standard error (one write)
//               start=LINE     starts the command line LINE, inheriting this
//                              program's handles and standard handles, and
//                              does not wait for it
//               wait_ms=N      bound of the following waits (default 10000;
//                              "infinite": until the process is ended)
//               wait=NAME      waits until the named event NAME is set
//                              (creating it, manual reset), at most wait_ms;
//                              an event that nobody sets makes a pause
//               signal=FILE    waits until FILE (relative: beside itself)
//                              appears, at most wait_ms; deletes it
//               exit=N         exit code when the lines are done (default 0)
//
// As a stand-in installer: "exit=3" and a look at cmdline for " /silent".
// As a running product program (Standin in tests/e2e/product.py,
// StandinProcess in tests/win/tool_fixtures.h): "wait_ms=infinite", then
// "signal=StopService" to leave when the updater asks, or a wait on an
// event nobody sets to run until ended.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <string>

#include "framework/string_list.h"
#include "framework/win/handles.h"
#include "tests/tools/recorder/record_format.h"
#include "tests/tools/tool_config.h"

using namespace merovix::tools;

namespace {

std::string OwnPathWithoutExe() {
  char path[MAX_PATH * 2] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string own(path, n);
  const size_t dot = own.rfind('.');
  const size_t slash = own.rfind('\\');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) own.resize(dot);
  return own;
}

DWORD ParentProcessId() {
  const DWORD self = GetCurrentProcessId();
  const merovix::UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL ok = Process32First(snapshot.get(), &entry); ok; ok = Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == self) return entry.th32ParentProcessID;
  }
  return 0;
}

std::string ImageOf(DWORD pid) {
  const merovix::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
  char path[MAX_PATH * 2] = {};
  DWORD size = sizeof(path);
  if (!process || !QueryFullProcessImageNameA(process.get(), 0, path, &size)) return {};
  return std::string(path, size);
}

void Record(const std::string& log) {
  char folder[MAX_PATH * 2] = {};
  const DWORD n = GetCurrentDirectoryA(sizeof(folder), folder);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoA(&startup);
  const DWORD parent = ParentProcessId();
  AppendText(log, recorder::FormatRecord({
                      {"pid", std::to_string(GetCurrentProcessId())},
                      {"ppid", std::to_string(parent)},
                      {"parent", ImageOf(parent)},
                      {"cmdline", GetCommandLineA()},
                      {"folder", std::string(folder, n < sizeof(folder) ? n : 0)},
                      {"flags", std::to_string(startup.dwFlags)},
                      {"show", std::to_string(startup.wShowWindow)},
                  }));
}

void WriteTo(DWORD which, const std::string& bytes) {
  DWORD written = 0;
  WriteFile(GetStdHandle(which), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void Start(std::string command_line) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  // Started and let go: the handles close at once.
  merovix::UniqueProcessInformation started;
  CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, started.put());
}

void WaitForEvent(const std::string& name, DWORD bound_ms) {
  const merovix::UniqueHandle event(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
  if (event) WaitForSingleObject(event.get(), bound_ms);
}

// Waits for the file `name`, at most `bound_ms`; records how the wait ended.
void WaitForSignalFile(const std::string& name, DWORD bound_ms, const std::string& log) {
  const std::string path = BesideExe(name);
  const bool signalled = WaitForFile(path, nullptr, bound_ms);
  if (signalled) DeleteFileA(path.c_str());
  AppendText(log, recorder::FormatRecord(
                      {{"event", signalled ? "signal" : "timeout"}, {"pid", std::to_string(GetCurrentProcessId())}}));
}

}  // namespace

int main() {
  const std::string base = OwnPathWithoutExe();
  Record(base + ".log");

  DWORD exit_code = 0;
  DWORD wait_ms = 10000;
  const std::string config = ReadFileText(base + ".cfg");
  for (const std::string& line : merovix::SplitLines(config)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1);
    if (key == "stdout") WriteTo(STD_OUTPUT_HANDLE, recorder::Decode(value));
    else if (key == "stderr") WriteTo(STD_ERROR_HANDLE, recorder::Decode(value));
    else if (key == "start") Start(recorder::Decode(value));
    else if (key == "wait_ms") wait_ms = value == "infinite" ? INFINITE : std::strtoul(value.c_str(), nullptr, 10);
    else if (key == "wait") WaitForEvent(value, wait_ms);
    else if (key == "signal") WaitForSignalFile(value, wait_ms, base + ".log");
    else if (key == "exit") exit_code = std::strtoul(value.c_str(), nullptr, 10);
  }
  return static_cast<int>(exit_code);
}
