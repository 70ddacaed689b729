#pragma once
// What any Windows test may need: whether it runs under Wine, and a bounded
// wait on a condition.
#include <windows.h>

namespace merovix::test {

// True under Wine (its ntdll exports wine_get_version). A test that meets a
// known difference of Wine from Windows asks this first and then holds each
// platform to what it does, as Wine's own tests do with todo_wine: a check
// is never skipped because the fault it looks for has shown.
bool RunningOnWine();

// Polls `condition` every 10 ms until it holds or `timeout_ms` has passed
// (generous by default: the machine may be busy with other test suites).
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeout_ms = 10000) {
  const ULONGLONG deadline = ::GetTickCount64() + timeout_ms;
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount64() >= deadline) return false;
    ::Sleep(10);
  }
}

}  // namespace merovix::test
