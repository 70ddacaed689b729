#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/win/handles.h"

namespace merovix {

// True when `path` names a file (anything but a folder), or a folder. Both
// follow links.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

// True when `path` is a folder and no junction, mount point or other
// reparse point.
bool IsRealFolder(const std::string& path);

// Opens `folder` itself, never what a reparse point there leads to, so that
// nobody can rename or delete it while the handle lives; others may still
// read it and create files in it. Invalid when it cannot be opened.
UniqueFileHandle PinFolder(const std::string& folder);

// Deletes the files directly in `folder`, then the folder itself (when it is
// empty by then). Nothing is deleted through a reparse point: a folder that
// is one stays as it is, a link in it is deleted as the link, and subfolders
// stay. Nothing happens when it does not exist.
void RemoveFolderAndFiles(const std::string& folder);

// Sixteen hex digits from the system's random source: a part of a name that
// nobody can foresee and plant something under.
std::string RandomHex();

// Writes all of `bytes` to `file` at its file pointer; false when a write
// fails or stops short.
bool WriteAll(HANDLE file, std::string_view bytes);

// True when the open `file` is a plain disk file, no reparse point, folder
// or device, reachable under no other name (one hard link); its size then
// goes to `size`.
bool IsPlainFileOfOneName(HANDLE file, std::uint64_t& size);

// Opens `path` itself (never what a reparse point there leads to) for
// reading, so that nobody can write, rename or delete it while the handle
// lives; invalid when it is no plain file of one name or cannot be opened.
UniqueFileHandle HoldPlainFile(const std::string& path);

// True when both paths name one existing file (same volume, same file index),
// whatever their spelling: letter case, short names, doubled backslashes.
bool IsSameFile(const std::string& a, const std::string& b);

}  // namespace merovix
