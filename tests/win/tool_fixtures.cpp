#include "tool_fixtures.h"
#include "framework/string_list.h"
#include "tests/win/test_files.h"
#include "tests/win/test_support.h"

#include <gtest/gtest.h>

namespace merovix::test {
namespace {

std::string UniqueSuffix() {
  static int counter = 0;
  return std::to_string(::GetCurrentProcessId()) + "_" + std::to_string(++counter);
}

void CopyTool(const std::string& tool, const std::string& target) {
  const std::string source = TestBinFolder() + "\\" + tool;
  if (!::CopyFileA(source.c_str(), target.c_str(), FALSE)) {
    ADD_FAILURE() << "cannot copy " << source << " to " << target << ": " << ::GetLastError();
  }
}

std::string StandinConfig(const std::string& config) {
  // Without a wait of its own it runs until it is ended.
  const bool waits = ("\n" + config).find("\nsignal=") != std::string::npos ||
                     ("\n" + config).find("\nwait=") != std::string::npos;
  return "wait_ms=infinite\r\n" + config + (waits ? "" : "\r\nwait=merovix-standin-never-set\r\n");
}

}  // namespace

StandinProcess::StandinProcess(const std::string& folder, const std::string& exe_name, const std::string& config) {
  const std::string exe = folder + exe_name;
  // Further instances of one name share the copy.
  if (::GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES) CopyTool("recorder.exe", exe);
  const std::string base = exe_name.substr(0, exe_name.size() - 4);
  const std::string log = folder + base + ".log";
  WriteTextFile(folder + base + ".cfg", StandinConfig(config));
  const size_t logged_before = ReadTextFile(log).size();

  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  std::string command_line = "\"" + exe + "\"";
  if (!::CreateProcessA(exe.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, process_.put())) {
    ADD_FAILURE() << "cannot start " << exe << ": " << ::GetLastError();
    return;
  }
  // Running for the tests means: past its start-up, as its log shows.
  EXPECT_TRUE(WaitUntil([&] { return ReadTextFile(log).size() > logged_before || !Running(); }));
  EXPECT_TRUE(Running()) << exe_name << " ended at once";
}

StandinProcess::~StandinProcess() {
  if (!process_) return;
  Terminate();
  EXPECT_TRUE(WaitForEnd()) << "stand-in " << Id() << " does not end";
}

bool StandinProcess::WaitForEnd(DWORD timeout_ms) const {
  return ::WaitForSingleObject(process_.process(), timeout_ms) == WAIT_OBJECT_0;
}

DWORD StandinProcess::ExitCode() const {
  DWORD code = 0xdeadbeef;
  ::GetExitCodeProcess(process_.process(), &code);
  return code;
}

void StandinProcess::Terminate() const {
  if (Running()) ::TerminateProcess(process_.process(), 99);
}

TestService::TestService(const std::string& folder, const std::string& config)
    : folder_(folder), name_("MerovixTestSvc_" + UniqueSuffix()) {
  const std::string exe = folder + "testsvc.exe";
  if (::GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES) CopyTool("testsvc.exe", exe);
  WriteTextFile(folder + name_ + ".cfg", config);
  manager_.reset(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager_) {
    ADD_FAILURE() << "no service manager: " << ::GetLastError();
    return;
  }
  service_.reset(::CreateServiceA(manager_.get(), name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS,
                                  SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                  ("\"" + exe + "\"").c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
  if (!service_) ADD_FAILURE() << "cannot create service " << name_ << ": " << ::GetLastError();
}

TestService::~TestService() {
  if (!service_) return;
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  const auto query = [&] {
    return ::QueryServiceStatusEx(service_.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                  sizeof(status), &needed) != FALSE;
  };
  if (query() && status.dwCurrentState != SERVICE_STOPPED) {
    const UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId));
    SERVICE_STATUS ignored{};
    const bool stopping = ::ControlService(service_.get(), SERVICE_CONTROL_STOP, &ignored) != FALSE;
    if (!stopping || !WaitForState(SERVICE_STOPPED, 3000)) {
      // One that refuses the stop or hangs in a pending state: end its
      // process. (Wine's service manager then keeps the last state reported.)
      EXPECT_TRUE(process) << name_ << " pid " << status.dwProcessId;
      if (process) ::TerminateProcess(process.get(), 1);
    }
    // The process may still be on its way out after reporting stopped.
    if (process) {
      EXPECT_EQ(::WaitForSingleObject(process.get(), 5000), WAIT_OBJECT_0) << name_;
    }
  }
  EXPECT_TRUE(::DeleteService(service_.get())) << name_ << " " << ::GetLastError();
  service_.reset();
  ::DeleteFileA((folder_ + name_ + ".cfg").c_str());
}

DWORD TestService::State() const {
  SERVICE_STATUS status{};
  return ::QueryServiceStatus(service_.get(), &status) ? status.dwCurrentState : 0;
}

bool TestService::Start() const { return ::StartServiceA(service_.get(), 0, nullptr) != FALSE; }

bool TestService::WaitForState(DWORD state, DWORD timeout_ms) const {
  return WaitUntil([&] { return State() == state; }, timeout_ms);
}

std::vector<std::string> TestService::Log() const { return SplitLines(ReadTextFile(folder_ + name_ + ".log")); }

bool TestService::Logged(const std::string& line) const {
  for (const std::string& logged : Log()) {
    if (logged == line) return true;
  }
  return false;
}

}  // namespace merovix::test
