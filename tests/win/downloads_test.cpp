#include <windows.h>

#include <gtest/gtest.h>

#include <iterator>

#include "common/win/downloads.h"
#include "common/win/file_system.h"
#include "common/win/launch.h"
#include "common/win/program_folder.h"
#include "framework/exceptions.h"
#include "framework/win/handles.h"
#include "tests/win/recorder_support.h"
#include "tests/win/test_files.h"
#include "tests/win/wow64_support.h"

namespace merovix::test {
namespace {

using namespace std::string_literals;

std::string TempFile(const char* name) {
  char folder[MAX_PATH];
  GetTempPathA(std::size(folder), folder);
  return std::string(folder) + name;
}

TEST(Downloads, FileWriteTimeIsUtcToTheMillisecond) {
  const std::string path = TempFile("merovix_write_time.tmp");
  {
    const UniqueFileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    const SYSTEMTIME set = {1994, 11, 2, 15, 8, 12, 31, 250};  // Tue, 15 Nov 1994 08:12:31.250 UTC
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&set, &ft));
    EXPECT_TRUE(SetFileTime(file.get(), nullptr, nullptr, &ft));
  }
  EXPECT_EQ(FileWriteTime(path), (DateTime{1994, 11, 15, 8, 12, 31, 250}));
  DeleteFileA(path.c_str());

  try {
    FileWriteTime(path);
    FAIL() << "no error for a missing file";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unable to get last file write time for " + path);
  }
}

TEST(Downloads, WithoutCurlInTheSystemFolderWgetBesideTheProgramIsTaken) {
  char system_folder[MAX_PATH];
  GetSystemDirectoryA(system_folder, std::size(system_folder));
  if (GetFileAttributesA((std::string(system_folder) + "\\curl.exe").c_str()) != INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "curl.exe is in the System folder";
  }
  std::string tool = "unchanged";
  FindTransferTool(tool);
  EXPECT_EQ(tool, ProgramFolder() + "\\wget.exe");
  EXPECT_NE(ProgramFolder().back(), '\\');
}

// C:\Windows\system32 leads a 32-bit process on 64-bit Windows into SysWOW64:
// curl.exe counts only in the System folder of the program's own bitness,
// and the path it is started by is the one the program opened.
TEST(Downloads, CurlIsTakenFromTheSystemFolderOfTheProgramsBitnessOnly) {
  const SystemFolders folders = RealSystemFolders();
  if (folders.other.empty()) GTEST_SKIP() << "one System folder only";
  char system_folder[MAX_PATH];
  GetSystemDirectoryA(system_folder, std::size(system_folder));
  std::string tool;
  {
    ScopedRecorderCopy other(folders.other, "curl");
    if (!other.Placed()) GTEST_SKIP() << "curl.exe is in " << folders.other << " already, or it is read-only";
    FindTransferTool(tool);
    EXPECT_EQ(tool, ProgramFolder() + "\\wget.exe") << "curl.exe of the other bitness was taken";
  }
  ScopedRecorderCopy own(folders.own, "curl", "exit=7\n");
  if (!own.Placed()) GTEST_SKIP() << "curl.exe is in " << folders.own << " already, or it is read-only";
  FindTransferTool(tool);
  EXPECT_EQ(tool, std::string(system_folder) + "\\curl.exe");
  EXPECT_EQ(RunAndWaitForExitCode(tool, "-V", SW_HIDE), 7u);
  EXPECT_EQ(RecordsOf(own.Path()).size(), 1u);
}

TEST(Downloads, RefusedUrlsLeaveTheTargetAlone) {
  const std::string folder = TempFile("merovix_refused");
  CreateDirectoryA(folder.c_str(), nullptr);
  // No tool runs for these, so the test needs neither curl nor a host.
  for (const std::string& url :
       {"https://h/a b.exe"s, "https://h/x.exe&calc"s, "-o"s, "https://h/a.exe?x=1"s, "https://h/"s}) {
    DownloadFile(url, folder + "\\x", true, SW_HIDE);
  }
  WIN32_FIND_DATAA entry;
  const UniqueFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &entry));
  int entries = 0;
  if (find) {
    do ++entries;
    while (FindNextFileA(find.get(), &entry));
  }
  EXPECT_EQ(entries, 2);  // "." and ".."
  RemoveDirectoryA(folder.c_str());
}

// The update run installs only the file its download put in place, whatever
// the two paths look like.
TEST(Downloads, IsSameFileComparesFilesNotSpellings) {
  TempFolder temp;
  const std::string installer = temp.File("Merovix_Update_.exe");
  const std::string other = temp.File("Merovix_Setup.exe");
  char short_path[MAX_PATH] = {};
  const bool have_short = GetShortPathNameA(installer.c_str(), short_path, std::size(short_path)) != 0;
  std::string upper = installer;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));

  EXPECT_TRUE(IsSameFile(installer, installer));
  EXPECT_TRUE(IsSameFile(installer, upper));
  EXPECT_TRUE(IsSameFile(installer, temp.Path() + "\\\\Merovix_Update_.exe"));
  if (have_short) {
    EXPECT_TRUE(IsSameFile(installer, short_path)) << short_path;
  }
  EXPECT_FALSE(IsSameFile(installer, other));
  EXPECT_FALSE(IsSameFile(installer, temp.Path() + "\\missing.exe"));
  EXPECT_FALSE(IsSameFile(temp.Path(), temp.Path()));  // a folder is no file
}

// What a transfer writes into is new and the download's own: nobody else can
// delete or rename it while the download holds it, yet the tool writes into
// it as curl and wget do (overwriting the partial file, adding files to the
// folder). Afterwards it goes, through the download only.
TEST(Downloads, TheTransfersPlacesAreFreshAndHeldAgainstOthers) {
  TempFolder temp;
  const std::string local = temp.Path() + "\\Merovix_Update_.exe";
  WindowsDownloadOperations ops;
  const std::string partial = ops.CreatePartialFile(local), staging = ops.CreateStagingFolder(local);
  ASSERT_FALSE(partial.empty());
  ASSERT_FALSE(staging.empty());
  const std::string second = ops.CreatePartialFile(local);
  EXPECT_NE(second, partial) << "a fresh name each time";
  EXPECT_EQ(partial.rfind(local + ".", 0), 0u) << partial;
  EXPECT_EQ(staging.rfind(local + ".", 0), 0u) << staging;

  for (const std::string& own : {partial, staging}) {
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(MoveFileA(own.c_str(), (temp.Path() + "\\elsewhere").c_str())) << own;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << own;
  }
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(DeleteFileA(partial.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(RemoveDirectoryA(staging.c_str()));

  const auto tool_writes = [](const std::string& path, DWORD disposition) {
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), "new", 3, &written, nullptr) && written == 3;
  };
  EXPECT_TRUE(tool_writes(partial, CREATE_ALWAYS));
  EXPECT_TRUE(tool_writes(staging + "\\Merovix_Update_.exe", CREATE_NEW));

  EXPECT_TRUE(ops.MoveReplacing(partial, local));
  EXPECT_EQ(ReadTextFile(local), "new");
  ops.RemoveFile(second);
  ops.RemoveStagingFolder(staging);
  EXPECT_EQ(GetFileAttributesA(second.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA(staging.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace merovix::test
