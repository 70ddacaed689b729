#include "common/desktop_start.h"

#include <algorithm>

namespace merovix {
namespace {

std::string SessionText(std::uint32_t session) { return "Sitzung " + std::to_string(session); }

std::string SessionsText(const std::vector<std::uint32_t>& sessions) {
  std::string text = sessions.size() == 1 ? "Sitzung " : "Sitzungen ";
  for (std::size_t i = 0; i < sessions.size(); ++i) text += (i == 0 ? "" : ", ") + std::to_string(sessions[i]);
  return text;
}

DesktopStartResult AsUpdater(DesktopStartOperations& ops, const DesktopStartRequest& request, std::string reason) {
  DesktopStartResult result{DesktopStartWay::Updater, false, ops.UpdaterToken(), std::move(reason)};
  result.started = ops.StartAsUpdater(request.exe, request.show);
  return result;
}

// A program started from the system account would run in the system's
// session, for nobody, or with the system's rights on a user's desktop: it
// comes back only for the user at the console, in the session where it ran.
DesktopStartResult ForConsoleUser(DesktopStartOperations& ops, const DesktopStartRequest& request) {
  const std::string prefix = "Das Update läuft unter dem lokalen Systemkonto";
  DesktopStartResult result;
  const std::optional<std::uint32_t> console = ops.ConsoleSession();
  const auto& ran_in = request.stopped_in_sessions;
  if (!console) {
    result.reason = prefix + ", und mit der Konsole ist keine Sitzung verbunden";
  } else if (ran_in.empty()) {
    result.reason = prefix + ", und in welcher Sitzung Merovix lief, war nicht zu lesen";
  } else if (std::find(ran_in.begin(), ran_in.end(), *console) == ran_in.end()) {
    result.reason = prefix + ": Merovix lief in " + SessionsText(ran_in) + ", an der Konsole ist " +
                    SessionText(*console);
  } else if (std::string why; !ops.TakeSessionUserToken(*console, result.as, why)) {
    result.reason = prefix + ", an der Konsole (" + SessionText(*console) + "): " + why;
  } else {
    result.way = DesktopStartWay::SessionUser;
    result.as.session = *console;
    if (!ops.StartWithTakenToken(request.exe, request.show, why)) result.reason = why;
    result.started = result.reason.empty();
  }
  return result;
}

// The elevated updater's token would give the program, and every DLL found
// beside it in a folder users can write to, administrator rights, and hides
// the user's mapped network drives: it is started with the token of the
// user's own shell instead.
DesktopStartResult ForShellUser(DesktopStartOperations& ops, const DesktopStartRequest& request) {
  const TokenFacts updater = ops.UpdaterToken();
  // Not elevated: the updater's token is the user's already.
  if (!updater.elevated) return AsUpdater(ops, request, "das Update läuft nicht erhöht");
  TokenFacts shell;
  std::string why;
  if (!ops.TakeShellToken(shell, why)) return AsUpdater(ops, request, why);
  if (shell.session != updater.session) {
    return AsUpdater(ops, request,
                     "die Shell läuft in " + SessionText(shell.session) + ", das Update in " +
                         SessionText(updater.session));
  }
  // With the user account control off the shell has the full token too:
  // nothing would be gained.
  if (shell.elevated) return AsUpdater(ops, request, "die Shell läuft selbst erhöht");
  if (!ops.StartWithTakenToken(request.exe, request.show, why)) {
    return AsUpdater(ops, request, "der Start mit dem Token der Shell schlug fehl: " + why);
  }
  return {DesktopStartWay::ShellUser, true, shell, ""};
}

}  // namespace

DesktopStartResult StartDesktopProgram(DesktopStartOperations& ops, const DesktopStartRequest& request) {
  return request.local_system ? ForConsoleUser(ops, request) : ForShellUser(ops, request);
}

}  // namespace merovix
