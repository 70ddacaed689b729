#include "common/service_wait.h"

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <vector>

namespace merovix {
namespace {

// Plays back a script of readings (nothing: the query fails) on a clock that
// only sleeping advances.
class ScriptedService : public ServiceStatusSource {
 public:
  explicit ScriptedService(std::deque<std::optional<ServiceStatusReading>> script) : script_(std::move(script)) {}
  bool QueryStatus(ServiceStatusReading& status) override {
    ++queries;
    if (script_.empty()) return false;
    const auto next = script_.front();
    if (script_.size() > 1 || !repeat_last) {
      script_.pop_front();
    } else if (advance_last && next) {
      ++script_.front()->check_point;
    }
    if (!next) return false;
    status = *next;
    return true;
  }
  void Sleep(std::uint32_t milliseconds) override {
    sleeps.push_back(milliseconds);
    now_ += milliseconds;
  }
  std::uint64_t NowMs() override { return now_; }

  bool repeat_last = false;
  bool advance_last = false;  // each repeat of the last reading one checkpoint further
  int queries = 0;
  std::vector<std::uint32_t> sleeps;

 private:
  std::deque<std::optional<ServiceStatusReading>> script_;
  std::uint64_t now_ = 1000;
};

using Sleeps = std::vector<std::uint32_t>;
constexpr ServiceStatusReading StartPending(std::uint32_t check_point, std::uint32_t hint) {
  return {kServiceStartPending, check_point, hint};
}
constexpr ServiceStatusReading kRunning{kServiceRunning, 0, 0};
constexpr ServiceStatusReading kStopped{kServiceStopped, 0, 0};

TEST(ServiceWait, SleepsEachReportedHintWholeUntilTheTargetIsReached) {
  ScriptedService service({StartPending(2, 300), StartPending(3, 2500), kRunning});
  ServiceStatusReading status = StartPending(1, 200);
  WaitForServiceGoal(service, kWaitUntilRunning, status);
  EXPECT_EQ(status.state, kServiceRunning);
  EXPECT_EQ(service.sleeps, (Sleeps{200, 300, 2500}));
}

TEST(ServiceWait, AHintOfZeroPollsAfterTheShortestPauseWhileTheCheckpointHolds) {
  ScriptedService service({StartPending(0, 0), StartPending(0, 0), StartPending(1, 0), kRunning});
  ServiceStatusReading status = StartPending(0, 0);
  WaitForServiceGoal(service, kWaitUntilRunning, status);
  EXPECT_EQ(status.state, kServiceRunning);
  EXPECT_EQ(service.sleeps, Sleeps(4, kShortestServicePollMs));
}

TEST(ServiceWait, ACheckpointThatGoesDownEndsTheWaitWithTheStateReadThen) {
  // A start that failed back to stopped after its checkpoint had advanced.
  ScriptedService failed({StartPending(3, 100), {{kServiceStopped, 0, 0}}});
  ServiceStatusReading status = StartPending(2, 100);
  WaitForServiceGoal(failed, kWaitUntilRunning, status);
  EXPECT_EQ(status.state, kServiceStopped);
  EXPECT_EQ(failed.queries, 2);

  // A pending state whose checkpoint restarts lower ends the wait too.
  ScriptedService restarted({StartPending(5, 100), StartPending(1, 100), kRunning});
  status = StartPending(4, 100);
  WaitForServiceGoal(restarted, kWaitUntilRunning, status);
  EXPECT_EQ(status, StartPending(1, 100));
}

TEST(ServiceWait, AStateOtherThanTargetOrPendingEndsTheWaitEvenWithoutCheckpointChange) {
  ScriptedService fell_back({StartPending(0, 100), kStopped, kRunning});
  ServiceStatusReading status = StartPending(0, 100);
  WaitForServiceGoal(fell_back, kWaitUntilRunning, status);
  EXPECT_EQ(status.state, kServiceStopped);
  EXPECT_EQ(fell_back.queries, 2);

  ScriptedService paused({{{kServicePaused, 0, 0}}});
  status = {kServiceStopPending, 0, 0};
  WaitForServiceGoal(paused, kWaitUntilStopped, status);
  EXPECT_EQ(status.state, kServicePaused);
}

TEST(ServiceWait, TheStateReadRightAfterTheRequestGetsOnePollToTurnPending) {
  // A stop handler that reports stop pending only after it has returned:
  // the status handed back with the request may still say running.
  ScriptedService service({{{kServiceStopPending, 1, 50}}, kStopped});
  ServiceStatusReading status = kRunning;
  WaitForServiceGoal(service, kWaitUntilStopped, status);
  EXPECT_EQ(status.state, kServiceStopped);
  EXPECT_EQ(service.sleeps, (Sleeps{kShortestServicePollMs, 50}));
}

TEST(ServiceWait, AFailedQueryKeepsTheLastStatusRead) {
  ScriptedService service({StartPending(2, 100), std::nullopt, kRunning});
  ServiceStatusReading status = StartPending(1, 100);
  WaitForServiceGoal(service, kWaitUntilRunning, status);
  EXPECT_EQ(status, StartPending(2, 100));
  EXPECT_EQ(service.queries, 2);
}

std::uint64_t Slept(const ScriptedService& service) {
  std::uint64_t slept = 0;
  for (const auto s : service.sleeps) slept += s;
  return slept;
}

TEST(ServiceWait, TheWholeWaitIsBoundedByTheLimitAlsoWhileCheckpointsAdvance) {
  ScriptedService steady({StartPending(8, 3000)});
  steady.repeat_last = steady.advance_last = true;
  ServiceStatusReading status = StartPending(7, 3000);
  WaitForServiceGoal(steady, kWaitUntilRunning, status, 10000);
  EXPECT_EQ(status.state, kServiceStartPending);
  EXPECT_EQ(steady.sleeps, (Sleeps{3000, 3000, 3000, 1000}));

  ScriptedService busy({StartPending(2, 0)});
  busy.repeat_last = busy.advance_last = true;
  status = StartPending(1, 0);
  WaitForServiceGoal(busy, kWaitUntilRunning, status);
  // Ten minutes, as the administrators are told; not read from the code.
  constexpr std::uint32_t kTenMinutesMs = 10 * 60 * 1000;
  EXPECT_EQ(Slept(busy), kTenMinutesMs);

  // A huge wait hint is cut to what is left of the limit.
  ScriptedService slow({StartPending(1, 0xFFFFFFFF)});
  slow.repeat_last = true;
  status = StartPending(1, 0xFFFFFFFF);
  WaitForServiceGoal(slow, kWaitUntilRunning, status);
  EXPECT_EQ(slow.sleeps, Sleeps{kTenMinutesMs});
}

// A service that stops reporting progress is hung: the wait ends once
// neither checkpoint nor state changed for longer than its wait hint, or,
// for a small hint, for the least patience.
TEST(ServiceWait, APendingStateWithoutProgressEndsTheWaitAfterItsHint) {
  ScriptedService stuck({StartPending(7, 30000)});
  stuck.repeat_last = true;
  ServiceStatusReading status = StartPending(7, 30000);
  WaitForServiceGoal(stuck, kWaitUntilRunning, status);
  EXPECT_EQ(status, StartPending(7, 30000));
  EXPECT_EQ(stuck.sleeps, (Sleeps{30000, 30000}));

  // Progress first, then none: counted from the last change.
  ScriptedService stalled({StartPending(2, 4000), StartPending(3, 4000), StartPending(3, 4000)});
  stalled.repeat_last = true;
  status = StartPending(1, 4000);
  WaitForServiceGoal(stalled, kWaitUntilRunning, status);
  EXPECT_EQ(Slept(stalled), 8000 + 12000u);

  ScriptedService silent({StartPending(0, 0)});
  silent.repeat_last = true;
  status = StartPending(0, 0);
  WaitForServiceGoal(silent, kWaitUntilRunning, status);
  EXPECT_EQ(Slept(silent), kServiceLeastPatienceMs + kShortestServicePollMs);

  // The same for a stop.
  ScriptedService stopping({{{kServiceStopPending, 1, 100}}});
  stopping.repeat_last = true;
  status = {kServiceStopPending, 1, 100};
  WaitForServiceGoal(stopping, kWaitUntilStopped, status);
  EXPECT_EQ(status.state, kServiceStopPending);
  EXPECT_EQ(Slept(stopping), kServiceLeastPatienceMs + 100);
}

}  // namespace
}  // namespace merovix
