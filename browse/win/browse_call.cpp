#include "browse/win/browse_call.h"

#include <shellapi.h>

#include <cstring>

#include "framework/win/handles.h"

namespace merovix {
namespace {

std::string BufferText(const char* buffer) { return std::string(buffer, ::strnlen(buffer, MAX_PATH)); }

}  // namespace

bool BrowseDirectory(IMalloc* shell_malloc, const BrowseRequest& request, BrowseResult& result,
                     int& image_index) {
  result = BrowseResult{};
  if (shell_malloc == nullptr) return false;
  ShellBlock buffer(shell_malloc, shell_malloc->Alloc(MAX_PATH));
  if (buffer.get() == nullptr) return false;
  char* text = static_cast<char*>(buffer.get());
  std::memset(text, 0, MAX_PATH);

  ScopedCoInitialize com;
  ShellBlock root(shell_malloc, nullptr);
  // A failed lookup leaves no root list: the tree then starts at the desktop.
  (void)::SHGetSpecialFolderLocation(request.owner, RootIDToCSIDL(request.root),
                                     reinterpret_cast<LPITEMIDLIST*>(root.put()));

  BROWSEINFOA info{};
  info.hwndOwner = request.owner;
  info.pidlRoot = static_cast<LPCITEMIDLIST>(root.get());
  info.pszDisplayName = text;
  info.lpszTitle = request.title.c_str();
  info.ulFlags = BrowseCallFlags(request.options, request.status_line);
  info.lpfn = request.callback;
  info.lParam = request.callback_data;
  // Not every shell fills in the image index; -1 then asks for the path's icon below.
  info.iImage = -1;

  LPITEMIDLIST chosen = nullptr;
  {
    // No "no disk in drive" box while the tree expands drives.
    ScopedErrorMode error_mode(SEM_FAILCRITICALERRORS);
    chosen = ::SHBrowseForFolderA(&info);
  }
  result.item_list = chosen;
  if (chosen == nullptr) return false;

  bool confirmed = false;
  if (request.options.Contains(bfComputers)) {
    // The dialog leaves the computer's name as the display name.
    result.path = "\\\\" + BufferText(text);
    if (::SHGetPathFromIDListA(chosen, text)) result.path = BufferText(text);
    confirmed = true;
  } else {
    confirmed = ::SHGetPathFromIDListA(chosen, text) != FALSE;
    result.path = BufferText(text);
  }
  image_index = confirmed && info.iImage == -1 ? GetIconIndex(result.path) : info.iImage;
  // An item without a file-system path counts as confirmed all the same.
  result.display_name = BufferText(text);
  return true;
}

int RootIDToCSIDL(TRootID root) {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof(version);
  const bool nt = ::GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
  return RootIDToCSIDL(root, nt ? TPlatformFamily::WindowsNT : TPlatformFamily::Other);
}

int GetIconIndex(const std::string& path) {
  SHFILEINFOA info{};
  (void)::SHGetFileInfoA(path.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX);
  return info.iIcon;
}

}  // namespace merovix
