#pragma once
// Fixtures of the Windows tests around the test tools:
// copies of the stand-in program running under the product's names, and the
// test service registered in the service manager. Each cleans up after
// itself on every path; every wait is bounded.
#include "framework/win/handles.h"

#include <windows.h>

#include <string>
#include <vector>

namespace merovix::test {

// A copy of recorder.exe named `exe_name` in `folder`, started and running
// (its start is recorded) until the fixture ends or Terminate. `config` holds
// recorder lines ("signal=StopService", "exit=7"); without a wait of its own
// ("signal=" or "wait=") it runs until ended, and waits are unbounded unless
// it sets "wait_ms".
class StandinProcess {
 public:
  StandinProcess(const std::string& folder, const std::string& exe_name, const std::string& config = "");
  ~StandinProcess();
  StandinProcess(const StandinProcess&) = delete;
  StandinProcess& operator=(const StandinProcess&) = delete;

  DWORD Id() const { return process_.process_id(); }
  HANDLE Process() const { return process_.process(); }
  std::string IdText() const { return std::to_string(Id()); }
  // True when the process ends within `timeout_ms`.
  bool WaitForEnd(DWORD timeout_ms = 10000) const;
  bool Running() const { return ::WaitForSingleObject(process_.process(), 0) == WAIT_TIMEOUT; }
  DWORD ExitCode() const;
  void Terminate() const;
  bool TerminateAndWait() const {
    Terminate();
    return WaitForEnd();
  }

 private:
  UniqueProcessInformation process_;
};

// The test service, copied into `folder` and registered under a name of its
// own with `config` as its configuration. The fixture stops it (terminating
// its process when it does not stop) and deletes it.
class TestService {
 public:
  TestService(const std::string& folder, const std::string& config);
  ~TestService();
  TestService(const TestService&) = delete;
  TestService& operator=(const TestService&) = delete;

  const std::string& Name() const { return name_; }
  // The current state read with the fixture's own handle (0 when unreadable).
  DWORD State() const;
  // StartServiceA without waiting.
  bool Start() const;
  // Start, then wait until it runs.
  bool StartRunning() const { return Start() && WaitForState(SERVICE_RUNNING); }
  // Waits until the service reports `state`.
  bool WaitForState(DWORD state, DWORD timeout_ms = 10000) const;
  // The service's log lines so far.
  std::vector<std::string> Log() const;
  bool Logged(const std::string& line) const;

 private:
  std::string folder_;
  std::string name_;
  UniqueServiceHandle manager_;
  UniqueServiceHandle service_;
};

}  // namespace merovix::test
