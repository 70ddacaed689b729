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
    if (script_.size() > 1 || !repeat_last) script_.pop_front();
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

TEST(ServiceWait, TheWholeWaitIsBoundedByTheLimit) {
  ScriptedService stuck({StartPending(7, 3000)});
  stuck.repeat_last = true;
  ServiceStatusReading status = StartPending(7, 3000);
  WaitForServiceGoal(stuck, kWaitUntilRunning, status, 10000);
  EXPECT_EQ(status.state, kServiceStartPending);
  EXPECT_EQ(stuck.sleeps, (Sleeps{3000, 3000, 3000, 1000}));

  // Checkpoints that keep advancing do not extend the limit either.
  ScriptedService busy({StartPending(1, 0)});
  busy.repeat_last = true;
  status = StartPending(1, 0);
  WaitForServiceGoal(busy, kWaitUntilRunning, status);
  std::uint64_t slept = 0;
  for (const auto s : busy.sleeps) slept += s;
  EXPECT_EQ(slept, kServiceWaitLimitMs);

  // A huge wait hint is cut to what is left of the limit.
  ScriptedService slow({StartPending(1, 0xFFFFFFFF)});
  slow.repeat_last = true;
  status = StartPending(1, 0xFFFFFFFF);
  WaitForServiceGoal(slow, kWaitUntilRunning, status);
  EXPECT_EQ(slow.sleeps, Sleeps{kServiceWaitLimitMs});
}

}  // namespace
}  // namespace merovix
