#include "common/service_wait.h"

#include <algorithm>

namespace merovix {

void WaitForServiceGoal(ServiceStatusSource& source, ServiceWaitGoal goal, ServiceStatusReading& status,
                        std::uint32_t limit_ms) {
  std::uint64_t last_progress = source.NowMs();
  const std::uint64_t deadline = last_progress + limit_ms;
  while (status.state != goal.target) {
    const std::uint64_t now = source.NowMs();
    if (now >= deadline) return;
    const ServiceStatusReading remembered = status;
    const std::uint64_t pause = std::min<std::uint64_t>(std::max(status.wait_hint, kShortestServicePollMs),
                                                        deadline - now);
    source.Sleep(static_cast<std::uint32_t>(pause));

    ServiceStatusReading next;
    if (!source.QueryStatus(next)) return;
    status = next;
    if (remembered.check_point > status.check_point) return;
    // Settled somewhere else, e.g. a start that failed back to stopped
    // without its checkpoint ever advancing.
    if (status.state != goal.target && status.state != goal.pending) return;
    const std::uint64_t read_at = source.NowMs();
    if (status.check_point != remembered.check_point || status.state != remembered.state) {
      last_progress = read_at;
    } else if (read_at - last_progress > std::max(status.wait_hint, kServiceLeastPatienceMs)) {
      return;
    }
  }
}

}  // namespace merovix
