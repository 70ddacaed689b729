#include "common/win/launch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "framework/exceptions.h"
#include "framework/win/handles.h"
#include "tests/win/recorder_support.h"
#include "tests/win/test_support.h"
#include "tests/win/wow64_support.h"

namespace merovix::test {
namespace {

constexpr DWORD kBoundMs = 15000;

TEST(RunAndWait, RunsTheQuotedPathAndParametersInTheProgramsFolder) {
  TempFolder temp;
  const std::string folder = MakeSubfolder(temp, "Program Files\\Merovix");
  const std::string setup = InstallRecorder(folder, "Merovix_Update_", "exit=3\n");

  EXPECT_TRUE(RunAndWait(setup, "/silent", SW_SHOWNORMAL));
  // The installer's code reaches the update run; an empty parameter list
  // still leaves the blank behind the path.
  EXPECT_EQ(RunAndWaitForExitCode(setup, "", SW_SHOWMINIMIZED), 3u);

  auto records = RecordsOf(setup);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0]["cmdline"], "\"" + setup + "\" /silent");
  EXPECT_EQ(records[0]["folder"], folder);
  EXPECT_EQ(records[0]["flags"], "1");  // STARTF_USESHOWWINDOW
  EXPECT_EQ(records[0]["show"], "1");
  EXPECT_EQ(records[1]["cmdline"], "\"" + setup + "\" ");
  EXPECT_EQ(records[1]["show"], "2");
}

TEST(RunAndWait, WaitsForTheProgramsEnd) {
  TempFolder temp;
  NamedEvent release;
  const std::string tool = InstallRecorder(temp.Path(), "tool", "wait=" + release.Name() + "\nexit=0\n");
  // The program runs until the event is set (or its own bound of 10 s ends).
  std::atomic<bool> released = false;
  std::thread releaser([&] {
    WaitUntil([&] { return !RecordsOf(tool).empty(); }, kBoundMs);
    released = true;
    release.Set();
  });
  const ULONGLONG start = GetTickCount64();
  // Read before the end, the code would be STILL_ACTIVE.
  EXPECT_EQ(RunAndWaitForExitCode(tool, "", SW_SHOWNORMAL), 0u);
  EXPECT_TRUE(released);
  EXPECT_LT(GetTickCount64() - start, 9000u) << "the program was not released by the event";
  releaser.join();
}

// A Linux program started by Wine cannot be waited for and has no exit code:
// it stands for a process whose code cannot be read.
TEST(RunAndWait, AnUnreadableExitCodeIsNoneButTheStartCounts) {
  if (!RunningOnWine()) GTEST_SKIP() << "needs Wine";
  TempFolder temp;
  const std::string linux_true = temp.Path() + "\\true.exe";
  ASSERT_TRUE(CopyFileA("Z:\\bin\\true", linux_true.c_str(), FALSE));
  EXPECT_EQ(RunAndWaitForExitCode(linux_true, "", SW_SHOWNORMAL), std::nullopt);
  EXPECT_TRUE(RunAndWait(linux_true, "", SW_SHOWNORMAL));
}

// Without a folder in the path the program runs in the caller's folder
// (CreateProcess would refuse an empty one).
TEST(RunAndWait, APathWithoutFolderRunsInTheCallersFolder) {
  TempFolder temp;
  const std::string tool = InstallRecorder(temp.Path(), "tool", "exit=9\n");
  {
    ScopedCurrentFolder in(temp.Path());
    EXPECT_EQ(RunAndWaitForExitCode("tool.exe", "-q", SW_SHOWNORMAL), 9u);
  }
  auto records = RecordsOf(tool);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["cmdline"], "\"tool.exe\" -q");
  EXPECT_EQ(records[0]["folder"], temp.Path());
}

TEST(RunAndWait, AMissingProgramFailsAtOnce) {
  TempFolder temp;
  const std::string missing = temp.Path() + "\\missing.exe";
  EXPECT_FALSE(RunAndWait(missing, "/silent", SW_SHOWNORMAL));
  EXPECT_EQ(RunAndWaitForExitCode(missing, "/silent", SW_SHOWNORMAL), std::nullopt);
  EXPECT_FALSE(RunAndWait(temp.Path() + "\\nofolder\\setup.exe", "", SW_SHOWNORMAL));
}

class RunDetachedTest : public ::testing::Test {
 protected:
  // Starts the recorder at `exe` detached, checks that it still runs on
  // return, lets it end and returns its record.
  recorder::Record StartAndRelease(const std::string& exe, const std::string& parameters, bool quote,
                                   const NamedEvent& release) {
    UniqueProcessInformation started;
    RunDetached(exe, parameters, SW_MINIMIZE, quote, started);
    EXPECT_TRUE(started.process() != nullptr && started.thread() != nullptr);
    if (!started) return {};
    EXPECT_EQ(WaitForSingleObject(started.process(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "returned too late";
    EXPECT_EQ(GetProcessId(started.process()), started.process_id());
    release.Set();
    EXPECT_EQ(WaitForSingleObject(started.process(), kBoundMs), WAIT_OBJECT_0);
    auto records = RecordsOf(exe);
    EXPECT_EQ(records.size(), 1u);
    return records.empty() ? recorder::Record{} : records.back();
  }
  TempFolder temp_;
};

TEST_F(RunDetachedTest, QuotedPathAloneOrWithTheParametersAsOneArgument) {
  NamedEvent release;
  const std::string config = "wait=" + release.Name() + "\n";
  const std::string folder = MakeSubfolder(temp_, "Mero vix");
  const std::string merovix = InstallRecorder(folder, "Merovix", config);
  auto record = StartAndRelease(merovix, "", true, release);
  EXPECT_EQ(record["cmdline"], "\"" + merovix + "\"");
  EXPECT_EQ(record["folder"], folder);
  EXPECT_EQ(record["flags"], "1");  // STARTF_USESHOWWINDOW
  EXPECT_EQ(record["show"], "6");

  NamedEvent release2;
  const std::string other = InstallRecorder(MakeSubfolder(temp_, "Other"), "Other", "wait=" + release2.Name() + "\n");
  record = StartAndRelease(other, "-a -b", true, release2);
  EXPECT_EQ(record["cmdline"], "\"" + other + "\" \"-a -b\"");
}

TEST_F(RunDetachedTest, UnquotedPathBlankAndParameters) {
  NamedEvent release;
  const std::string tool = InstallRecorder(temp_.Path(), "tool", "wait=" + release.Name() + "\n");
  auto record = StartAndRelease(tool, "-x", false, release);
  EXPECT_EQ(record["cmdline"], tool + " -x");
}

// A failed start neither closes nor replaces the process the caller holds.
TEST_F(RunDetachedTest, AFailedStartLeavesTheCallersProcessAlone) {
  NamedEvent release;
  const std::string tool = InstallRecorder(temp_.Path(), "tool", "wait=" + release.Name() + "\n");
  UniqueProcessInformation held;
  RunDetached(tool, "", SW_SHOWNORMAL, false, held);
  ASSERT_TRUE(held);
  const HANDLE process = held.process();
  const DWORD id = held.process_id();
  RunDetached(temp_.Path() + "\\missing.exe", "", SW_SHOWNORMAL, true, held);
  EXPECT_EQ(held.process(), process);
  EXPECT_EQ(held.process_id(), id);
  EXPECT_EQ(GetProcessId(held.process()), id) << "the handle was closed";
  release.Set();
  EXPECT_EQ(WaitForSingleObject(held.process(), kBoundMs), WAIT_OBJECT_0);
}

TEST(RunCommandCaptured, EchoInTheRootGivesItsLineWithCrLf) {
  std::string output = "stale";
  RunCommandCaptured("echo hello", "C:\\", output);
  EXPECT_EQ(output, "hello\r\n");
}

// A cmd.exe in the current folder, where CreateProcess would look for a bare
// name first, is never run: the System folder's interpreter is, and tells
// the command line it was given through %CMDCMDLINE%.
TEST(RunCommandCaptured, RunsTheSystemFoldersCmdWithTheCommandInQuotes) {
  TempFolder temp;
  const std::string work = MakeSubfolder(temp, "work dir");
  const std::string fake_cmd = InstallRecorder(temp.Path(), "cmd", "stdout=fake\n");
  const std::string tool = InstallRecorder(temp.Path(), "tool");
  std::string command_line, folder;
  {
    ScopedCurrentFolder in(temp.Path());
    RunCommandCaptured("echo %CMDCMDLINE%", work, command_line);
    RunCommandCaptured("cd", work, folder);
    EXPECT_TRUE(RunCommand("\"" + tool + "\" -f"));
  }
  if (RunningOnWine()) {
    EXPECT_EQ(command_line, "%CMDCMDLINE%\r\n") << "known Wine difference: its cmd.exe lacks the variable";
  } else {
    EXPECT_EQ(command_line, "cmd.exe /C \"echo %CMDCMDLINE%\"\r\n");
  }
  EXPECT_EQ(folder, work + "\r\n");
  EXPECT_TRUE(RecordsOf(fake_cmd).empty());
  auto records = RecordsOf(tool);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["folder"], "C:\\");
}

TEST(RunCommandCaptured, LongOutputOfBothStreamsArrivesWholeAndInOrder) {
  TempFolder temp;
  std::string expected;
  std::string config;
  for (int i = 0; i < 6; ++i) {
    const std::string piece(200 + 97 * i, static_cast<char>('a' + i));
    config += (i % 2 ? "stderr=" : "stdout=") + recorder::Encode(piece) + "\n";
    expected += piece;
  }
  // One write larger than the pipe's buffer and several reads, numbered so
  // that a chunk lost or put out of order shows.
  std::string big;
  for (int n = 0; big.size() < 200 * 1024; ++n) big += std::to_string(n) + ',';
  config += "stdout=" + recorder::Encode(big) + "\n";
  expected += big;
  const std::string tool = InstallRecorder(MakeSubfolder(temp, "a b"), "talker", config);
  std::string output;
  RunCommandCaptured("\"" + tool + "\" x", temp.Path(), output);
  EXPECT_EQ(output.size(), expected.size());
  EXPECT_EQ(output, expected);
  auto records = RecordsOf(tool);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["folder"], temp.Path());
}

// Every byte is kept: dropping what follows a NUL within one read would make
// the result depend on how the pipe happened to cut the output.
TEST(RunCommandCaptured, NulBytesAreKeptWithWhatFollowsThem) {
  TempFolder temp;
  const std::string bytes = std::string("before\0after", 12) + std::string(300, 'x') + std::string(1, '\0') + "end";
  const std::string tool = InstallRecorder(temp.Path(), "nulwriter", "stdout=" + recorder::Encode(bytes) + "\n");
  std::string output;
  RunCommandCaptured("\"" + tool + "\"", "C:\\", output);
  EXPECT_EQ(output, bytes);
}

// The child writes, starts a grandchild that inherits the pipe's write end
// and ends; the capture must go on until the grandchild has ended too.
TEST(RunCommandCaptured, WaitsForAGrandchildThatHoldsTheWriteEnd) {
  TempFolder temp;
  NamedEvent release;
  const std::string grandchild = InstallRecorder(temp.Path(), "grandchild",
                                                 "wait=" + release.Name() + "\nstdout=late\n");
  const std::string start_grandchild = "start=" + recorder::Encode("\"" + grandchild + "\"") + "\n";
  const std::string child = InstallRecorder(temp.Path(), "child", "stdout=early \n" + start_grandchild);

  struct Shared {
    std::string output;
    UniqueHandle done{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
  };
  auto shared = std::make_shared<Shared>();
  std::thread capture([shared, child] {
    RunCommandCaptured("\"" + child + "\"", "C:\\", shared->output);
    SetEvent(shared->done.get());
  });

  ASSERT_TRUE(WaitUntil([&] { return !RecordsOf(grandchild).empty() && !RecordsOf(child).empty(); }, kBoundMs));
  // The child's parent is cmd.exe: once it has ended, only the grandchild
  // holds the write end.
  EXPECT_TRUE(ProcessEnds(kBoundMs, RecordsOf(child)[0]["ppid"]));
  EXPECT_EQ(WaitForSingleObject(shared->done.get(), 100), static_cast<DWORD>(WAIT_TIMEOUT))
      << "the capture ended before the grandchild";
  release.Set();
  const bool finished = WaitForSingleObject(shared->done.get(), kBoundMs) == WAIT_OBJECT_0;
  if (!finished) {
    capture.detach();  // `shared` keeps what the thread uses alive
    FAIL() << "the capture did not end with the grandchild";
  }
  capture.join();
  EXPECT_EQ(shared->output, "early late");
}

TEST(RunCommandCaptured, AMissingWorkingFolderLeavesTheOutputEmpty) {
  std::string output = "stale";
  RunCommandCaptured("echo hello", "C:\\no such folder\\", output);
  EXPECT_EQ(output, "");
}

// The shell is handed the folder in double quotes. Windows starts the program
// in that folder; Wine (known difference) cannot enter a quoted folder and
// leaves the caller's current folder.
void ExpectStartedIn(const std::string& seen, const std::string& folder) {
  if (RunningOnWine()) {
    EXPECT_EQ(seen, CurrentFolder()) << "known Wine difference";
  } else {
    EXPECT_EQ(seen, folder);
  }
}

TEST(ShellExecuteAndWait, BareNameIsQuotedAndParametersAreNot) {
  TempFolder temp;
  // A recorder named sc.exe in the current folder is found before the real sc.
  const std::string fake_sc = InstallRecorder(temp.Path(), "sc", "exit=1062\n");
  {
    ScopedCurrentFolder in(temp.Path());
    EXPECT_EQ(ShellExecuteAndWait("sc", "stop Merovix_Keepalive", true, SW_SHOWMINIMIZED), 1062u);
  }
  auto records = RecordsOf(fake_sc);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["cmdline"], "\"sc\" stop Merovix_Keepalive");
  // A directory of two double quotes leaves the caller's current folder.
  EXPECT_EQ(records[0]["folder"], temp.Path());
  EXPECT_EQ(records[0]["show"], "2");
}

TEST(ShellExecuteAndWait, RealScIsWaitedForAndItsCodeReturned) {
  const std::uint32_t code = ShellExecuteAndWait("sc", "stop MerovixNoSuchService", true, SW_SHOWMINIMIZED);
  // Windows answers 1060 (no such service); Wine's sc answers 1.
  EXPECT_TRUE(code == 1060u || code == 1u) << code;
}

TEST(ShellExecuteAndWait, ProgramWithFolderRunsThereAndIsNotWaitedForUnlessAsked) {
  TempFolder temp;
  NamedEvent release;
  const std::string folder = MakeSubfolder(temp, "Data dir");
  const std::string tool = InstallRecorder(folder, "tool", "wait=" + release.Name() + "\nexit=5\n");
  EXPECT_EQ(ShellExecuteAndWait(tool, "", false, SW_SHOWNORMAL), static_cast<std::uint32_t>(STILL_ACTIVE));
  ASSERT_TRUE(WaitUntil([&] { return !RecordsOf(tool).empty(); }, kBoundMs));
  auto records = RecordsOf(tool);
  ExpectStartedIn(records[0]["folder"], folder);
  EXPECT_EQ(records[0]["show"], "1");
  release.Set();
  EXPECT_TRUE(ProcessEnds(kBoundMs, records[0]["pid"]));
  // Released already: waits and returns the code at once.
  EXPECT_EQ(ShellExecuteAndWait(tool, "p", true, SW_SHOWNORMAL), 5u);
}

TEST(ShellExecuteAndWait, AnEmptyNameStartsNothing) {
  EXPECT_EQ(ShellExecuteAndWait("", "stop x", true, SW_SHOWNORMAL), kNoExitCode);
}

// A document type of the test's own, opened by a recorder, shows what the
// shell was handed for a document: the file and its folder.
class ShellDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    opener_ = InstallRecorder(temp_.Path(), "opener", "wait=" + release_.Name() + "\n");
    const std::string command = "\"" + opener_ + "\" \"%1\"";
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, kExtension, REG_SZ, kProgId, 0), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, (std::string(kProgId) + "\\shell\\open\\command").c_str(), REG_SZ,
                           command.c_str(), 0),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kExtension);
    RegDeleteTreeA(HKEY_CLASSES_ROOT, kProgId);
  }
  static constexpr const char* kExtension = ".merovixtestdoc";
  static constexpr const char* kProgId = "MerovixTest.Document";
  TempFolder temp_;
  NamedEvent release_;
  std::string opener_;
};

TEST_F(ShellDocumentTest, DocumentOpensInItsFolderWithoutWaiting) {
  const std::string data = MakeSubfolder(temp_, "Data");
  const std::string report = data + "\\report.merovixtestdoc";
  WriteTextFile(report, "report");
  const ULONGLONG start = GetTickCount64();
  const std::uint32_t code = ShellExecuteAndWait(report, "", false, SW_SHOWNORMAL);
  EXPECT_LT(GetTickCount64() - start, 5000u);
  ASSERT_TRUE(WaitUntil([&] { return !RecordsOf(opener_).empty(); }, kBoundMs));
  auto records = RecordsOf(opener_);
  release_.Set();
  EXPECT_TRUE(ProcessEnds(kBoundMs, records[0]["pid"]));
  // The opener still ran when its exit code was read.
  EXPECT_EQ(code, static_cast<std::uint32_t>(STILL_ACTIVE));
  ExpectStartedIn(records[0]["folder"], data);
  EXPECT_EQ(records[0]["cmdline"], "\"" + opener_ + "\" \"" + report + "\"");
}

class CreateSignalFileTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return temp_.Path() + "\\" + name; }
  TempFolder temp_;
};

TEST_F(CreateSignalFileTest, ANewFileIsCreatedEmptyOrWithItsLines) {
  EXPECT_TRUE(CreateSignalFile(Path("StopService"), "", true));
  EXPECT_EQ(GetFileAttributesA(Path("StopService").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(ReadTextFile(Path("StopService")), "");

  EXPECT_TRUE(CreateSignalFile(Path("two"), "first\nsecond", false));
  EXPECT_EQ(ReadTextFile(Path("two")), "first\r\nsecond\r\n");
  EXPECT_TRUE(CreateSignalFile(Path("two ended"), "first\r\nsecond\r\n", false));
  EXPECT_EQ(ReadTextFile(Path("two ended")), "first\r\nsecond\r\n");
}

TEST_F(CreateSignalFileTest, AnExistingFileIsRewrittenOnlyWithTextAndOverwrite) {
  const std::string file = Path("StopService");
  WriteTextFile(file, "old content\r\n");
  EXPECT_FALSE(CreateSignalFile(file, "", true));
  EXPECT_EQ(ReadTextFile(file), "old content\r\n");
  EXPECT_FALSE(CreateSignalFile(file, "new", false));
  EXPECT_EQ(ReadTextFile(file), "old content\r\n");
  EXPECT_FALSE(CreateSignalFile(file, "new\rline", true));
  EXPECT_EQ(ReadTextFile(file), "new\r\nline\r\n");
}

TEST_F(CreateSignalFileTest, AFileThatCannotBeCreatedRaisesEFCreateErrorWithThePath) {
  // A name taken by a folder: CreateFile fails with access denied, as it does
  // in a write-protected installation folder. (Running as root under Wine, a
  // read-only folder cannot be made to refuse files.)
  const std::string folder = MakeSubfolder(temp_, "StopService");
  SetLastError(0xdeadbeef);
  try {
    CreateSignalFile(folder, "", true);
    ADD_FAILURE() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Datei " + folder + " kann nicht erstellt werden");
  }
  // An installation folder that has gone meanwhile; the ANSI path is
  // reported in UTF-8 (0xE4 is a-umlaut in code page 1252).
  const std::string gone = Path("M\xE4rz\\StopService");
  try {
    CreateSignalFile(gone, "text", true);
    ADD_FAILURE() << "no exception";
  } catch (const EFCreateError& e) {
    if (GetACP() == 1252) {
      EXPECT_EQ(e.Message(), "Datei " + temp_.Path() + "\\März\\StopService kann nicht erstellt werden");
    }
  }
}

// The update run names system programs bare ("sc", "taskkill" in cmd.exe) or
// by the System folder. A 32-bit process on 64-bit Windows gets the 32-bit
// ones from SysWOW64, where its "system32" leads.
std::string Lower(std::string text) {
  CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
  return text;
}

TEST(SystemPrograms, CapturedCommandsRunInTheCmdOfTheCallersBitness) {
  TempFolder temp;
  const std::string child = InstallRecorder(temp.Path(), "child");
  std::string output;
  RunCommandCaptured("\"" + child + "\"", "C:\\", output);
  auto records = RecordsOf(child);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(Lower(records[0]["parent"]), Lower(RealSystemFolders().own + "\\cmd.exe"));
}

// A copy in each System folder: the caller's bitness decides which one a bare
// name reaches. (A name found nowhere would make the shell show an error box.)
TEST(SystemPrograms, BareNamesReachTheSystemFolderOfTheCallersBitness) {
  const SystemFolders folders = RealSystemFolders();
  if (folders.other.empty()) GTEST_SKIP() << "one System folder only";
  ScopedRecorderCopy own(folders.own, "merovixprobe", "stdout=own\nexit=7\n");
  ScopedRecorderCopy other(folders.other, "merovixprobe", "stdout=other\nexit=9\n");
  if (!own.Placed() || !other.Placed()) GTEST_SKIP() << "the System folders are read-only or hold merovixprobe";
  std::string output;
  RunCommandCaptured("merovixprobe", "C:\\", output);
  EXPECT_EQ(output, "own");
  EXPECT_EQ(ShellExecuteAndWait("merovixprobe", "", true, SW_HIDE), 7u);
  EXPECT_EQ(RecordsOf(own.Path()).size(), 2u);
  EXPECT_TRUE(RecordsOf(other.Path()).empty());
}

TEST(SpecialFolderPath, SystemFolderWithoutTrailingBackslash) {
  char system[MAX_PATH + 1] = {};
  GetSystemDirectoryA(system, sizeof(system));
  std::string path = "stale";
  SpecialFolderPath(nullptr, CSIDL_SYSTEM, path);
  EXPECT_EQ(path, system);
  ASSERT_FALSE(path.empty());
  EXPECT_NE(path.back(), '\\');
  // Also for a 32-bit process on 64-bit Windows, which opening it leads into SysWOW64.
  EXPECT_EQ(Lower(path.substr(path.rfind('\\') + 1)), "system32");
  // A folder id that the shell does not know leaves an empty text.
  SpecialFolderPath(nullptr, 0x7F, path);
  EXPECT_EQ(path, "");
}

}  // namespace
}  // namespace merovix::test
