#pragma once
#include <string>

namespace merovix {

// Deletes the files directly in `folder`, then the folder itself (when it is
// empty by then). Nothing happens when it does not exist.
void RemoveFolderAndFiles(const std::string& folder);

// True when both paths name one existing file (same volume, same file index),
// whatever their spelling: letter case, short names, doubled backslashes.
bool IsSameFile(const std::string& a, const std::string& b);

}  // namespace merovix
