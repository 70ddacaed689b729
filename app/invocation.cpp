#include "app/invocation.h"

#include "framework/strings.h"

namespace merovix {

Invocation ParseArguments(const std::vector<std::string>& arguments) {
  Invocation invocation;
  for (const std::string& argument : arguments) {
    const bool is_switch = argument.size() > 1 && (argument[0] == '/' || argument[0] == '-') &&
                           AsciiSameText(std::string_view(argument).substr(1), "unattended");
    if (is_switch) {
      invocation.unattended = true;
    } else {
      invocation.unknown_arguments.push_back(argument);
    }
  }
  return invocation;
}

}  // namespace merovix
