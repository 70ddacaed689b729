#include "common/download_sequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/transfer_commands.h"

namespace merovix {
namespace {

using enum DownloadOutcome;
using Log = std::vector<std::string>;

Log operator+(Log first, const Log& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

const std::string kCurl = "C:\\windows\\system32\\curl.exe";
const std::string kWget = "C:\\Merovix\\wget.exe";
const std::string kUrl = "https://merovix.example/fileadmin/files/merovix/Merovix_Update_.exe";
const std::string kFolder = "C:\\Merovix";
const std::string kLocal = kFolder + "\\Merovix_Update_.exe";
const std::string kPartial = kLocal + ".1f.part";
const std::string kStaging = kLocal + ".2e.wget";
const std::string kStaged = kStaging + "\\Merovix_Update_.exe";
const FileStamp kOldStamp{{1994, 11, 14, 8, 12, 31, 0}, 3};
const FileStamp kServerStamp{{1994, 11, 15, 8, 12, 31, 0}, 3};
const FileStamp kCreatedStamp{{2026, 1, 2, 3, 4, 5, 0}, 0};
const std::string kServerHeader = "Last-Modified: Tue, 15 Nov 1994 08:12:31 GMT\r\n";
const TransferLimit kLimit{60, 100};

// Files, folders and a transfer tool that does what the test says. Actions
// are recorded in order; queries are answered from the state.
class FakeTransfer : public DownloadOperations {
 public:
  struct File {
    std::string content;
    FileStamp stamp;
  };
  std::map<std::string, File> files;
  std::string header_answer;
  std::optional<std::uint32_t> exit_code = 0;
  bool tool_writes = true;  // the server's file where the tool was told to write
  bool move_fails = false;
  bool partial_fails = false, folder_fails = false, copy_fails = false;
  bool folder_becomes_link = false;  // the staging folder turns into a junction meanwhile
  bool past_limit = false;           // the tool ran out of time or wrote too much
  std::set<std::string> unholdable;  // links, second hard links
  bool remove_fails = false;
  std::map<std::string, SignatureVerdict> verdicts;  // by content; others: kUnsigned
  Log log;

  bool FileExists(const std::string& path) override { return files.count(path) != 0; }
  DateTime FileWriteTime(const std::string& path) override { return files.at(path).stamp.write_time_utc; }
  std::optional<FileStamp> StampOf(const std::string& path) override {
    return FileExists(path) ? std::optional(files[path].stamp) : std::nullopt;
  }
  std::string RunHeaderQuery(const std::string& curl, const std::string& url) override {
    log.push_back("Query " + curl + " " + url);
    return header_answer;
  }
  ToolExit RunTool(const std::string& tool, const std::string& parameters, std::uint16_t show_mode,
                   const TransferLimit& limit, const std::string& output) override {
    log.push_back("Run " + tool + " " + parameters + " " + std::to_string(show_mode));
    EXPECT_EQ(output, OutputOf(parameters));
    EXPECT_EQ(limit.seconds, kLimit.seconds);
    if (tool_writes) files[OutputOf(parameters)] = File{"new", kServerStamp};
    return past_limit ? ToolExit{std::nullopt, true} : ToolExit{exit_code};
  }
  void RemoveFile(const std::string& path) override {
    log.push_back("Remove " + path);
    if (!remove_fails) files.erase(path);
  }
  bool HoldFile(const std::string& path) override {
    log.push_back("Hold " + path);
    return FileExists(path) && unholdable.count(path) == 0;
  }
  bool CopyNewFile(const std::string& from, const std::string& to) override {
    log.push_back("Copy " + from + " > " + to);
    if (copy_fails) return false;
    files[to] = files[from];
    return true;
  }
  bool MoveReplacing(const std::string& from, const std::string& to) override {
    log.push_back("Move " + from + " > " + to);
    if (move_fails) return false;
    files[to] = files.extract(from).mapped();
    return true;
  }
  std::string CreatePartialFile(const std::string& local_file) override {
    log.push_back("CreatePartial " + local_file);
    if (partial_fails) return {};
    files[kPartial] = File{"", kCreatedStamp};
    return kPartial;
  }
  std::string CreateStagingFolder(const std::string& local_file) override {
    log.push_back("CreateStaging " + local_file);
    return folder_fails ? std::string() : kStaging;
  }
  bool IsRealFolder(const std::string& folder) override { return folder == kStaging && !folder_becomes_link; }
  void RemoveStagingFolder(const std::string& path) override {
    log.push_back("RemoveStaging " + path);
    std::erase_if(files, [&](const auto& file) { return file.first.rfind(path + "\\", 0) == 0; });
  }
  SignatureVerdict CheckSignature(const std::string& path, const std::string& signer) override {
    log.push_back("Check " + path + " " + signer);
    const auto it = verdicts.find(files.at(path).content);
    return it == verdicts.end() ? SignatureVerdict::kUnsigned : it->second;
  }

  void PutOldCopy() { files[kLocal] = File{"old", kOldStamp}; }
  std::string Local() { return FileExists(kLocal) ? files[kLocal].content : "(none)"; }

 private:
  // curl's -o file, or the URL's file name in wget's -P folder.
  static std::string OutputOf(const std::string& parameters) {
    const bool wget = parameters.find("-P \"") != std::string::npos;
    const size_t start = parameters.find(wget ? "-P \"" : "-o \"") + 4;
    const std::string path = parameters.substr(start, parameters.find('"', start) - start);
    return wget ? path + "\\" + DownloadFileName(kUrl) : path;
  }
};

const std::string kQuery = "Query " + kCurl + " " + kUrl;
const std::string kCurlRun = "Run " + kCurl + " " + CurlFetchParameters(kPartial, kUrl, kLimit) + " 1";
const std::string kHold = "Hold " + kLocal;
const std::string kWgetRun = "Run " + kWget + " " + WgetFetchParameters(kStaging, kUrl, true) + " 1";

// Both tools, with and without a local copy: the file is replaced only by a
// complete transfer into a place the download made itself, and a copy the
// server has too is left as it is.
TEST(DownloadSequence, ASucceededDownloadIsFetchedOrCurrent) {
  const Log curl_fetch{"CreatePartial " + kLocal, kCurlRun, "Move " + kPartial + " > " + kLocal, kHold};
  const Log wget_stage{kHold, "CreateStaging " + kLocal, "Copy " + kLocal + " > " + kStaged, kWgetRun};
  const std::string wget_move = "Move " + kStaged + " > " + kLocal, wget_clean = "RemoveStaging " + kStaging;
  struct Case {
    const char* what;
    std::string tool;
    std::optional<FileStamp> local_copy;
    bool server_newer;
    DownloadOutcome outcome;
    Log log;
  };
  const Case cases[] = {
      {"curl, no local copy", kCurl, std::nullopt, true, Fetched, curl_fetch},
      {"curl, same time", kCurl, kServerStamp, false, Current, {kHold, kQuery}},
      {"curl, newer on the server", kCurl, kOldStamp, true, Fetched, Log{kHold, kQuery} + curl_fetch},
      {"wget, newer on the server", kWget, kOldStamp, true, Fetched, wget_stage + Log{wget_move, kHold, wget_clean}},
      {"wget, not newer", kWget, kOldStamp, false, Current, wget_stage + Log{wget_clean}},
  };
  for (const Case& c : cases) {
    FakeTransfer fake;
    if (c.local_copy) fake.files[kLocal] = {"old", *c.local_copy};
    fake.header_answer = kServerHeader;
    fake.tool_writes = c.server_newer;
    const DownloadResult result = DownloadIntoFolder(fake, c.tool, kUrl, kFolder, 1, kLimit);
    EXPECT_EQ(fake.log, c.log) << c.what;
    EXPECT_EQ(result.outcome, c.outcome) << c.what;
    EXPECT_TRUE(result.Succeeded()) << c.what;
    EXPECT_EQ(result.exit_code.has_value(), c.log.size() > 2) << c.what;  // whenever the tool ran
    EXPECT_EQ(result.tool + " " + result.url + " " + result.local_file, c.tool + " " + kUrl + " " + kLocal);
    EXPECT_FALSE(result.signature.has_value()) << c.what << ": no signer, no check";
    EXPECT_EQ(fake.Local(), c.outcome == Fetched ? "new" : "old") << c.what;
    EXPECT_EQ(fake.files.size(), 1u) << c.what;
  }
}

// Every way a transfer can fail leaves the earlier file as it was and nothing
// beside it, with both tools.
TEST(DownloadSequence, AFailedTransferLeavesTheEarlierFileAndNoLeftovers) {
  struct Case {
    const char* what;
    std::optional<std::uint32_t> exit_code;
    bool tool_writes, move_fails;
    DownloadOutcome outcome;
    std::string only_with;  // the tool the case applies to; empty: both
    void (*prepare)(FakeTransfer&) = nullptr;
  };
  const Case cases[] = {
      {"HTTP error", 22, false, false, ToolFailed, ""},
      {"cut off midway", 18, true, false, ToolFailed, ""},
      {"tool not started", std::nullopt, false, false, NoTool, ""},
      {"file cannot be replaced", 0, true, true, NotPutInPlace, ""},
      // curl left the run's empty partial file untouched. wget, told of a
      // local copy, leaves the copy when it fetched nothing.
      {"success without a file", 0, false, false, NotPutInPlace, kCurl},
      {"no partial file", 0, true, false, NotPutInPlace, kCurl, [](FakeTransfer& f) { f.partial_fails = true; }},
      {"no staging folder", 0, true, false, NotPutInPlace, kWget, [](FakeTransfer& f) { f.folder_fails = true; }},
      {"the copy for -N fails", 0, true, false, NotPutInPlace, kWget, [](FakeTransfer& f) { f.copy_fails = true; }},
      {"staging folder became a junction", 0, true, false, NotPutInPlace, kWget,
       [](FakeTransfer& f) { f.folder_becomes_link = true; }},
      {"ended past its time limit", std::nullopt, true, false, PastLimit, "",
       [](FakeTransfer& f) { f.past_limit = true; }},
      {"complete but past the size limit", 0, true, false, PastLimit, ""},  // 3 bytes, 2 allowed
  };
  for (const std::string& tool : {kCurl, kWget}) {
    for (const Case& c : cases) {
      if (!c.only_with.empty() && c.only_with != tool) continue;
      FakeTransfer fake;
      fake.PutOldCopy();
      fake.header_answer = kServerHeader;
      fake.exit_code = c.exit_code;
      fake.tool_writes = c.tool_writes;
      fake.move_fails = c.move_fails;
      if (c.prepare) c.prepare(fake);
      const TransferLimit limit{kLimit.seconds, c.outcome == PastLimit && !fake.past_limit ? 2u : kLimit.bytes};
      const DownloadResult result = DownloadIntoFolder(fake, tool, kUrl, kFolder, 1, limit);
      const std::string what = tool + ": " + c.what;
      EXPECT_EQ(result.outcome, c.outcome) << what;
      EXPECT_FALSE(result.Succeeded()) << what;
      EXPECT_EQ(fake.Local(), "old") << what;
      EXPECT_EQ(fake.files.size(), 1u) << what;
      const bool ran = std::any_of(fake.log.begin(), fake.log.end(),
                                   [](const std::string& l) { return l.rfind("Run ", 0) == 0; });
      EXPECT_EQ(ran, !fake.partial_fails && !fake.folder_fails && !fake.copy_fails) << what;
      if (ran) {
        EXPECT_EQ(result.exit_code, c.exit_code) << what;
      }
      if (tool == kWget && !fake.folder_fails) {
        EXPECT_EQ(fake.log.back(), "RemoveStaging " + kStaging) << what;
      }
      EXPECT_EQ(std::count_if(fake.log.begin(), fake.log.end(),
                              [](const std::string& l) { return l.rfind("Move", 0) == 0; }),
                c.move_fails ? 1 : 0)
          << what;
    }
  }
}

TEST(DownloadSequence, FetchFileRemovesTheEarlierFileAndNeverAsksAboutFreshness) {
  FakeTransfer curl;
  curl.PutOldCopy();
  curl.header_answer = kServerHeader;
  curl.exit_code = 22;
  curl.tool_writes = false;
  EXPECT_EQ(FetchFile(curl, kCurl, kUrl, kLocal, 0, kLimit).outcome, ToolFailed);
  EXPECT_EQ(curl.log,
            (Log{"Remove " + kLocal, "CreatePartial " + kLocal,
                 "Run " + kCurl + " " + CurlFetchParameters(kPartial, kUrl, kLimit) + " 0", "Remove " + kPartial}));
  EXPECT_EQ(curl.Local(), "(none)");

  FakeTransfer wget;
  wget.PutOldCopy();
  EXPECT_EQ(FetchFile(wget, kWget, kUrl, kLocal, 0, kLimit).outcome, Fetched);
  EXPECT_EQ(wget.log, (Log{"Remove " + kLocal, "CreateStaging " + kLocal,
                           "Run " + kWget + " " + WgetFetchParameters(kStaging, kUrl, false) + " 0",
                           "Move " + kStaged + " > " + kLocal, kHold, "RemoveStaging " + kStaging}));
  EXPECT_EQ(wget.Local(), "new");

  // A planted copy that cannot be removed is never read as this fetch.
  FakeTransfer planted;
  planted.PutOldCopy();
  planted.remove_fails = true;
  EXPECT_EQ(FetchFile(planted, kCurl, kUrl, kLocal, 0, kLimit).outcome, NotPutInPlace);
  EXPECT_EQ(planted.log, Log{"Remove " + kLocal});
}

// Only a plain file of one name is kept and counted: an earlier copy that
// cannot be held is deleted and fetched anew (no freshness query), and a
// fetched file that cannot be held is not left in place.
TEST(DownloadSequence, AFileThatCannotBeHeldIsNeitherCountedNorKept) {
  for (const std::string& tool : {kCurl, kWget}) {
    FakeTransfer earlier;
    earlier.PutOldCopy();
    earlier.header_answer = kServerHeader;
    earlier.files[kLocal].stamp = kServerStamp;
    earlier.unholdable = {kLocal};
    earlier.tool_writes = true;
    EXPECT_EQ(DownloadIntoFolder(earlier, tool, kUrl, kFolder, 1, kLimit).outcome, NotPutInPlace) << tool;
    EXPECT_EQ(earlier.log.at(1), "Remove " + kLocal) << tool;
    EXPECT_EQ(std::count(earlier.log.begin(), earlier.log.end(), kQuery), 0) << tool;
    EXPECT_EQ(earlier.Local(), "(none)") << tool;
    earlier.unholdable.clear();
    EXPECT_EQ(DownloadIntoFolder(earlier, tool, kUrl, kFolder, 1, kLimit).outcome, Fetched) << tool;
    EXPECT_EQ(earlier.Local(), "new") << tool;
  }
}

// With a signer, the file the download leaves (fetched now or confirmed
// current, with either tool) is checked; one without a good signature by the
// signer is deleted. A failed download checks nothing.
TEST(DownloadSequence, WithASignerOnlyAFileTheSignerSignedStays) {
  using V = SignatureVerdict;
  const std::string kSigner = "Merovix GmbH";
  for (const V verdict : {V::kExpectedSigner, V::kUnsigned, V::kBadSignature, V::kForeignSigner}) {
    for (const std::string& tool : {kCurl, kWget}) {
      for (const bool server_newer : {true, false}) {
        FakeTransfer fake;
        fake.files[kLocal] = {"old", server_newer ? kOldStamp : kServerStamp};
        fake.header_answer = kServerHeader;
        fake.tool_writes = server_newer;
        fake.verdicts[server_newer ? "new" : "old"] = verdict;
        const DownloadResult result = DownloadIntoFolder(fake, tool, kUrl, kFolder, 1, kLimit, kSigner);
        const std::string what = tool + (server_newer ? " fetched, " : " current, ") +
                                 std::to_string(static_cast<int>(verdict));
        EXPECT_EQ(result.signature, verdict) << what;
        const bool passes = verdict == V::kExpectedSigner;
        EXPECT_EQ(result.outcome, !passes ? Refused : server_newer ? Fetched : Current) << what;
        EXPECT_EQ(fake.Local(), !passes ? "(none)" : server_newer ? "new" : "old") << what;
        const auto check = std::find(fake.log.begin(), fake.log.end(), "Check " + kLocal + " " + kSigner);
        ASSERT_NE(check, fake.log.end()) << what;
        EXPECT_EQ(std::next(check) == fake.log.end() ? "" : *std::next(check), passes ? "" : "Remove " + kLocal)
            << what << ": the check comes last, a refused file is deleted right after it";
      }
    }
  }
  FakeTransfer failed;
  failed.PutOldCopy();
  failed.exit_code = 22;
  failed.tool_writes = false;
  EXPECT_EQ(DownloadIntoFolder(failed, kCurl, kUrl, kFolder, 1, kLimit, kSigner).signature, std::nullopt);
  EXPECT_EQ(failed.Local(), "old");
}

TEST(DownloadSequence, ARefusedUrlRunsNothingAndTouchesNothing) {
  // The URL never names the local file: one that names another is refused.
  for (const std::string& url : {std::string("https://h/x/settings.ini"), std::string("https://h/x/Merovix.exe")}) {
    FakeTransfer fake;
    fake.PutOldCopy();
    EXPECT_EQ(DownloadToFile(fake, kCurl, url, kLocal, 1, kLimit).outcome, UrlRefused) << url;
    EXPECT_EQ(FetchFile(fake, kWget, url, kLocal, 1, kLimit).outcome, UrlRefused) << url;
    EXPECT_EQ(fake.log, Log{}) << url;
  }
  FakeTransfer any_case;
  EXPECT_EQ(DownloadToFile(any_case, kCurl, "https://h/MEROVIX_UPDATE_.EXE", kLocal, 1, kLimit).outcome, Fetched);
  for (const std::string& url : {kUrl + "&calc", std::string("-o"), kUrl + "?v=2", std::string("https://h/")}) {
    for (const std::string& tool : {kCurl, kWget}) {
      FakeTransfer fake;
      fake.PutOldCopy();
      EXPECT_EQ(DownloadIntoFolder(fake, tool, url, kFolder, 1, kLimit).outcome, UrlRefused) << url;
      EXPECT_EQ(FetchFile(fake, tool, url, kLocal, 1, kLimit).outcome, UrlRefused) << url;
      EXPECT_EQ(fake.log, Log{}) << url;
      EXPECT_EQ(fake.Local(), "old");
    }
  }
}

}  // namespace
}  // namespace merovix
