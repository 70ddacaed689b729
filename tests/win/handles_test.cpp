#include "framework/win/handles.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "tests/win/test_files.h"

namespace merovix::test {
namespace {

// A value beyond any process's handle table: closing it fails and sets an
// error of its own.
HANDLE BogusHandle() { return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(0x3ffffff0)); }

// An owner released on the way out of a failed call must leave that call's
// error for the caller to read, also when the release itself fails.
TEST(Owners, ReleasingKeepsTheThreadsLastError) {
  TempFolder temp;
  const struct {
    const char* owner;
    std::function<void()> release;
  } cases[] = {
      {"UniqueHandle", [] { UniqueHandle(BogusHandle()).reset(); }},
      {"UniqueFileHandle", [] { UniqueFileHandle owned(BogusHandle()); }},
      {"UniqueProcessInformation",
       [] {
         UniqueProcessInformation started;
         started.put()->hProcess = BogusHandle();
         started.put();  // releases the bogus pair first
       }},
      {"DeleteOnExit", [&] { DeleteOnExit gone(temp.Path() + "\\missing.txt", true); }},
  };
  // The releases fail with errors of their own...
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(CloseHandle(BogusHandle()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  // ...which the owners do not let through.
  for (const auto& c : cases) {
    SetLastError(0xdeadbeef);
    c.release();
    EXPECT_EQ(GetLastError(), 0xdeadbeefu) << c.owner;
  }
}

// COM for the folder dialog in a thread whose host already chose an
// apartment: a thread in the multithreaded apartment stays in it, and in a
// single-threaded apartment the scope gives back the count it added.
TEST(Owners, ScopedCoInitializeLeavesOnlyWhatItEntered) {
  std::thread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    {
      const ScopedCoInitialize com;
      EXPECT_EQ(com.result(), RPC_E_CHANGED_MODE);
    }
    // Still initialised as before: entering again only counts.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE) << "the host's apartment was left";
    CoUninitialize();
    CoUninitialize();
  }).join();

  std::thread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    {
      const ScopedCoInitialize com;
      EXPECT_EQ(com.result(), S_FALSE);
    }
    CoUninitialize();
    // Left entirely by the host's own CoUninitialize: nothing was held on.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK) << "the scope's count was not given back";
    CoUninitialize();
  }).join();
}

}  // namespace
}  // namespace merovix::test
