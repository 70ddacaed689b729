#include "common/shared_state.h"

namespace merovix {

std::string SettingsFile;
std::string SettingsSection;
std::unique_ptr<TStringList> DirectiveList;

}  // namespace merovix
