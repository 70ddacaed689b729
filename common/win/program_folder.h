#pragma once
#include <string>

namespace merovix {

// The folder of the running program's executable, without trailing backslash.
std::string ProgramFolder();

}  // namespace merovix
