#pragma once
// One modal run of the shell's folder browser, and the translations it needs.
// Stateless; texts are ANSI.
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "browse/browse_options.h"
#include "framework/win/handles.h"

namespace merovix {

struct BrowseRequest {
  HWND owner = nullptr;  // the window that owns the dialog, or none
  std::string title;     // the text above the tree
  TRootID root = idDesktop;
  TBrowseFlags options;
  bool status_line = false;
  BFFCALLBACK callback = nullptr;
  LPARAM callback_data = 0;
};

struct BrowseResult {
  std::string path;
  // The confirmed item, or none; the caller owns it and frees it through the
  // allocator it passed in.
  LPITEMIDLIST item_list = nullptr;
  std::string display_name;
};

// Shows the folder browser modally. True when the user confirmed an item,
// also one without a file-system path. `image_index` is written only then.
// The path buffer and the root list come from `shell_malloc` and go back to
// it on every way out; without the buffer no dialog is shown at all.
bool BrowseDirectory(IMalloc* shell_malloc, const BrowseRequest& request, BrowseResult& result, int& image_index);

// The special-folder identifier for a root on the running platform family.
int RootIDToCSIDL(TRootID root);

// The system image list index of a path.
int GetIconIndex(const std::string& path);

}  // namespace merovix
