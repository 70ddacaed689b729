#pragma once
// How the update run starts the desktop program again: as the person at the
// PC, not with the updater's administrator token. The choice and its
// fallbacks run against a small interface, so that they can be tested
// without Windows.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace merovix {

// A token as far as the choice needs it.
struct TokenFacts {
  std::string account;  // "PC\anna" (ANSI); empty when it cannot be read
  std::uint32_t session = 0;
  bool elevated = false;  // an administrator's full token
};

// The Windows side of the start. The Take... calls keep the token they took
// for the next StartWithTakenToken.
class DesktopStartOperations {
 public:
  virtual ~DesktopStartOperations() = default;
  // The updater's own token.
  virtual TokenFacts UpdaterToken() = 0;
  // The token of the process behind the desktop's shell window (Explorer);
  // false with the reason (German, UTF-8, without ANSI pieces) when there
  // is no shell window or its token cannot be taken.
  virtual bool TakeShellToken(TokenFacts& facts, std::string& reason) = 0;
  // The session attached to the physical console; nothing when there is none.
  virtual std::optional<std::uint32_t> ConsoleSession() = 0;
  // The token of the user logged on in `session`; false with the reason when
  // nobody is, or it cannot be had.
  virtual bool TakeSessionUserToken(std::uint32_t session, TokenFacts& facts, std::string& reason) = 0;
  // Starts `exe` detached with the token taken last, on that user's desktop
  // and with that user's environment; false with the reason.
  virtual bool StartWithTakenToken(const std::string& exe, std::uint16_t show, std::string& reason) = 0;
  // Starts `exe` detached with the updater's own token (as RunDetached).
  virtual bool StartAsUpdater(const std::string& exe, std::uint16_t show) = 0;
};

enum class DesktopStartWay : std::uint8_t {
  ShellUser,    // with the shell's token, in the updater's session
  SessionUser,  // under the system account: as the user at the console
  Updater,      // with the updater's own token, as before
  NotStarted,   // under the system account: nobody it ran for is at the console
};

struct DesktopStartRequest {
  std::string exe;
  std::uint16_t show = 1;
  // The updater has the local system account.
  bool local_system = false;
  // The sessions the desktop program ran in when it was stopped; empty when
  // they could not be read.
  std::vector<std::uint32_t> stopped_in_sessions;
};

struct DesktopStartResult {
  DesktopStartWay way = DesktopStartWay::NotStarted;
  bool started = false;
  TokenFacts as;  // whose token the program was started (or meant to be) with
  // Why the first choice was not taken, or why nothing was started; empty
  // when the first choice worked.
  std::string reason;
};

// Starts the desktop program as the request asks:
// - under the system account only in the console's session, when the program
//   ran there before and a user is logged on there; otherwise not at all;
// - in any other run with the unelevated token of the shell in the updater's
//   session, and with the updater's own token where there is no such shell
//   or the start with its token fails (the updater itself not elevated: its
//   token is the user's already).
DesktopStartResult StartDesktopProgram(DesktopStartOperations& ops, const DesktopStartRequest& request);

}  // namespace merovix
