#include "app/win/run_log.h"

#include <windows.h>
#include <lmcons.h>

#include <iterator>

#include "app/run_record.h"
#include "app/win/run_event_log.h"
#include "build_config.h"
#include "common/paths.h"
#include "common/win/log_file.h"
#include "common/win/file_system.h"
#include "framework/win/application.h"
#include "framework/win/dialogs.h"
#include "framework/win/text.h"

namespace merovix {
namespace {

constexpr const char* kLogFileName = "Update_Merovix.log";

std::string ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  return ::GetComputerNameW(name, &length) ? WideToUtf8(std::wstring_view(name, length)) : std::string("?");
}

std::string UserName() {
  wchar_t name[UNLEN + 1] = {};
  DWORD length = std::size(name);
  return ::GetUserNameW(name, &length) ? WideToUtf8(name) : std::string("?");
}

// The user's temporary folder, where a run without installation folder logs.
std::string TemporaryFolder() {
  char folder[MAX_PATH + 1] = {};
  const DWORD length = ::GetTempPathA(MAX_PATH + 1, folder);
  return length > 0 && length <= MAX_PATH ? std::string(folder, length) : std::string();
}

}  // namespace

void RunLog::Begin(const std::string& folder) {
  if (folder.empty()) return;
  path_ = StripTrailingDelimiter(folder) + "\\" + kLogFileName;
  Write(StartRecordLine(MEROVIX_VERSION, ComputerName(), UserName()));
}

void RunLog::Write(const std::string& line) {
  if (!path_.empty()) AppendToLogFile(path_, StampedLogLine(LocalTimestampNow(), line));
}

void RunLog::WriteOutcome(const std::string& line) {
  last_message_ = line;
  Write(line);
}

void RunLog::ReportRunEnd(RunOutcome outcome, std::optional<int> exit_code, const RunVersions& versions) {
  ReportRunEvent({MEROVIX_VERSION, outcome, exit_code, last_message_, versions, AnsiToUtf8(path_)});
}

bool RunLog::Confirm(const std::string& text) {
  const bool yes = MessageDlg(text, TMsgDlgType::mtConfirmation, mbYes | mbCancel, 0, mbYes) == mrYes;
  Write(QuestionRecordLine(text, yes ? "Ja" : "Abbrechen"));
  return yes;
}

bool RunLog::Warn(const std::string& text) {
  const bool ok = MessageDlg(text, TMsgDlgType::mtWarning, mbOK | mbCancel, 0, mbOK) == mrOk;
  Write(QuestionRecordLine(text, ok ? "OK" : "Abbrechen"));
  return ok;
}

void RunLog::ShowPlain(const std::string& text) {
  last_message_ = text;
  Write(MessageRecordLine(text));
  ShowMessage(text);
}

void RunLog::ShowUpdate(const std::string& text) {
  last_message_ = text;
  Write(MessageRecordLine(text));
  if (Application().Unattended()) return;
  constexpr UINT kFlags = MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL | MB_SETFOREGROUND | MB_TOPMOST;
  static_assert(kFlags == 0x51040, "the update message keeps its flags");
  ::MessageBoxW(Application().MainWindowHandle(), Utf8ToWide(text).c_str(), L"Merovix Update", kFlags);
}

void RunLog::Beep() {
  if (!Application().Unattended()) ::MessageBeep(MB_ICONASTERISK);
}

void RunLog::ShowError(const std::exception& error) {
  WriteOutcome(ErrorRecordLine(error.what()));
  Application().ShowException(error);
}

std::string RunLogFolder(const std::string& install_dir) {
  return !install_dir.empty() && DirectoryExists(install_dir) ? install_dir : TemporaryFolder();
}

}  // namespace merovix
