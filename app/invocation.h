#pragma once
// What the command line asks for: nothing (a user is at the PC) or the one
// switch "/unattended" (a deployment tool or scheduled task runs the update).
#include <string>
#include <vector>

namespace merovix {

struct Invocation {
  bool unattended = false;
  // Every argument that is not the switch, in order. A run with a user at
  // the PC goes on without them; an unattended one does nothing, since the
  // tool that started it waits for its exit code.
  std::vector<std::string> unknown_arguments;
};

// `arguments` without the program's own name. "/unattended" and
// "-unattended" in any letter case are the switch; repeating it is harmless.
Invocation ParseArguments(const std::vector<std::string>& arguments);

}  // namespace merovix
