#pragma once
#include <string>

namespace merovix {

// True when `path` names an existing file (not a folder).
bool FileExists(const std::string& path);

// Deletes the files directly in `folder`, then the folder itself (when it is
// empty by then). Nothing happens when it does not exist.
void RemoveFolderAndFiles(const std::string& folder);

}  // namespace merovix
