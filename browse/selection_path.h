#pragma once
// Rules for the folder that the browse dialog preselects. Texts are ANSI paths.
#include <functional>
#include <string>

namespace merovix {

// The form in which a selection is handed to an open dialog: "C:" becomes
// "C:\", other texts lose one trailing "\" ("\" alone stays).
std::string FormatSelectionPath(const std::string& text);

// The value stored when a selection is assigned: an existing folder named
// without a trailing "\" gets one. `dir_exists` is asked only then.
std::string AssignedSelection(const std::string& text, const std::function<bool(const std::string&)>& dir_exists);

}  // namespace merovix
