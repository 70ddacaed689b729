#pragma once
// Picks a folder in the shell's folder dialog of another process the way a
// user would: from the tree's root through the computer and the drive down
// the path's folders, expanding each item, and selecting the last one.
#include <windows.h>

#include <string>
#include <vector>

namespace dlgtool {

struct TreeWalk {
  bool ok = false;
  std::string error;                  // what went wrong, when not ok
  std::vector<std::wstring> visited;  // the texts of the items passed
  std::vector<std::wstring> choices;  // the children where no item matched
};

// `path` is "X:\" or "X:\folder\...", or item texts below the tree's root
// joined by "\" for items without a path ("My Computer"). Every message to
// the dialog's process is bounded by `timeout_ms`, and so is the wait for the
// tree to be filled.
TreeWalk SelectFolderInTree(HWND tree, const std::wstring& path, DWORD timeout_ms);

}  // namespace dlgtool
