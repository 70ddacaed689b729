#pragma once
// The program's private work folder: where every file it fetches lies (the
// directive list, the installer) and where the installer runs from. Only
// SYSTEM and the Administrators group have access to it, so no ordinary user
// can plant, change, swap or rename anything there, nor a DLL beside the
// installer.
#include <string>

namespace merovix {

// Fixed names of the files in the work folder.
inline constexpr const char* kWorkListName = "LoadAndRun.ini";
inline constexpr const char* kWorkInstallerName = "Merovix_Update_.exe";

// "Merovix Update" in the 32-bit program files folder (the same folder for
// both builds on one PC; on 32-bit Windows the one program files folder),
// as the system names it, never as the environment does. A folder found
// there is kept between runs when it is a real folder (no reparse point)
// owned by SYSTEM or Administrators whose access list is exactly the one
// below; anything else under that name is removed and the folder is made
// anew. Empty when no such folder can be had, or it would not lie on a local
// fixed drive.
std::string CheckedWorkFolder();

// The same for the folder `name` in `parent` (tests use another parent).
std::string CheckedWorkFolderIn(const std::string& parent, const std::string& name);

// True when `folder` is a real folder with the work folder's owner and
// access list: a protected list (nothing inherited) with full access for
// SYSTEM and for Administrators, inherited by what is made in it, and no
// other entry.
bool IsPrivateFolder(const std::string& folder);

}  // namespace merovix
