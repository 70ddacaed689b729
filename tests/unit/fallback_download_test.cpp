#include "app/fallback_download.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/update_run.h"

namespace merovix {
namespace {

const std::string kUrl = "https://merovix.example/fileadmin/files/merovix/Merovix_Update_.exe";

class FakeFallback : public FallbackOperations {
 public:
  bool warn_ok = true;
  bool folder_chosen = true;
  std::string folder = "C:\\Downloads";
  std::set<std::string> files;
  std::set<std::string> folders = {"C:\\Downloads", "C:\\", "My Computer"};
  std::set<std::string> undeletable;
  bool download_succeeds = true;
  std::vector<std::string> log;
  std::vector<std::string> record;  // the run's log file

  void RecordLine(const std::string& line) override { record.push_back(line); }
  std::string Utf8FromAnsi(const std::string& data) override { return data; }
  void Beep() override { log.push_back("Beep"); }
  bool Warn(const std::string& text) override {
    log.push_back("Warn " + text);
    return warn_ok;
  }
  void ShowPlainMessage(const std::string& text) override { log.push_back("Plain " + text); }
  bool ChooseFolder(std::string& chosen) override {
    log.push_back("ChooseFolder");
    if (folder_chosen) chosen = folder;
    return folder_chosen;
  }
  bool FileExists(const std::string& path) override { return files.count(path) != 0; }
  bool DirectoryExists(const std::string& path) override { return folders.count(path) != 0; }
  void RemoveFile(const std::string& path) override {
    log.push_back("Delete " + path);
    if (undeletable.count(path) == 0) files.erase(path);
  }
  DownloadResult DownloadFile(const std::string& url, const std::string& target, std::uint16_t show) override {
    log.push_back("Download " + url + " [" + target + "] " + std::to_string(show));
    DownloadResult result{download_succeeds ? DownloadOutcome::Fetched : DownloadOutcome::ToolFailed,
                          "C:\\Windows\\system32\\curl.exe",
                          url,
                          StripTarget(target),
                          download_succeeds ? 0u : 6u,
                          std::nullopt};
    if (download_succeeds) files.insert(result.local_file);
    return result;
  }
  static std::string StripTarget(std::string target) {
    // The download lands in the target's folder under the URL's file name.
    const size_t slash = target.find_last_of('\\');
    std::string dir = target.substr(0, slash);
    if (!dir.empty() && dir.back() == '\\') dir.pop_back();
    return dir + "\\Merovix_Update_.exe";
  }
  void Run() { RunFallbackDownload(*this, kUrl, "Merovix_Update_.exe"); }
};

using Log = std::vector<std::string>;
const std::string kWarn = std::string("Warn ") + kNotTheProductPc;

TEST(FallbackDownload, RefusedWarningCancelsAndACancelledFolderDialogEndsSilently) {
  FakeFallback refused;
  refused.warn_ok = false;
  refused.Run();
  EXPECT_EQ(refused.log, (Log{"Beep", kWarn, "Plain Das Update wurde abgebrochen!"}));

  FakeFallback cancelled;
  cancelled.folder_chosen = false;
  cancelled.Run();
  EXPECT_EQ(cancelled.log, (Log{"Beep", kWarn, "ChooseFolder"}));
}

TEST(FallbackDownload, ReplacesAnEarlierCopyAndReportsTheDownload) {
  FakeFallback world;
  world.files.insert("C:\\Downloads\\Merovix_Update_.exe");
  world.Run();
  EXPECT_EQ(world.log, (Log{"Beep", kWarn, "ChooseFolder", "Delete C:\\Downloads\\Merovix_Update_.exe",
                            "Download " + kUrl + " [C:\\Downloads\\Merovix_Update_.exe] 1",
                            "Plain Das Updatefile wurde heruntergeladen!"}));
  EXPECT_EQ(world.record,
            (Log{"Gewählter Ordner: C:\\Downloads", "Übertragung des Updates: " + kUrl +
                                                        " mit C:\\Windows\\system32\\curl.exe nach "
                                                        "C:\\Downloads\\Merovix_Update_.exe: geladen, Exit-Code 0"}));
}

TEST(FallbackDownload, ADriveRootLosesItsBackslashOnceAndAFailureIsReported) {
  FakeFallback root;
  root.folder = "C:\\";
  root.download_succeeds = false;
  root.files.insert("C:\\Merovix_Update_.exe");
  root.Run();
  EXPECT_EQ(root.log,
            (Log{"Beep", kWarn, "ChooseFolder", "Delete C:\\Merovix_Update_.exe",
                 "Download " + kUrl + " [C:\\\\Merovix_Update_.exe] 1", "Plain Fehler beim Laden des Updates!"}));
}

TEST(FallbackDownload, AnEarlierCopyThatCannotBeRemovedIsNeverTakenForTheDownload) {
  FakeFallback world;
  world.files.insert("C:\\Downloads\\Merovix_Update_.exe");
  world.undeletable.insert("C:\\Downloads\\Merovix_Update_.exe");
  world.Run();
  EXPECT_EQ(world.log.back(), "Plain Fehler beim Laden des Updates!");
  EXPECT_EQ(std::count_if(world.log.begin(), world.log.end(),
                          [](const std::string& e) { return e.rfind("Download", 0) == 0; }),
            0);
}

TEST(FallbackDownload, ASelectionThatIsNoFolderFailsWithoutDeletingOrDownloading) {
  // "" and a display name: what a confirmed virtual item leaves (a relative
  // name even when the current folder holds one of that name).
  for (const char* selection : {"", "My Computer", "C:\\Weg"}) {
    FakeFallback world;
    world.folder = selection;
    world.files = {"\\Merovix_Update_.exe", "C:\\Weg\\Merovix_Update_.exe", "My Computer\\Merovix_Update_.exe"};
    world.Run();
    EXPECT_EQ(world.log, (Log{"Beep", kWarn, "ChooseFolder", "Plain Fehler beim Laden des Updates!"})) << selection;
  }
}

}  // namespace
}  // namespace merovix
