#include "framework/win/system_folder.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/win/recorder_support.h"
#include "tests/win/test_files.h"

namespace merovix::test {
namespace {

// Restores the default DLL search (program folder, System folder) for the
// tests that follow; the current folder and the PATH stay out of it.
class RestrictedDllSearch {
 public:
  RestrictedDllSearch() { RestrictDllSearchToSystemFolder(); }
  ~RestrictedDllSearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (const auto set = ProcAddress<SetDefaultDllDirectoriesFn>(GetModuleHandleA("kernel32.dll"),
                                                                 "SetDefaultDllDirectories")) {
      set(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    }
  }
};

// A DLL planted beside the program or in the current folder (any PE file
// loads as one) is found by name until the search is restricted, and never
// after; DLLs of the System folder still load.
TEST(DllSearch, OnceRestrictedAPlantedDllIsNotFound) {
  TempFolder temp;
  const std::string recorder = TestBinFolder() + "\\recorder.exe";
  const std::string beside = TestBinFolder() + "\\merovix_planted_beside.dll";
  const std::string in_current = temp.Path() + "\\merovix_planted_current.dll";
  ASSERT_TRUE(CopyFileA(recorder.c_str(), beside.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(recorder.c_str(), in_current.c_str(), FALSE));
  {
    ScopedCurrentFolder in(temp.Path());
    EXPECT_TRUE(UniqueModule(LoadLibraryA("merovix_planted_beside.dll"))) << "the test's premise";
    EXPECT_TRUE(UniqueModule(LoadLibraryA("merovix_planted_current.dll"))) << "the test's premise";
    const RestrictedDllSearch restricted;
    for (const char* planted : {"merovix_planted_beside.dll", "merovix_planted_current.dll"}) {
      SetLastError(0xdeadbeef);
      const UniqueModule module(LoadLibraryA(planted));
      EXPECT_FALSE(module) << planted;
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND)) << planted;
    }
    EXPECT_TRUE(UniqueModule(LoadLibraryA("version.dll")));
    EXPECT_TRUE(LoadSystemLibrary("wintrust.dll"));
    EXPECT_FALSE(LoadSystemLibrary("merovix_planted_beside.dll"));
  }
  EXPECT_TRUE(DeleteFileA(beside.c_str()));
}

}  // namespace
}  // namespace merovix::test
