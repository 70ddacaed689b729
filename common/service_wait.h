#pragma once
// The wait of a service start or stop, against a small interface so that
// its exits can be tested without a service control manager.
#include <cstdint>

namespace merovix {

// The fields of a service status that the wait reads.
struct ServiceStatusReading {
  std::uint32_t state = 0;  // 0: never read
  std::uint32_t check_point = 0;
  std::uint32_t wait_hint = 0;  // milliseconds

  friend bool operator==(const ServiceStatusReading&, const ServiceStatusReading&) = default;
};

inline constexpr std::uint32_t kServiceStopped = 1;
inline constexpr std::uint32_t kServiceStartPending = 2;
inline constexpr std::uint32_t kServiceStopPending = 3;
inline constexpr std::uint32_t kServiceRunning = 4;
inline constexpr std::uint32_t kServicePaused = 7;

// What the wait waits for, and the pending state that leads there.
struct ServiceWaitGoal {
  std::uint32_t target;
  std::uint32_t pending;
};
inline constexpr ServiceWaitGoal kWaitUntilRunning{kServiceRunning, kServiceStartPending};
inline constexpr ServiceWaitGoal kWaitUntilStopped{kServiceStopped, kServiceStopPending};

// A clinical service may spend minutes starting or stopping (database
// recovery, rebuilding an image index after an update) while it keeps
// reporting progress. Ten minutes leaves room for that and still ends the
// wait on a service whose checkpoints keep moving without an end.
inline constexpr std::uint32_t kServiceWaitLimitMs = 10 * 60 * 1000;

// A service promises to advance its checkpoint (or change its state) within
// the wait hint it reported; one that does not is taken as hung. A hint of 0
// or a few milliseconds from a service that reports sloppily still gets this
// long without progress before the wait ends.
inline constexpr std::uint32_t kServiceLeastPatienceMs = 10 * 1000;

// A wait hint of 0 asks to query again at once; polling the service manager
// without pause would keep a core busy for the whole wait, so a poll never
// comes sooner than this.
inline constexpr std::uint32_t kShortestServicePollMs = 10;

class ServiceStatusSource {
 public:
  virtual ~ServiceStatusSource() = default;
  // Reads the current status; false when it cannot be read.
  virtual bool QueryStatus(ServiceStatusReading& status) = 0;
  virtual void Sleep(std::uint32_t milliseconds) = 0;
  // A monotonic clock in milliseconds.
  virtual std::uint64_t NowMs() = 0;
};

// Waits while `status` (the status read after the start or stop request) is
// not the goal's target: sleeps the reported wait hint (at least the shortest
// poll, at most what is left of `limit_ms`), then reads the status again.
// Leaves the wait when a read fails, when the checkpoint went down, when the
// state read is neither the target nor its pending state, when neither
// checkpoint nor state changed for longer than the wait hint last read (and
// kServiceLeastPatienceMs), or when the limit is used up. `status` ends as
// the last status read.
void WaitForServiceGoal(ServiceStatusSource& source, ServiceWaitGoal goal, ServiceStatusReading& status,
                        std::uint32_t limit_ms = kServiceWaitLimitMs);

}  // namespace merovix
