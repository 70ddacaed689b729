#include "common/win/job_launch.h"

#include <gtest/gtest.h>

#include "tests/win/recorder_support.h"
#include "tests/win/test_support.h"

namespace merovix::test {
namespace {

constexpr DWORD kBoundMs = 15000;

std::string Starting(const std::string& program) { return "start=" + recorder::Encode("\"" + program + "\"") + "\n"; }

// An installer that starts a worker of its own and ends first is waited for
// until the worker ends; the product it starts again runs on.
TEST(RunInJobAndWait, WaitsForWhatTheProgramStartedButLetsKeptProgramsRunOn) {
  TempFolder temp;
  NamedEvent never, release;
  const std::string product_folder = MakeSubfolder(temp, "Merovix");
  MakeSubfolder(temp, "Merovix\\dicom");
  const std::string worker = InstallRecorder(MakeSubfolder(temp, "is-tmp"), "setup",
                                             "wait_ms=1500\nwait=" + never.Name() + "\n");
  // The product starts a program of its own from below its folder.
  const std::string server = InstallRecorder(product_folder + "\\dicom", "storescp", "wait=" + release.Name() + "\n");
  const std::string product = InstallRecorder(product_folder, "Merovix",
                                              Starting(server) + "wait=" + release.Name() + "\n");
  const std::string setup = InstallRecorder(temp.Path(), "Merovix_Update_",
                                            Starting(worker) + Starting(product) + "exit=7\n");

  const ULONGLONG start = GetTickCount64();
  const JobRun run = RunInJobAndWait(setup, "/silent", SW_SHOWNORMAL, kBoundMs, product_folder);
  EXPECT_TRUE(run.started);
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(run.exit_code, 7u);
  EXPECT_GE(GetTickCount64() - start, 1400u) << "returned before the worker ended";
  ASSERT_EQ(RecordsOf(product).size(), 1u);
  const std::string product_pid = RecordsOf(product)[0]["pid"];
  EXPECT_FALSE(ProcessEnds(0, product_pid)) << "the product did not outlive the job";
  ASSERT_TRUE(WaitUntil([&] { return !RecordsOf(server).empty(); }, kBoundMs));
  const std::string server_pid = RecordsOf(server)[0]["pid"];
  EXPECT_FALSE(ProcessEnds(0, server_pid));
  release.Set();
  EXPECT_TRUE(ProcessEnds(kBoundMs, product_pid));
  EXPECT_TRUE(ProcessEnds(kBoundMs, server_pid));
}

TEST(RunInJobAndWait, PastTheLimitEveryProcessOfTheJobIsEnded) {
  TempFolder temp;
  NamedEvent never;
  const std::string waits = "wait_ms=60000\nwait=" + never.Name() + "\n";
  const std::string worker = InstallRecorder(MakeSubfolder(temp, "is-tmp"), "setup", waits);
  const std::string setup = InstallRecorder(temp.Path(), "Merovix_Update_", Starting(worker) + waits);

  const ULONGLONG start = GetTickCount64();
  const JobRun run = RunInJobAndWait(setup, "/silent", SW_SHOWNORMAL, 1000, temp.Path());
  EXPECT_TRUE(run.started && run.timed_out);
  EXPECT_FALSE(run.exit_code);
  EXPECT_LT(GetTickCount64() - start, 10000u);
  ASSERT_TRUE(WaitUntil([&] { return !RecordsOf(worker).empty(); }, kBoundMs));
  EXPECT_TRUE(ProcessEnds(kBoundMs, RecordsOf(setup)[0]["pid"]));
  EXPECT_TRUE(ProcessEnds(kBoundMs, RecordsOf(worker)[0]["pid"]));

  EXPECT_FALSE(RunInJobAndWait(temp.Path() + "\\missing.exe", "", SW_SHOWNORMAL, 1000, "").started);
}

}  // namespace
}  // namespace merovix::test
