#pragma once
// Querying, starting and stopping Windows services. Every call opens the
// service control manager and the service and closes both before it returns.
#include "common/service_wait.h"

#include <cstdint>
#include <string>

namespace merovix {

// The service's current state (SERVICE_STOPPED 1 ... SERVICE_PAUSED 7), or 0
// when none could be read. An empty machine name addresses this PC.
std::uint32_t ServiceState(const std::string& MachineName, const std::string& ServiceName);

// True when the service is installed and settled: running or stopped.
bool ServiceExists(const std::string& MachineName, const std::string& ServiceName);

// Starts the service and waits while it reports progress, at most
// `LimitMs`. True when the last state read is running; false also when the
// service was running already.
bool StartServiceAndWait(const std::string& MachineName, const std::string& ServiceName,
                         std::uint32_t LimitMs = kServiceWaitLimitMs);

// Sends the stop control and waits likewise. True when the last state read is
// stopped, also for a service that was stopped already.
bool StopServiceAndWait(const std::string& MachineName, const std::string& ServiceName,
                        std::uint32_t LimitMs = kServiceWaitLimitMs);

// Waits while the service is stopping, at most `LimitMs`: a stop requested
// without waiting ("sc stop") leaves it stop pending for a while, and a start
// meanwhile would be refused. The state last read, 0 when none could be read.
std::uint32_t WaitWhileServiceStops(const std::string& MachineName, const std::string& ServiceName,
                                    std::uint32_t LimitMs = kServiceWaitLimitMs);

}  // namespace merovix
