#include "common/win/user_token_launch.h"

#include <windows.h>

#include "common/command_lines.h"
#include "common/win/launch.h"
#include "framework/win/system_folder.h"
#include "framework/win/text.h"

namespace merovix {
namespace {

// The flags RunDetached starts the program with; the environment block made
// for a user is Unicode.
constexpr DWORD kDetachedFlags = CREATE_NEW_CONSOLE | CREATE_NEW_PROCESS_GROUP | CREATE_DEFAULT_ERROR_MODE;

std::string Failed(const char* call) {
  return std::string(call) + " schlug fehl (Fehler " + std::to_string(::GetLastError()) + ")";
}

std::string AccountOf(HANDLE token) {
  union {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  } buffer{};
  DWORD length = 0;
  if (!::GetTokenInformation(token, TokenUser, &buffer, sizeof(buffer), &length)) return {};
  char name[256] = {}, domain[256] = {};
  DWORD name_length = sizeof(name), domain_length = sizeof(domain);
  SID_NAME_USE use{};
  if (!::LookupAccountSidA(nullptr, buffer.user.User.Sid, name, &name_length, domain, &domain_length, &use))
    return {};
  return domain[0] == '\0' ? std::string(name) : std::string(domain) + "\\" + name;
}

TokenFacts FactsOf(HANDLE token) {
  TokenFacts facts;
  facts.account = AccountOf(token);
  DWORD session = 0, length = 0;
  if (::GetTokenInformation(token, TokenSessionId, &session, sizeof(session), &length)) facts.session = session;
  TOKEN_ELEVATION elevation{};
  facts.elevated = ::GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &length) &&
                   elevation.TokenIsElevated != 0;
  return facts;
}

// Enables the privilege in this process's token; false when the token does
// not hold it.
bool EnablePrivilege(const char* name) {
  UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) return false;
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!::LookupPrivilegeValueA(nullptr, name, &privileges.Privileges[0].Luid)) return false;
  // Succeeds also when the privilege is not held; only the last error says.
  return ::AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr) &&
         ::GetLastError() == ERROR_SUCCESS;
}

STARTUPINFOA StartupInfoOnDesktop(std::uint16_t show, char* desktop) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.lpDesktop = desktop;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show;
  return startup;
}

// CreateProcessAsUser on the interactive desktop with the user's own
// environment (not this process's, which may be the system's or an
// administrator's).
bool StartAsUser(HANDLE token, std::string command_line, const std::string& folder, std::uint16_t show,
                 std::string& reason) {
  const UniqueModule userenv = LoadSystemLibrary("userenv.dll");
  using Create = BOOL(WINAPI*)(void**, HANDLE, BOOL);
  const auto create = ProcAddress<Create>(userenv.get(), "CreateEnvironmentBlock");
  UniqueEnvironmentBlock environment(
      ProcAddress<UniqueEnvironmentBlock::Destroy>(userenv.get(), "DestroyEnvironmentBlock"));
  if (create == nullptr || !create(environment.put(), token, FALSE)) {
    reason = Failed("CreateEnvironmentBlock");
    return false;
  }
  char desktop[] = "winsta0\\default";
  STARTUPINFOA startup = StartupInfoOnDesktop(show, desktop);
  UniqueProcessInformation started;
  if (!::CreateProcessAsUserA(token, nullptr, command_line.data(), nullptr, nullptr, FALSE,
                              kDetachedFlags | CREATE_UNICODE_ENVIRONMENT, environment.get(),
                              folder.empty() ? nullptr : folder.c_str(), &startup, started.put())) {
    reason = Failed("CreateProcessAsUser");
    return false;
  }
  return true;
}

// CreateProcessWithTokenW needs only the impersonation privilege, which an
// elevated administrator holds; the secondary logon service starts the
// program with the environment of the token's user, on the caller's desktop.
bool StartThroughSecondaryLogon(HANDLE token, const std::string& command_line, const std::string& folder,
                                std::uint16_t show, std::string& reason) {
  std::wstring wide_command_line = AnsiToWide(command_line);
  const std::wstring wide_folder = AnsiToWide(folder);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show;
  UniqueProcessInformation started;
  if (!::CreateProcessWithTokenW(token, 0, nullptr, wide_command_line.data(), kDetachedFlags, nullptr,
                                 wide_folder.empty() ? nullptr : wide_folder.c_str(), &startup, started.put())) {
    reason = Failed("CreateProcessWithTokenW");
    return false;
  }
  return true;
}

}  // namespace

TokenFacts WindowsDesktopStart::UpdaterToken() {
  UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
  return FactsOf(token.get());
}

bool WindowsDesktopStart::TakeShellToken(TokenFacts& facts, std::string& reason) {
  const HWND shell = ::GetShellWindow();
  DWORD id = 0;
  if (shell == nullptr || ::GetWindowThreadProcessId(shell, &id) == 0 || id == 0) {
    reason = "keine Shell auf dem Desktop (GetShellWindow)";
    return false;
  }
  const UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  UniqueHandle token;
  if (!process) {
    reason = Failed("OpenProcess der Shell");
  } else if (!::OpenProcessToken(process.get(), TOKEN_QUERY | TOKEN_DUPLICATE, token.put())) {
    reason = Failed("OpenProcessToken der Shell");
  } else if (!::DuplicateTokenEx(token.get(),
                                 TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_IMPERSONATE, nullptr,
                                 SecurityImpersonation, TokenPrimary, token_.put())) {
    reason = Failed("DuplicateTokenEx");
  } else {
    facts = FactsOf(token_.get());
    shell_token_ = true;
    return true;
  }
  return false;
}

std::optional<std::uint32_t> WindowsDesktopStart::ConsoleSession() {
  const DWORD session = ::WTSGetActiveConsoleSessionId();
  if (session == 0xFFFFFFFF) return std::nullopt;
  return session;
}

bool WindowsDesktopStart::TakeSessionUserToken(std::uint32_t session, TokenFacts& facts, std::string& reason) {
  // wtsapi32 is no Known DLL: imported, it would be looked up in the
  // program's folder first.
  const UniqueModule wtsapi = LoadSystemLibrary("wtsapi32.dll");
  using Query = BOOL(WINAPI*)(ULONG, HANDLE*);
  const auto query = ProcAddress<Query>(wtsapi.get(), "WTSQueryUserToken");
  if (query == nullptr) {
    reason = "WTSQueryUserToken fehlt";
    return false;
  }
  if (!query(session, token_.put())) {
    reason = ::GetLastError() == ERROR_NO_TOKEN ? "niemand angemeldet" : Failed("WTSQueryUserToken");
    return false;
  }
  facts = FactsOf(token_.get());
  shell_token_ = false;
  return true;
}

bool WindowsDesktopStart::StartWithTakenToken(const std::string& exe, std::uint16_t show, std::string& reason) {
  const std::string command_line = RunDetachedCommandLine(exe, "", true);
  const std::string folder = RunAndWaitFolder(exe);
  // CreateProcessAsUser assigns the token itself: only where this process
  // holds the privilege to (the system account does, an administrator does
  // not unless a policy grants it).
  const bool may_assign = EnablePrivilege(SE_ASSIGNPRIMARYTOKEN_NAME);
  if (shell_token_ && !may_assign)
    return StartThroughSecondaryLogon(token_.get(), command_line, folder, show, reason);
  EnablePrivilege(SE_INCREASE_QUOTA_NAME);
  return StartAsUser(token_.get(), command_line, folder, show, reason);
}

bool WindowsDesktopStart::StartAsUpdater(const std::string& exe, std::uint16_t show) {
  UniqueProcessInformation started;
  RunDetached(exe, "", show, true, started);
  return static_cast<bool>(started);
}

}  // namespace merovix
