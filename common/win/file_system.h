#pragma once
#include <string>

namespace merovix {

// Deletes the files directly in `folder`, then the folder itself (when it is
// empty by then). Nothing happens when it does not exist.
void RemoveFolderAndFiles(const std::string& folder);

}  // namespace merovix
