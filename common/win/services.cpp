#include "common/win/services.h"

#include "framework/win/handles.h"

#include <windows.h>
#include <winsvc.h>

namespace merovix {

// The portable wait compares states read here with its own copies.
static_assert(kServiceStopped == SERVICE_STOPPED && kServiceStartPending == SERVICE_START_PENDING &&
              kServiceStopPending == SERVICE_STOP_PENDING && kServiceRunning == SERVICE_RUNNING &&
              kServicePaused == SERVICE_PAUSED);

namespace {

ServiceStatusReading ReadingOf(const SERVICE_STATUS& status) {
  return {status.dwCurrentState, status.dwCheckPoint, status.dwWaitHint};
}

class ServiceManagerStatus : public ServiceStatusSource {
 public:
  explicit ServiceManagerStatus(SC_HANDLE service) : service_(service) {}
  bool QueryStatus(ServiceStatusReading& status) override {
    SERVICE_STATUS raw{};
    if (!::QueryServiceStatus(service_, &raw)) return false;
    status = ReadingOf(raw);
    return true;
  }
  void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }
  std::uint64_t NowMs() override { return ::GetTickCount64(); }

 private:
  SC_HANDLE service_;
};

// An empty machine name means this PC, to Windows as to the callers.
UniqueServiceHandle OpenManager(const std::string& machine) {
  return UniqueServiceHandle(::OpenSCManagerA(machine.c_str(), nullptr, SC_MANAGER_CONNECT));
}

// The service opened with `access` (plus the right to query its status), or
// nothing. The manager must outlive the returned handle.
UniqueServiceHandle OpenServiceFor(const UniqueServiceHandle& manager, const std::string& service, DWORD access) {
  if (!manager) return UniqueServiceHandle();
  return UniqueServiceHandle(::OpenServiceA(manager.get(), service.c_str(), access | SERVICE_QUERY_STATUS));
}

}  // namespace

std::uint32_t ServiceState(const std::string& MachineName, const std::string& ServiceName) {
  const UniqueServiceHandle manager = OpenManager(MachineName);
  const UniqueServiceHandle service = OpenServiceFor(manager, ServiceName, 0);
  SERVICE_STATUS status{};
  if (!service || !::QueryServiceStatus(service.get(), &status)) return 0;
  return status.dwCurrentState;
}

bool ServiceExists(const std::string& MachineName, const std::string& ServiceName) {
  const std::uint32_t state = ServiceState(MachineName, ServiceName);
  return state == SERVICE_RUNNING || state == SERVICE_STOPPED;
}

bool StartServiceAndWait(const std::string& MachineName, const std::string& ServiceName, std::uint32_t LimitMs) {
  ServiceStatusReading status;
  const UniqueServiceHandle manager = OpenManager(MachineName);
  const UniqueServiceHandle service = OpenServiceFor(manager, ServiceName, SERVICE_START);
  if (service && ::StartServiceA(service.get(), 0, nullptr)) {
    ServiceManagerStatus source(service.get());
    if (source.QueryStatus(status)) WaitForServiceGoal(source, kWaitUntilRunning, status, LimitMs);
  }
  return status.state == SERVICE_RUNNING;
}

bool StopServiceAndWait(const std::string& MachineName, const std::string& ServiceName, std::uint32_t LimitMs) {
  SERVICE_STATUS raw{};
  const UniqueServiceHandle manager = OpenManager(MachineName);
  const UniqueServiceHandle service = OpenServiceFor(manager, ServiceName, SERVICE_STOP);
  if (!service) return false;
  // A refused control may still report the status, as for a service that is
  // not running: the result then follows from that.
  const bool sent = ::ControlService(service.get(), SERVICE_CONTROL_STOP, &raw);
  ServiceStatusReading status = ReadingOf(raw);
  if (sent) {
    ServiceManagerStatus source(service.get());
    WaitForServiceGoal(source, kWaitUntilStopped, status, LimitMs);
  }
  return status.state == SERVICE_STOPPED;
}

std::uint32_t WaitWhileServiceStops(const std::string& MachineName, const std::string& ServiceName,
                                    std::uint32_t LimitMs) {
  ServiceStatusReading status;
  const UniqueServiceHandle manager = OpenManager(MachineName);
  const UniqueServiceHandle service = OpenServiceFor(manager, ServiceName, 0);
  if (!service) return 0;
  ServiceManagerStatus source(service.get());
  // Any state but stop pending ends the wait at once.
  if (source.QueryStatus(status)) WaitForServiceGoal(source, kWaitUntilStopped, status, LimitMs);
  return status.state;
}

}  // namespace merovix
