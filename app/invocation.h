#pragma once
// What the command line asks for: nothing (a user is at the PC) or the one
// switch "/unattended" (a deployment tool or scheduled task runs the update).
#include <optional>
#include <string>
#include <vector>

namespace merovix {

struct Invocation {
  bool unattended = false;
  // The first argument that is not the switch; the program then does nothing.
  std::optional<std::string> refused_argument;
};

// `arguments` without the program's own name. "/unattended" and
// "-unattended" in any letter case are the switch; repeating it is harmless.
Invocation ParseArguments(const std::vector<std::string>& arguments);

}  // namespace merovix
