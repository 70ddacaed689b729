#include "app/update_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace merovix {
namespace {

const std::string kDir = "C:\\Program Files\\Merovix";
// The work folder, where the installer lies and runs from.
const std::string kInstaller = "C:\\Program Files (x86)\\Merovix Update\\Merovix_Update_.exe";
const std::string kSignal = kDir + "\\StopService";
const std::string kDefaultUrl = "https://merovix.example/fileadmin/files/merovix/Merovix_Update_.exe";
const std::string kSc = "C:\\Windows\\system32\\sc.exe";
const std::string kTaskkill = "C:\\Windows\\system32\\taskkill.exe";

// A small world the run acts on. Only actions are recorded, in order;
// queries (counts, existence tests) are answered from the world's state.
class FakeWorld : public UpdateOperations {
 public:
  std::map<std::string, bool> ini_bools;
  std::map<std::string, std::string> ini_strings;
  std::map<std::string, std::string> directives;  // key -> value in section "Update"
  std::map<std::string, int> running;             // process name -> instances
  std::set<std::string> resisting;                // survive every kill
  std::map<std::string, std::string> pids;        // id text -> executable
  std::set<std::string> services;
  std::set<std::string> files;
  bool answer_yes = true;
  DownloadOutcome download_outcome = DownloadOutcome::Fetched;
  std::optional<SignatureVerdict> download_signature;
  int signal_seen_after_polls = 3;  // the product deletes the signal file; -1: never
  bool signal_file_cannot_be_created = false;
  std::optional<std::uint32_t> installer_exit_code = 0;
  bool installer_times_out = false;
  bool desktop_program_ends = true;      // on the signal file, within the wait
  std::set<std::string> failing_starts;  // services that stay stopped
  bool desktop_program_starts = true;
  std::vector<std::uint32_t> desktop_sessions = {1};
  std::optional<std::string> desktop_start_refused;  // under the system account, with this reason
  std::vector<DesktopStartRequest> requests;
  std::optional<bool> installer_leaves_desktop_running;  // the installer ends or starts Merovix.exe
  std::optional<ProductVersion> installed_version;
  std::optional<ProductVersion> offered_version;     // the installer's file version
  std::optional<ProductVersion> installer_installs;  // becomes the installed version when the installer runs
  std::vector<std::string> log;
  std::vector<std::string> record;  // the run's log file
  int polls = 0;

  void RecordLine(const std::string& line) override { record.push_back(line); }
  std::string Utf8FromAnsi(const std::string& data) override { return data; }

  bool ReadIniBool(const std::string& key, bool fallback) override {
    const auto it = ini_bools.find(key);
    return it == ini_bools.end() ? fallback : it->second;
  }
  bool WriteIniBool(const std::string& key, bool value) override {
    log.push_back("WriteIniBool " + key + "=" + (value ? "1" : "0"));
    return true;
  }
  std::string ReadIniString(const std::string& key, const std::string& fallback) override {
    const auto it = ini_strings.find(key);
    return it == ini_strings.end() ? fallback : it->second;
  }
  bool Confirm(const std::string& text) override {
    log.push_back("Confirm " + text);
    return answer_yes;
  }
  void ShowPlainMessage(const std::string& text) override { log.push_back("Plain " + text); }
  void ShowUpdateMessage(const std::string& text) override { log.push_back("UpdateMessage " + text); }
  void Beep() override { log.push_back("Beep"); }
  DownloadResult LoadDirectiveList() override {
    log.push_back("LoadDirectiveList");
    return DownloadResult{DownloadOutcome::ToolFailed,
                          "C:\\Windows\\system32\\curl.exe",
                          "https://www.merovix.example/wget/restricted/LoadAndRun.ini",
                          "C:\\LoadAndRun.ini",
                          22,
                          std::nullopt};
  }
  std::string ReadDirectiveValue(const std::string& key, const std::string& fallback,
                                 const std::string& section) override {
    const auto it = directives.find(key);
    return section == "Update" && it != directives.end() ? it->second : fallback;
  }
  DownloadResult DownloadInstaller(const std::string& url, std::uint16_t show) override {
    log.push_back("DownloadInstaller " + url + " " + std::to_string(show));
    DownloadResult result{download_outcome,  "C:\\Windows\\system32\\curl.exe", url, kInstaller, 0,
                          download_signature};
    if (result.Succeeded()) files.insert(kInstaller);
    return result;
  }
  std::optional<ProductVersion> InstalledVersion() override { return installed_version; }
  std::optional<ProductVersion> FileVersion(const std::string& path) override {
    return path == kInstaller && files.count(path) != 0 ? offered_version : std::nullopt;
  }
  bool FileExists(const std::string& path) override {
    if (path == kSignal && files.count(kSignal) != 0 && signal_seen_after_polls >= 0 &&
        polls >= signal_seen_after_polls) {
      files.erase(kSignal);
    }
    return files.count(path) != 0;
  }
  void RemoveFile(const std::string& path) override {
    log.push_back("DeleteFile " + path);
    files.erase(path);
  }
  void CreateSignalFile(const std::string& path) override {
    if (signal_file_cannot_be_created) throw std::runtime_error("Datei " + path + " kann nicht erstellt werden");
    log.push_back("CreateSignalFile " + path);
    files.insert(path);
    polls = 0;
  }
  void SleepOneMillisecond() override { ++polls; }
  std::uint32_t CountProcesses(const std::string& name) override {
    const auto it = running.find(name);
    return it == running.end() ? 0 : static_cast<std::uint32_t>(it->second);
  }
  void KillProcessesByName(const std::string& name) override {
    log.push_back("Kill " + name);
    if (resisting.count(name) == 0) running.erase(name);
  }
  bool KillProgramByIdText(const std::string& id_text, const std::string& exe_name) override {
    const auto it = pids.find(id_text);
    if (it == pids.end() || it->second != exe_name) return false;
    log.push_back("KillId " + id_text);
    return true;
  }
  bool WaitForProgramToEnd(const std::string& name, std::uint32_t limit_ms) override {
    log.push_back("AwaitEnd " + name + " " + std::to_string(limit_ms));
    if (desktop_program_ends) {
      running.erase(name);
      files.erase(kSignal);  // it took its stop request
    }
    return desktop_program_ends;
  }
  bool ServiceExists(const std::string& machine, const std::string& service) override {
    return machine == "localhost" && services.count(service) != 0;
  }
  std::uint32_t WaitWhileServiceStops(const std::string& machine, const std::string& service) override {
    log.push_back("AwaitStop " + machine + " " + service);
    return 1;
  }
  std::uint32_t StartServiceAndWait(const std::string& machine, const std::string& service) override {
    log.push_back("StartService " + machine + " " + service);
    return failing_starts.count(service) != 0 ? 1 : 4;
  }
  void ShellExecuteAndWait(const std::string& file, const std::string& parameters, bool wait,
                           std::uint16_t show) override {
    log.push_back("ShellExecute " + file + " " + parameters + (wait ? " wait " : " nowait ") + std::to_string(show));
    const std::string stopped = parameters.substr(parameters.find(' ') + 1);
    if (!journal || journal->find("service=" + stopped + "\n") == std::string::npos) ++stops_not_journalled;
  }
  InstallerEnd RunAndWait(const std::string& exe, const std::string& parameters, const std::string& folder,
                          std::uint16_t show) override {
    log.push_back("RunAndWait " + exe + " " + parameters + " in " + folder + " " + std::to_string(show));
    if (installer_installs) installed_version = installer_installs;
    if (installer_leaves_desktop_running) {
      if (*installer_leaves_desktop_running) {
        running["Merovix.exe"] = 1;
      } else {
        running.erase("Merovix.exe");
      }
    }
    if (installer_times_out) return {std::nullopt, true};
    return {installer_exit_code};
  }
  std::vector<std::uint32_t> ProgramSessions(const std::string& name) override {
    return CountProcesses(name) == 0 ? std::vector<std::uint32_t>{} : desktop_sessions;
  }
  // Logged as the detached start it is; who it runs as is the start's own
  // choice (tests/unit/desktop_start_test.cpp).
  DesktopStartResult StartDesktopProgram(const DesktopStartRequest& request) override {
    requests.push_back(request);
    if (desktop_start_refused) return {DesktopStartWay::NotStarted, false, {}, *desktop_start_refused};
    log.push_back("RunDetached " + request.exe + " [] " + std::to_string(request.show));
    return {DesktopStartWay::ShellUser, desktop_program_starts, {"PC\\anna", 1, false}, ""};
  }
  void RunCommand(const std::string& command) override { log.push_back("RunCommand " + command); }

  // Kept apart from `log`: each write, and whether every stop was in the
  // journal before it was sent.
  std::optional<std::string> journal;
  std::vector<std::string> journal_writes;
  bool journal_fails = false;
  int stops_not_journalled = 0;
  std::optional<std::string> ReadJournal() override { return journal; }
  bool WriteJournal(const std::string& text) override {
    if (journal_fails) return false;
    journal = text;
    journal_writes.push_back(text);
    return true;
  }
  bool RemoveJournal() override {
    journal.reset();
    journal_writes.push_back("(removed)");
    return true;
  }

  bool unattended = false;
  bool local_system = false;
  UpdateRunSettings Settings() const {
    UpdateRunSettings settings{kDir, kDefaultUrl, kSc, kTaskkill};
    settings.unattended = unattended;
    settings.local_system = local_system;
    return settings;
  }
  RunOutcome Run(const std::string& still_stopped = {}) {
    RunVersions versions;
    return Run(versions, still_stopped);
  }
  RunOutcome Run(RunVersions& versions, const std::string& still_stopped = {}) {
    return RunUpdate(*this, Settings(), versions, still_stopped);
  }
  std::string Recover() { return RestartAfterUnfinishedRun(*this, Settings()); }
};

using Log = std::vector<std::string>;
const std::string kDownloadDefault = "DownloadInstaller " + kDefaultUrl + " 1";
const std::string kInstall = "RunAndWait " + kInstaller + " /silent in " + kDir + " 1";
const std::string kQuietInstall = "RunAndWait " + kInstaller +
                                  " /SP- /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /RESTARTEXITCODE=3010 in " + kDir +
                                  " 1";

TEST(UpdateRun, RefusedConsentShowsTheCancelMessageAndDoesNothingElse) {
  FakeWorld world;
  world.answer_yes = false;
  world.Run();
  EXPECT_EQ(world.log, (Log{std::string("Confirm ") + kAskForUpdate, "Plain Das Update wurde abgebrochen!"}));
}

TEST(UpdateRun, WithoutProductProgramsItDownloadsInstallsAndSaysSo) {
  FakeWorld world;
  world.Run();
  EXPECT_EQ(world.log, (Log{std::string("Confirm ") + kAskForUpdate, "LoadDirectiveList", kDownloadDefault, kInstall,
                            "UpdateMessage Das Update wurde durchgeführt!"}));
}

TEST(UpdateRun, TheDirectiveListChoosesTheUrlAndConfirmUpdateZeroSkipsTheQuestion) {
  FakeWorld world;
  world.ini_bools["confirm_update"] = false;
  world.directives["UpdateFilename"] = "https://other.example/x/Merovix_Update_.exe";
  world.Run();
  ASSERT_GE(world.log.size(), 2u);
  EXPECT_EQ(world.log[0], "LoadDirectiveList");
  EXPECT_EQ(world.log[1], "DownloadInstaller https://other.example/x/Merovix_Update_.exe 1");
}

TEST(UpdateRun, OnlyAnInstallerThisDownloadFetchedOrConfirmedIsRun) {
  using enum DownloadOutcome;
  struct Case {
    DownloadOutcome outcome;
    bool installs;
  };
  for (const Case& c : {Case{Fetched, true}, Case{Current, true}, Case{ToolFailed, false}, Case{NoTool, false},
                        Case{UrlRefused, false}, Case{NotPutInPlace, false}, Case{Refused, false},
                        Case{PastLimit, false}, Case{NoWorkFolder, false}}) {
    FakeWorld world;
    world.download_outcome = c.outcome;
    if (c.outcome == Refused) world.download_signature = SignatureVerdict::kForeignSigner;
    world.files.insert(kInstaller);  // left by an earlier run
    world.running = {{"Merovix_Diagnose.exe", 1}, {"Merovix.exe", 1}};
    world.services = {"Merovix"};
    world.Run();
    const std::string what = std::to_string(static_cast<int>(c.outcome));
    if (c.installs) {
      EXPECT_EQ(std::count(world.log.begin(), world.log.end(), kInstall), 1) << what;
    } else {
      const std::string message = c.outcome == Refused ? kNotSignedByMaker : kDownloadFailed;
      EXPECT_EQ(world.log, (Log{std::string("Confirm ") + kAskForUpdate, "LoadDirectiveList", kDownloadDefault,
                                "Beep", "UpdateMessage " + message}))
          << what;
    }
    if (c.outcome == Refused) {
      ASSERT_GE(world.record.size(), 3u);
      EXPECT_EQ(world.record[2],
                "Übertragung des Installationsprogramms: " + kDefaultUrl +
                    " mit C:\\Windows\\system32\\curl.exe nach " + kInstaller +
                    ": verworfen und gelöscht (von einem anderen Herausgeber signiert), Exit-Code 0");
    }
  }
}

// Only a known offer older than a known installed version is refused, and
// then before anything of the product is stopped.
TEST(UpdateRun, AnOlderInstallerIsDeletedBeforeAnythingIsStopped) {
  const std::string older =
      "Das angebotene Update (Version 28.0.0.9) ist älter als die installierte Version 28.1 "
      "und wurde nicht installiert!";
  struct Case {
    const char* installed;
    const char* offered;
    bool refused;
  };
  for (const Case& c :
       {Case{"28.1", "28.0.0.9", true}, Case{"28.1", "28.1.0.0", false}, Case{"28.1", "28.2", false},
        Case{"", "28.0.0.9", false}, Case{"28.1", "0.0.0.0", false}, Case{"28.1 beta", "1.0", false}}) {
    FakeWorld world;
    world.installed_version = ParseVersion(c.installed);
    world.offered_version = ParseVersion(c.offered);
    world.running = {{"Merovix.exe", 1}};
    world.services = {"Merovix"};
    world.Run();
    const std::string what = std::string(c.installed) + " / " + c.offered;
    if (!c.refused) {
      EXPECT_EQ(std::count(world.log.begin(), world.log.end(), kInstall), 1) << what;
      continue;
    }
    EXPECT_EQ(world.log, (Log{std::string("Confirm ") + kAskForUpdate, "LoadDirectiveList", kDownloadDefault,
                              "DeleteFile " + kInstaller, "Beep", "UpdateMessage " + older}));
    EXPECT_EQ(world.files.count(kInstaller), 0u);
    ASSERT_GE(world.record.size(), 5u);
    EXPECT_EQ(world.record[4], "Das Installationsprogramm " + kInstaller +
                                   " (Version 28.0.0.9) ist älter als die installierte Version 28.1: gelöscht, "
                                   "nichts beendet, nichts ausgeführt");
  }
}

// A nightly run offered the installed version leaves the product alone; a
// newer, an unknown version, or a person asking, gets the installer.
TEST(UpdateRun, AnUnattendedRunOfferedTheInstalledVersionDoesNothing) {
  struct Case {
    bool unattended;
    const char* installed;
    const char* offered;
    bool installs;
  };
  for (const Case& c :
       {Case{true, "28.1", "28.1.0.0", false}, Case{true, "28.1", "28.1.0.1", true}, Case{true, "", "28.1.0.0", true},
        Case{true, "28.1", "0.0.0.0", true}, Case{false, "28.1", "28.1.0.0", true}}) {
    FakeWorld world;
    world.unattended = c.unattended;
    world.ini_bools["confirm_update"] = false;
    world.installed_version = ParseVersion(c.installed);
    world.offered_version = ParseVersion(c.offered);
    world.running = {{"Merovix_Diagnose.exe", 1}, {"Merovix.exe", 1}};
    world.services = {"Merovix"};
    const RunOutcome outcome = world.Run();
    const std::string what = std::string(c.installed) + " / " + c.offered + (c.unattended ? " unattended" : "");
    EXPECT_EQ(outcome == RunOutcome::UpToDate, !c.installs) << what;
    if (c.installs) {
      EXPECT_EQ(std::count(world.log.begin(), world.log.end(), c.unattended ? kQuietInstall : kInstall), 1) << what;
      continue;
    }
    EXPECT_EQ(world.log, (Log{"LoadDirectiveList", "DownloadInstaller " + kDefaultUrl + " 0"})) << what;
    EXPECT_EQ(world.record.back(), "Die installierte Version 28.1 ist aktuell; nichts zu tun.");
    EXPECT_EQ(world.files.count(kInstaller), 1u) << "kept, so that the next run need not fetch it again";
    EXPECT_EQ(UnattendedExitCode(outcome), 0);
  }
}

TEST(UpdateRun, EachProgramGetsFiveAttemptsOfItsOwn) {
  FakeWorld world;
  world.ini_bools["confirm_update"] = false;
  world.running = {{"Merovix_Diagnose.exe", 1}, {"ekag20nt.exe", 1}, {"NKLS40EK.exe", 2}};
  world.resisting = {"Merovix_Diagnose.exe", "ekag20nt.exe", "NKLS40EK.exe"};
  world.Run();
  Log expected{"LoadDirectiveList", kDownloadDefault};
  for (int i = 0; i < 5; ++i) {
    expected.push_back("Kill Merovix_Diagnose.exe");
    expected.push_back("WriteIniBool Tageslistebeachten=1");
  }
  for (int i = 0; i < 5; ++i) expected.push_back("Kill ekag20nt.exe");
  for (int i = 0; i < 5; ++i) expected.push_back("Kill NKLS40EK.exe");
  expected.push_back(kInstall);
  expected.push_back("UpdateMessage Das Update wurde durchgeführt!");
  EXPECT_EQ(world.log, expected);
}

TEST(UpdateRun, ServiceBranchStopsSignalsEndsTheDicomServersAndRestartsBothServices) {
  FakeWorld world;
  world.ini_bools["confirm_update"] = false;
  world.services = {"Merovix"};
  world.ini_strings["Servicename"] = "MerovixServer";
  world.ini_strings["storescpDwProcessID"] = "4711";
  world.pids["4711"] = "storescp.exe";
  world.running = {{"storescp.exe", 1}, {"wlmscpfs.exe", 1}, {"Merovix.exe", 1}};
  world.files.insert(kSignal);  // left over from an earlier run
  world.Run();
  EXPECT_EQ(world.log, (Log{"LoadDirectiveList", kDownloadDefault,
                            "ShellExecute " + kSc + " stop MerovixServer_Keepalive wait 2",
                            "AwaitStop localhost MerovixServer_Keepalive", "DeleteFile " + kSignal,
                            "CreateSignalFile " + kSignal, "ShellExecute " + kSc + " stop MerovixServer wait 2",
                            "AwaitStop localhost MerovixServer", "KillId 4711",
                            "RunCommand \"" + kTaskkill + "\" -f -im wlmscpfs.exe", kInstall,
                            "StartService localhost Merovix", "StartService localhost Merovix_KeepAlive",
                            "StartService localhost MerovixServer", "StartService localhost MerovixServer_Keepalive",
                            "UpdateMessage Das Update wurde durchgeführt und der Merovix-Dienst neu gestartet!"}));
  EXPECT_EQ(world.polls, 3) << "stops polling once the product deleted the signal file";
}

// settings.ini may be written by ordinary users, sc runs elevated: a name
// that is not one of the product's services is logged and not used.
TEST(UpdateRun, OnlyAServiceNameOfTheProductReachesSc) {
  const struct {
    const char* configured;
    const char* stopped;
  } cases[] = {{"merovix_2", "merovix_2"},
               {"WinDefend", "Merovix"},
               {"Merovix stop", "Merovix"},
               {"Merovix\"x", "Merovix"},
               {"", "Merovix"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.configured);
    FakeWorld world;
    world.ini_bools["confirm_update"] = false;
    world.services = {"Merovix"};
    world.ini_strings["Servicename"] = c.configured;
    world.Run();
    const std::string stopped = c.stopped;
    for (const std::string& service : {stopped + "_Keepalive", stopped}) {
      EXPECT_EQ(std::count(world.log.begin(), world.log.end(),
                           "ShellExecute " + kSc + " stop " + service + " wait 2"),
                1)
          << service;
    }
    const std::string refused = std::string("Dienstname ") + c.configured +
                                " aus settings.ini abgelehnt (kein Dienst von Merovix), es gilt Merovix";
    // The name is read for each of the two stops.
    EXPECT_EQ(std::count(world.record.begin(), world.record.end(), refused), stopped == c.configured ? 0 : 2);
  }
}

TEST(UpdateRun, TheSignalFileWaitIsBoundedAndARecordedIdOfAnotherProgramIsNotKilled) {
  FakeWorld world;
  world.ini_bools["confirm_update"] = false;
  world.services = {"Merovix"};
  world.signal_seen_after_polls = -1;
  world.ini_strings["storescpDwProcessID"] = "4711";
  world.pids["4711"] = "notepad.exe";
  world.running = {{"storescp.exe", 1}};
  world.Run();
  EXPECT_EQ(world.polls, 500);
  EXPECT_EQ(std::count(world.log.begin(), world.log.end(), "KillId 4711"), 0);
  EXPECT_EQ(std::count(world.log.begin(), world.log.end(), "RunCommand \"" + kTaskkill + "\" -f -im storescp.exe"),
            1);
}

TEST(UpdateRun, DesktopBranchSignalsAndRestartsMerovixAsConfigured) {
  for (const bool minimised : {false, true}) {
    FakeWorld world;
    world.ini_bools["confirm_update"] = false;
    world.ini_bools["minimiert_starten"] = minimised;
    world.running = {{"Merovix.exe", 1}};
    world.Run();
    EXPECT_EQ(world.log,
              (Log{"LoadDirectiveList", kDownloadDefault, "CreateSignalFile " + kSignal, "AwaitEnd Merovix.exe 60000",
                   kInstall, "RunDetached " + kDir + "\\Merovix.exe [] " + (minimised ? "6" : "1"),
                   "UpdateMessage Das Update wurde durchgeführt und Merovix neu gestartet!"}));
  }
}

TEST(UpdateRun, AFailingInstallerIsReportedWithItsCodeAfterTheRestart) {
  FakeWorld world;
  world.ini_bools["confirm_update"] = false;
  world.running = {{"Merovix.exe", 1}};
  world.installer_exit_code = 5;
  world.Run();
  ASSERT_GE(world.log.size(), 3u);
  EXPECT_EQ(world.log[world.log.size() - 3], "RunDetached " + kDir + "\\Merovix.exe [] 1");
  EXPECT_EQ(world.log[world.log.size() - 2], "Beep");
  EXPECT_EQ(world.log.back(),
            "UpdateMessage Die Installation des Updates ist fehlgeschlagen (Fehlercode 5)! Merovix wurde neu "
            "gestartet.");
}

TEST(UpdateRun, TheFinalMessageNamesARestartOnlyWhenItHappened) {
  using enum RestartKind;
  const std::string done = "Das Update wurde durchgeführt";
  const std::string failed = "Die Installation des Updates ist fehlgeschlagen (Fehlercode 5)!";
  const std::string not_started = "Das Installationsprogramm des Updates konnte nicht gestartet werden!";
  struct Case {
    std::optional<std::uint32_t> exit_code;
    RestartOutcome restart;
    std::string message;
  };
  for (const Case& c : {
           Case{0, {None, true}, done + "!"},
           Case{0, {Service, true}, done + " und der Merovix-Dienst neu gestartet!"},
           Case{0, {Desktop, true}, done + " und Merovix neu gestartet!"},
           Case{0, {Service, false}, done + "! Der Merovix-Dienst konnte nicht neu gestartet werden!"},
           Case{0, {Desktop, false}, done + "! Merovix konnte nicht neu gestartet werden!"},
           Case{5, {None, true}, failed},
           Case{5, {Service, true}, failed + " Der Merovix-Dienst wurde neu gestartet."},
           Case{5, {Desktop, false}, failed + " Merovix konnte nicht neu gestartet werden!"},
           Case{std::nullopt, {None, true}, not_started},
           Case{std::nullopt, {Desktop, true}, not_started + " Merovix wurde neu gestartet."},
           Case{std::nullopt,
                {Service, false},
                not_started + " Der Merovix-Dienst konnte nicht neu gestartet werden!"},
           Case{0,
                {DesktopNeverEnded, false},
                done + "! Merovix hat sich nicht beendet und muss neu gestartet werden."},
           Case{5, {DesktopNeverEnded, false}, failed + " Merovix hat sich nicht beendet und läuft weiter."},
           Case{0, {Desktop, false, true}, done + "! Merovix wurde unter dem Systemkonto nicht neu gestartet."},
           Case{5, {Desktop, false, true}, failed + " Merovix wurde unter dem Systemkonto nicht neu gestartet."},
           Case{3010,
                {Service, true},
                done + " und der Merovix-Dienst neu gestartet! Zum Abschluss muss der PC neu gestartet werden."},
           Case{3010,
                {Desktop, false},
                done +
                    "! Merovix konnte nicht neu gestartet werden! Zum Abschluss muss der PC neu gestartet werden."},
       }) {
    EXPECT_EQ(FinalMessage(c.exit_code, c.restart), c.message);
  }
  EXPECT_EQ(FinalMessage(std::nullopt, {Service, true}, true),
            "Die Installation des Updates ist fehlgeschlagen: Das Installationsprogramm hat sich nicht innerhalb von "
            "30 Minuten beendet und wurde abgebrochen! Der Merovix-Dienst wurde neu gestartet.");
}

// The service branch with everything that can be told: a program that
// resists, a signal file nobody takes (removed before the restart), a
// keep-alive service that does not start again (beep, and the message says
// so), and the record of it all.
TEST(UpdateRun, AFailedRestartIsReportedAndTheRecordTellsEveryStep) {
  FakeWorld world;
  world.ini_bools["confirm_update"] = false;
  world.services = {"Merovix"};
  world.signal_seen_after_polls = -1;
  world.failing_starts = {"Merovix_KeepAlive"};
  world.running = {{"Merovix_Diagnose.exe", 1}, {"storescp.exe", 1}, {"wlmscpfs.exe", 1}, {"ekag20nt.exe", 1}};
  world.resisting = {"Merovix_Diagnose.exe"};
  world.ini_strings["storescpDwProcessID"] = "4711";
  world.pids["4711"] = "storescp.exe";
  world.installed_version = ParseVersion("28.0");
  world.offered_version = world.installer_installs = ParseVersion("28.1.0.3");
  RunVersions versions;
  world.Run(versions);
  EXPECT_EQ(versions.installed_before->Text() + " " + versions.offered->Text() + " " +
                versions.installed_after->Text(),
            "28.0 28.1.0.3 28.1.0.3");
  EXPECT_EQ(Log(world.log.end() - 6, world.log.end()),
            (Log{kInstall, "DeleteFile " + kSignal, "StartService localhost Merovix",
                 "StartService localhost Merovix_KeepAlive", "Beep",
                 "UpdateMessage Das Update wurde durchgeführt! Der Merovix-Dienst konnte nicht neu gestartet "
                 "werden!"}));
  const std::string curl = "C:\\Windows\\system32\\curl.exe";
  EXPECT_EQ(world.record,
            (Log{"Installierte Version vor dem Lauf: 28.0",
                 "Übertragung der Direktivenliste: https://www.merovix.example/wget/restricted/LoadAndRun.ini mit " +
                     curl + " nach C:\\LoadAndRun.ini: fehlgeschlagen, Exit-Code 22",
                 "Übertragung des Installationsprogramms: " + kDefaultUrl + " mit " + curl + " nach " + kInstaller +
                     ": geladen, Exit-Code 0",
                 // A build without signer runs whatever it fetched, and says so.
                 "Das Installationsprogramm wurde nicht auf die Signatur des Herstellers geprüft (kein Herausgeber "
                 "im Programm festgelegt)",
                 "Merovix_Diagnose.exe: läuft nach 5 Versuchen noch",
                 "Dienst Merovix_Keepalive: " + kSc + " stop Merovix_Keepalive, danach beendet",
                 "Signaldatei " + kSignal + " angelegt", "Signaldatei nach 500 Abfragen nicht abgeholt",
                 "Dienst Merovix: " + kSc + " stop Merovix, danach beendet",
                 "storescp.exe: Prozess 4711 (gespeicherte Prozess-ID) beendet",
                 "wlmscpfs.exe: wird beendet mit \"" + kTaskkill + "\" -f -im wlmscpfs.exe",
                 "ekag20nt.exe: beendet nach 1 Versuch", "Installationsprogramm: \"" + kInstaller + "\" /silent",
                 "Installationsprogramm beendet, Exit-Code 0", "Installierte Version nach der Installation: 28.1.0.3",
                 "Nicht abgeholte Signaldatei " + kSignal + " entfernt", "Neustart Dienst Merovix: wird ausgeführt",
                 "Neustart Dienst Merovix_KeepAlive fehlgeschlagen: beendet"}));
}

// The installer's own exit codes are told in words; the restart after a
// 3010 is the one after any success.
TEST(UpdateRun, TheRecordTellsWhatTheInstallersExitCodeMeans) {
  const std::string ended = "Installationsprogramm beendet, Exit-Code ";
  for (const auto& [code, line] : std::initializer_list<std::pair<std::uint32_t, std::string>>{
           {0, ended + "0"},
           {2, ended + "2 (vor Beginn der Installation abgebrochen)"},
           {5, ended + "5 (während der Installation abgebrochen)"},
           {8, ended + "8 (die Vorbereitung der Installation ergab, dass sie erst nach einem Neustart des PCs "
                       "möglich ist)"},
           {9, ended + "9"},
           {3010, ended + "3010 (installiert, zum Abschluss muss der PC neu gestartet werden)"}}) {
    FakeWorld world;
    world.unattended = true;
    world.running = {{"Merovix.exe", 1}};
    world.installer_exit_code = code;
    world.Run();
    EXPECT_EQ(std::count(world.record.begin(), world.record.end(), line), 1) << line;
    EXPECT_EQ(std::count(world.log.begin(), world.log.end(), "RunDetached " + kDir + "\\Merovix.exe [] 1"), 1)
        << code;
  }
}

// No second copy of the desktop program: one that outlasted its wait, or
// that the installer started again, is left running; one that the installer
// ended is started.
TEST(UpdateRun, TheDesktopProgramIsStartedAgainOnlyWhereNoCopyRuns) {
  const std::string done = "UpdateMessage Das Update wurde durchgeführt";
  const std::string start = "RunDetached " + kDir + "\\Merovix.exe [] 1";
  const std::string left_alone = "Neustart " + kDir + "\\Merovix.exe entfällt: das Programm läuft";
  struct Case {
    bool ends;
    std::optional<bool> left_running_by_installer;
    bool starts;
    Log tail;
    std::string last_record;
  };
  for (const Case& c : {
           Case{false,
                std::nullopt,
                true,
                {"Beep", done + "! Merovix hat sich nicht beendet und muss neu gestartet werden."},
                left_alone},
           Case{false,
                false,
                true,
                {start, done + " und Merovix neu gestartet!"},
                "Neustart " + kDir + "\\Merovix.exe: gestartet als PC\\anna in Sitzung 1, mit dem Token der Shell"},
           Case{true, true, true, {kInstall, done + " und Merovix neu gestartet!"}, left_alone},
           Case{true,
                std::nullopt,
                false,
                {start, "Beep", done + "! Merovix konnte nicht neu gestartet werden!"},
                "Neustart " + kDir +
                    "\\Merovix.exe fehlgeschlagen: nicht gestartet (als PC\\anna in Sitzung 1, mit dem Token der "
                    "Shell)"},
       }) {
    FakeWorld world;
    world.ini_bools["confirm_update"] = false;
    world.running = {{"Merovix.exe", 1}};
    world.desktop_program_ends = c.ends;
    world.installer_leaves_desktop_running = c.left_running_by_installer;
    world.desktop_program_starts = c.starts;
    world.Run();
    EXPECT_EQ(Log(world.log.end() - static_cast<std::ptrdiff_t>(c.tail.size()), world.log.end()), c.tail);
    EXPECT_EQ(std::count(world.record.begin(), world.record.end(), "Merovix.exe läuft nach 60 Sekunden noch"),
              c.ends ? 0 : 1);
    EXPECT_EQ(world.record.back(), c.last_record);
  }
}

TEST(UpdateRun, AnErrorWhileStoppingRestartsWhatWasStoppedAndPassesOn) {
  FakeWorld world;
  world.ini_bools["confirm_update"] = false;
  world.services = {"Merovix"};
  world.signal_file_cannot_be_created = true;
  EXPECT_THROW(world.Run(), std::runtime_error);
  EXPECT_EQ(world.log,
            (Log{"LoadDirectiveList", kDownloadDefault, "ShellExecute " + kSc + " stop Merovix_Keepalive wait 2",
                 "AwaitStop localhost Merovix_Keepalive", "StartService localhost Merovix",
                 "StartService localhost Merovix_KeepAlive"}));

  FakeWorld desktop;
  desktop.ini_bools["confirm_update"] = false;
  desktop.running = {{"Merovix.exe", 1}};
  desktop.signal_file_cannot_be_created = true;
  EXPECT_THROW(desktop.Run(), std::runtime_error);
  EXPECT_EQ(desktop.log.back(), kDownloadDefault) << "the product was never asked to stop";
}

// Nobody at the PC: no question even where the settings ask for one, and
// the transfer tool and "sc" run hidden; the installer and the product keep
// their show modes.
TEST(UpdateRun, AnUnattendedRunAsksNothingAndStartsItsToolsHidden) {
  FakeWorld world;
  world.unattended = true;
  world.ini_bools["confirm_update"] = true;
  world.services = {"Merovix"};
  EXPECT_EQ(world.Run(), RunOutcome::Updated);
  EXPECT_EQ(world.log,
            (Log{"LoadDirectiveList", "DownloadInstaller " + kDefaultUrl + " 0",
                 "ShellExecute " + kSc + " stop Merovix_Keepalive wait 0", "AwaitStop localhost Merovix_Keepalive",
                 "CreateSignalFile " + kSignal, "ShellExecute " + kSc + " stop Merovix wait 0",
                 "AwaitStop localhost Merovix", kQuietInstall, "StartService localhost Merovix",
                 "StartService localhost Merovix_KeepAlive",
                 "UpdateMessage Das Update wurde durchgeführt und der Merovix-Dienst neu gestartet!"}));
}

// Under the system account the desktop program is asked to stop as ever and
// comes back only where its start finds the user it ran for, in the session
// read while it ran; the services come back in any case.
TEST(UpdateRun, UnderTheSystemAccountTheDesktopProgramComesBackOnlyForItsUser) {
  FakeWorld world;
  world.unattended = true;
  world.local_system = true;
  world.running = {{"Merovix.exe", 1}};
  world.desktop_sessions = {2};
  EXPECT_EQ(world.Run(), RunOutcome::Updated);
  ASSERT_EQ(world.requests.size(), 1u);
  EXPECT_TRUE(world.requests[0].local_system);
  EXPECT_EQ(world.requests[0].stopped_in_sessions, std::vector<std::uint32_t>{2});

  FakeWorld nobody;
  nobody.unattended = true;
  nobody.local_system = true;
  nobody.running = {{"Merovix.exe", 1}};
  nobody.desktop_start_refused = "niemand angemeldet";
  EXPECT_EQ(nobody.Run(), RunOutcome::RestartSkipped);
  EXPECT_EQ(Log(nobody.log.end() - 5, nobody.log.end()),
            (Log{"CreateSignalFile " + kSignal, "AwaitEnd Merovix.exe 60000", kQuietInstall, "Beep",
                 "UpdateMessage Das Update wurde durchgeführt! Merovix wurde unter dem Systemkonto nicht neu "
                 "gestartet."}));
  EXPECT_EQ(nobody.record.back(), "Neustart " + kDir + "\\Merovix.exe übersprungen: niemand angemeldet");

  FakeWorld service;
  service.local_system = true;
  service.ini_bools["confirm_update"] = false;
  service.services = {"Merovix"};
  service.running = {{"Merovix.exe", 1}};
  EXPECT_EQ(service.Run(), RunOutcome::Updated);
  EXPECT_EQ(service.log.back(), "UpdateMessage Das Update wurde durchgeführt und der Merovix-Dienst neu gestartet!");
}

// The installer's failure outweighs a failed restart; the system account's
// skip counts only where there was a desktop program to restart, and one
// that never ended is told as such.
TEST(UpdateRun, EachEndingTellsItsOutcome) {
  using enum RunOutcome;
  struct Case {
    const char* name;
    void (*arrange)(FakeWorld&);
    RunOutcome outcome;
  };
  for (const Case& c : {
           Case{"cancelled", [](FakeWorld& w) { w.answer_yes = false; }, Cancelled},
           Case{"tool failed", [](FakeWorld& w) { w.download_outcome = DownloadOutcome::ToolFailed; },
                DownloadFailed},
           Case{"past its limit", [](FakeWorld& w) { w.download_outcome = DownloadOutcome::PastLimit; },
                DownloadFailed},
           Case{"unsigned", [](FakeWorld& w) { w.download_outcome = DownloadOutcome::Refused; }, InstallerRefused},
           Case{"older installer",
                [](FakeWorld& w) {
                  w.installed_version = ParseVersion("28.1");
                  w.offered_version = ParseVersion("28.0.9");
                },
                InstallerOlder},
           Case{"installer failed, restart failed",
                [](FakeWorld& w) {
                  w.installer_exit_code = 5;
                  w.services = {"Merovix"};
                  w.failing_starts = {"Merovix"};
                },
                InstallerFailed},
           Case{"installer not started", [](FakeWorld& w) { w.installer_exit_code = std::nullopt; }, InstallerFailed},
           Case{"installer ended at its time limit",
                [](FakeWorld& w) {
                  w.installer_times_out = true;
                  w.services = {"Merovix"};
                },
                InstallerFailed},
           Case{"restart failed",
                [](FakeWorld& w) {
                  w.running = {{"Merovix.exe", 1}};
                  w.desktop_program_starts = false;
                },
                RestartFailed},
           Case{"desktop program never ended",
                [](FakeWorld& w) {
                  w.running = {{"Merovix.exe", 1}};
                  w.desktop_program_ends = false;
                },
                RestartFailed},
           Case{"configured service stays stopped",
                [](FakeWorld& w) {
                  w.services = {"Merovix"};
                  w.ini_strings["Servicename"] = "Merovix_Praxis";
                  w.failing_starts = {"Merovix_Praxis"};
                },
                RestartFailed},
           // Started as ever, but not stopped by this run: it may not exist.
           Case{"fixed keep-alive name missing beside a configured one",
                [](FakeWorld& w) {
                  w.services = {"Merovix"};
                  w.ini_strings["Servicename"] = "Merovix_Praxis";
                  w.failing_starts = {"Merovix_KeepAlive"};
                },
                Updated},
           Case{"system account, nothing to restart", [](FakeWorld& w) { w.local_system = true; }, Updated},
           Case{"system account, desktop program never ended",
                [](FakeWorld& w) {
                  w.local_system = true;
                  w.running = {{"Merovix.exe", 1}};
                  w.desktop_program_ends = false;
                },
                RestartFailed},
           // Not started by this run for its user; a second copy is not made.
           Case{"system account, running again after the installer",
                [](FakeWorld& w) {
                  w.local_system = true;
                  w.running = {{"Merovix.exe", 1}};
                  w.installer_leaves_desktop_running = true;
                },
                RestartSkipped},
           // Installed, and the PC must be restarted to finish: after the
           // product runs again, and only where it does; under the system
           // account the skipped desktop program starts with the next session.
           Case{"reboot needed",
                [](FakeWorld& w) {
                  w.installer_exit_code = 3010;
                  w.services = {"Merovix"};
                },
                RebootRequired},
           Case{"reboot needed, restart failed",
                [](FakeWorld& w) {
                  w.installer_exit_code = 3010;
                  w.services = {"Merovix"};
                  w.failing_starts = {"Merovix"};
                },
                RestartFailed},
           Case{"reboot needed, system account",
                [](FakeWorld& w) {
                  w.installer_exit_code = 3010;
                  w.local_system = true;
                  w.running = {{"Merovix.exe", 1}};
                },
                RebootRequired},
       }) {
    FakeWorld world;
    c.arrange(world);
    EXPECT_EQ(world.Run(), c.outcome) << c.name;
  }
}

// The journal names each service before its stop is sent and the desktop
// program before the signal file asks it to close; it goes once everything
// runs again and keeps what did not come back.
TEST(UpdateRun, TheJournalNamesWhatIsStoppedUntilItRunsAgain) {
  const std::string signal = "signal=" + kSignal + "\n";
  for (const bool praxis_starts : {true, false}) {
    FakeWorld world;
    world.ini_bools["confirm_update"] = false;
    world.services = {"Merovix"};
    world.ini_strings["Servicename"] = "Merovix_Praxis";
    if (!praxis_starts) world.failing_starts = {"Merovix_Praxis"};
    EXPECT_EQ(world.Run(), praxis_starts ? RunOutcome::Updated : RunOutcome::RestartFailed);
    EXPECT_EQ(world.stops_not_journalled, 0);
    const std::string keep_alive = "service=Merovix_Praxis_Keepalive\n";
    EXPECT_EQ(world.journal_writes,
              (Log{keep_alive, keep_alive + signal, keep_alive + "service=Merovix_Praxis\n" + signal,
                   praxis_starts ? "(removed)" : "service=Merovix_Praxis\n"}));
  }

  FakeWorld desktop;
  desktop.ini_bools["confirm_update"] = false;
  desktop.running = {{"Merovix.exe", 1}};
  desktop.desktop_program_starts = false;
  desktop.Run("service=Merovix_Old\n");
  const std::string desktop_lines = "service=Merovix_Old\ndesktop=" + kDir + "\\Merovix.exe\nsession=1\n";
  EXPECT_EQ(desktop.journal_writes, (Log{desktop_lines + signal, desktop_lines}))
      << "written before the signal file; what an earlier run left is kept beside it";
}

// A run that died leaves its journal: the next start restarts what it names
// before it does anything else, and keeps in it what still does not run.
TEST(UpdateRun, AStartAfterAnUnfinishedRunRestartsWhatItStoppedFirst) {
  FakeWorld services;
  services.journal = "service=Merovix_Praxis_Keepalive\nsignal=" + kSignal + "\nservice=Merovix_Praxis\n";
  services.files.insert(kSignal);
  services.signal_seen_after_polls = -1;
  services.failing_starts = {"Merovix_Praxis_Keepalive"};
  EXPECT_EQ(services.Recover(), "service=Merovix_Praxis_Keepalive\n");
  EXPECT_EQ(services.log, (Log{"DeleteFile " + kSignal, "StartService localhost Merovix",
                               "StartService localhost Merovix_KeepAlive", "StartService localhost Merovix_Praxis",
                               "StartService localhost Merovix_Praxis_Keepalive"}));
  EXPECT_EQ(services.journal, "service=Merovix_Praxis_Keepalive\n");
  EXPECT_EQ(services.record.front(),
            "Ein früherer Lauf wurde nicht abgeschlossen; laut Journal angehalten: Dienst "
            "Merovix_Praxis_Keepalive, Dienst Merovix_Praxis. Wird zuerst wieder gestartet.");
  // The run that follows fails its download: the journal stays as it was.
  services.download_outcome = DownloadOutcome::ToolFailed;
  EXPECT_EQ(services.Run(*services.journal), RunOutcome::DownloadFailed);
  EXPECT_EQ(services.journal, "service=Merovix_Praxis_Keepalive\n");

  for (const bool running : {false, true}) {
    FakeWorld desktop;
    desktop.journal = "desktop=" + kDir + "\\merovix.EXE\nsession=1\n";
    if (running) desktop.running = {{"Merovix.exe", 1}};
    EXPECT_EQ(desktop.Recover(), "");
    EXPECT_EQ(desktop.log, running ? Log{} : Log{"RunDetached " + kDir + "\\merovix.EXE [] 1"});
    EXPECT_FALSE(desktop.journal.has_value());
  }

  FakeWorld none;
  EXPECT_EQ(none.Recover(), "");
  EXPECT_TRUE(none.log.empty() && none.record.empty() && none.journal_writes.empty());
}

}  // namespace
}  // namespace merovix
