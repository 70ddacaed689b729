#pragma once
// State that the whole program shares, set up when the main window is
// created.
#include <memory>
#include <string>

#include "framework/string_list.h"

namespace merovix {

// The product's settings file and section: the defaults of the settings
// operations when a caller passes an empty file or section name.
extern std::string SettingsFile;
extern std::string SettingsSection;

// The maker's directive list; created empty when the main window is created,
// freed when it closes.
extern std::unique_ptr<TStringList> DirectiveList;

}  // namespace merovix
