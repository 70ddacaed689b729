#include "common/win/services.h"

#include "tests/win/test_files.h"
#include "tests/win/test_support.h"
#include "tool_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace merovix::test {
namespace {

// The service manager the product is addressed on.
const std::string kMachine = "localhost";

class Services : public ::testing::Test {
 protected:
  TempFolder scratch;
  // With a trailing "\\", as the fixtures take it.
  std::string Folder() const { return scratch.Path() + "\\"; }
};

class Stopwatch {
 public:
  ULONGLONG ElapsedMs() const { return ::GetTickCount64() - start_; }

 private:
  ULONGLONG start_ = ::GetTickCount64();
};

std::vector<std::string> StatusLines(const TestService& service) {
  std::vector<std::string> lines = service.Log();
  lines.erase(std::remove_if(lines.begin(), lines.end(),
                             [](const std::string& l) { return l.rfind("state=", 0) != 0; }),
              lines.end());
  return lines;
}

TEST_F(Services, ServiceExistsOnlyForASettledService) {
  EXPECT_EQ(ServiceState(kMachine, "Merovix_NotInstalled"), 0u);
  EXPECT_FALSE(ServiceExists(kMachine, "Merovix_NotInstalled"));

  TestService service(Folder(), "pause=1\nstart_steps=0\n");
  EXPECT_EQ(ServiceState(kMachine, service.Name()), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_TRUE(ServiceExists(kMachine, service.Name()));
  EXPECT_TRUE(ServiceExists("", service.Name()));

  ASSERT_TRUE(service.StartRunning());
  EXPECT_EQ(ServiceState(kMachine, service.Name()), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(ServiceExists(kMachine, service.Name()));
}

TEST_F(Services, ServiceExistsIsFalseWhilePendingOrPaused) {
  TestService pending(Folder(), "start=hang\nstart_steps=2\nstart_hint=5000\nstep_ms=0\n");
  ASSERT_TRUE(pending.Start());
  ASSERT_TRUE(WaitUntil([&] { return pending.Logged("state=2 checkpoint=2 hint=5000"); }));
  EXPECT_EQ(ServiceState(kMachine, pending.Name()), static_cast<DWORD>(SERVICE_START_PENDING));
  EXPECT_FALSE(ServiceExists(kMachine, pending.Name()));

  TestService paused(Folder(), "pause=1\nstart_steps=0\n");
  ASSERT_TRUE(paused.StartRunning());
  // Through a handle of its own: the operations ask for the query right only.
  UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  UniqueServiceHandle handle(::OpenServiceA(manager.get(), paused.Name().c_str(), SERVICE_PAUSE_CONTINUE));
  SERVICE_STATUS status{};
  ASSERT_TRUE(::ControlService(handle.get(), SERVICE_CONTROL_PAUSE, &status)) << ::GetLastError();
  ASSERT_TRUE(paused.WaitForState(SERVICE_PAUSED));
  EXPECT_EQ(ServiceState(kMachine, paused.Name()), static_cast<DWORD>(SERVICE_PAUSED));
  EXPECT_FALSE(ServiceExists(kMachine, paused.Name()));
  // A paused service counts as started.
  EXPECT_FALSE(StartServiceAndWait(kMachine, paused.Name()));
}

TEST_F(Services, AnUnreachableMachineGivesTheFailureValues) {
  if (RunningOnWine()) {
    // Known Wine difference: Wine's service manager answers for any machine
    // name as if it were this PC.
    GTEST_SKIP() << "Wine connects every machine name to the local service manager";
  }
  TestService service(Folder(), "");
  for (const std::string machine : {"merovix-unreachable.invalid", "\\\\merovix-unreachable.invalid"}) {
    Stopwatch watch;
    EXPECT_EQ(ServiceState(machine, service.Name()), 0u);
    EXPECT_FALSE(ServiceExists(machine, service.Name()));
    EXPECT_FALSE(StartServiceAndWait(machine, service.Name()));
    EXPECT_FALSE(StopServiceAndWait(machine, service.Name()));
    EXPECT_LT(watch.ElapsedMs(), 60000u) << machine;
  }
  EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOPPED));
}

TEST_F(Services, StartWaitsThroughEveryCheckpointUntilRunning) {
  TestService service(Folder(), "start_steps=3\nstart_hint=300\nstep_ms=150\n");
  Stopwatch watch;
  EXPECT_TRUE(StartServiceAndWait(kMachine, service.Name()));
  EXPECT_GE(watch.ElapsedMs(), 300u);  // slept at least one whole hint
  EXPECT_LT(watch.ElapsedMs(), 10000u);
  EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(StatusLines(service),
            (std::vector<std::string>{"state=2 checkpoint=1 hint=300", "state=2 checkpoint=2 hint=300",
                                      "state=2 checkpoint=3 hint=300", "state=4 checkpoint=0 hint=0"}));
}

TEST_F(Services, StartWithAWaitHintOfZeroPollsUntilRunning) {
  TestService service(Folder(), "start_steps=3\nstart_hint=0\nstep_ms=200\n");
  Stopwatch watch;
  EXPECT_TRUE(StartServiceAndWait(kMachine, service.Name()));
  EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_LT(watch.ElapsedMs(), 10000u);
}

TEST_F(Services, StartOfARunningServiceIsFalseWithoutWaiting) {
  TestService service(Folder(), "start_steps=0\n");
  ASSERT_TRUE(service.StartRunning());
  Stopwatch watch;
  EXPECT_FALSE(StartServiceAndWait(kMachine, service.Name()));
  EXPECT_LT(watch.ElapsedMs(), 1000u);
  EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_RUNNING));
}

TEST_F(Services, AStartThatFailsBackToStoppedEndsTheWait) {
  // After its checkpoint has advanced (the checkpoint goes down) ...
  TestService advanced(Folder(), "start=fail\nstart_steps=3\nstart_hint=300\nstep_ms=100\n");
  Stopwatch watch;
  EXPECT_FALSE(StartServiceAndWait(kMachine, advanced.Name()));
  EXPECT_TRUE(advanced.Logged("state=1 checkpoint=0 hint=0"));
  // ... and without any progress at all.
  TestService flat(Folder(), "start=fail\nstart_steps=0\n");
  EXPECT_FALSE(StartServiceAndWait(kMachine, flat.Name()));
  EXPECT_TRUE(flat.Logged("state=1 checkpoint=0 hint=0"));
  EXPECT_LT(watch.ElapsedMs(), 10000u);
  EXPECT_EQ(flat.State(), static_cast<DWORD>(SERVICE_STOPPED));
}

TEST_F(Services, AStartThatNeverLeavesPendingIsBoundedByTheLimit) {
  TestService service(Folder(), "start=hang\nstart_steps=1\nstart_hint=400\nstep_ms=0\n");
  Stopwatch watch;
  EXPECT_FALSE(StartServiceAndWait(kMachine, service.Name(), 1500));
  EXPECT_GE(watch.ElapsedMs(), 1400u);
  EXPECT_LT(watch.ElapsedMs(), 10000u);
  EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_START_PENDING));
}

TEST_F(Services, StopWaitsThroughStopPendingUntilStopped) {
  TestService service(Folder(), "start_steps=0\nstop_steps=3\nstop_hint=200\nstep_ms=100\n");
  ASSERT_TRUE(service.StartRunning());
  Stopwatch watch;
  EXPECT_TRUE(StopServiceAndWait(kMachine, service.Name()));
  EXPECT_LT(watch.ElapsedMs(), 10000u);
  EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_TRUE(service.Logged("control=1"));
  EXPECT_TRUE(service.Logged("state=3 checkpoint=3 hint=200"));
}

// As after "sc stop": the stop control sent without waiting.
void RequestStop(const std::string& name) {
  const UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  const UniqueServiceHandle service(::OpenServiceA(manager.get(), name.c_str(), SERVICE_STOP));
  SERVICE_STATUS status{};
  ASSERT_TRUE(service && ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status));
}

TEST_F(Services, WaitWhileStoppingLastsUntilTheStopEndsSoThatAStartSucceeds) {
  TestService service(Folder(), "start_steps=0\nstop_steps=8\nstop_hint=200\nstep_ms=100\n");
  ASSERT_TRUE(service.StartRunning());
  Stopwatch watch;
  EXPECT_EQ(WaitWhileServiceStops(kMachine, service.Name()), kServiceRunning);
  EXPECT_LT(watch.ElapsedMs(), 1000u);
  RequestStop(service.Name());
  EXPECT_EQ(WaitWhileServiceStops(kMachine, service.Name()), kServiceStopped);
  EXPECT_TRUE(service.Logged("state=3 checkpoint=8 hint=200"));
  EXPECT_TRUE(StartServiceAndWait(kMachine, service.Name()));
  EXPECT_EQ(WaitWhileServiceStops(kMachine, "Merovix_NotInstalled"), 0u);
}

TEST_F(Services, StopOfAStoppedServiceIsTrueWithoutWaiting) {
  TestService service(Folder(), "");
  Stopwatch watch;
  EXPECT_TRUE(StopServiceAndWait(kMachine, service.Name()));
  EXPECT_LT(watch.ElapsedMs(), 1000u);
  EXPECT_FALSE(StopServiceAndWait(kMachine, "Merovix_NotInstalled"));
}

TEST_F(Services, AStopThatTheServiceRefusesIsFalse) {
  TestService service(Folder(), "start_steps=0\naccept_stop=0\n");
  ASSERT_TRUE(service.StartRunning());
  EXPECT_FALSE(StopServiceAndWait(kMachine, service.Name()));
  EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_RUNNING));
}

// The test service's signal file, on which later tests of the update run rely.
TEST_F(Services, TheTestServiceDeletesItsSignalFileAndKeepsRunning) {
  TestService service(Folder(), "start_steps=0\nsignal=StopService\n");
  ASSERT_TRUE(StartServiceAndWait(kMachine, service.Name()));
  WriteTextFile(Folder() + "StopService", "");
  EXPECT_TRUE(WaitUntil([&] { return service.Logged("signal"); }));
  EXPECT_EQ(GetFileAttributesA((Folder() + "StopService").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(StopServiceAndWait(kMachine, service.Name()));
}

}  // namespace
}  // namespace merovix::test
