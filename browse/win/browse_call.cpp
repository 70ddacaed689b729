#include "browse/win/browse_call.h"

#include <shellapi.h>

#include <cstring>

#include "framework/win/handles.h"

namespace merovix {
namespace {

// The portable tables of browse_options.h hold the shell's own values.
constexpr bool RootIs(TRootID root, int nt, int other) {
  return kRootCsidls[root].nt == nt && kRootCsidls[root].other == other;
}
static_assert(
    RootIs(idDesktop, CSIDL_DESKTOP, CSIDL_DESKTOP) && RootIs(idInternet, CSIDL_INTERNET, CSIDL_INTERNET) &&
    RootIs(idPrograms, CSIDL_PROGRAMS, CSIDL_PROGRAMS) && RootIs(idControlPanel, CSIDL_CONTROLS, CSIDL_CONTROLS) &&
    RootIs(idPrinters, CSIDL_PRINTERS, CSIDL_PRINTERS) && RootIs(idPersonal, CSIDL_PERSONAL, CSIDL_PERSONAL) &&
    RootIs(idFavorites, CSIDL_FAVORITES, CSIDL_FAVORITES) && RootIs(idStartup, CSIDL_STARTUP, CSIDL_STARTUP) &&
    RootIs(idRecent, CSIDL_RECENT, CSIDL_RECENT) && RootIs(idSendTo, CSIDL_SENDTO, CSIDL_SENDTO) &&
    RootIs(idRecycleBin, CSIDL_BITBUCKET, CSIDL_BITBUCKET) && RootIs(idStartMenu, CSIDL_STARTMENU, CSIDL_STARTMENU) &&
    RootIs(idDesktopDirectory, CSIDL_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY) &&
    RootIs(idDrives, CSIDL_DRIVES, CSIDL_DRIVES) && RootIs(idNetwork, CSIDL_NETWORK, CSIDL_NETWORK) &&
    RootIs(idNetHood, CSIDL_NETHOOD, CSIDL_NETHOOD) && RootIs(idFonts, CSIDL_FONTS, CSIDL_FONTS) &&
    RootIs(idTemplates, CSIDL_TEMPLATES, CSIDL_TEMPLATES) &&
    RootIs(idCommonStartMenu, CSIDL_COMMON_STARTMENU, CSIDL_STARTMENU) &&
    RootIs(idCommonPrograms, CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS) &&
    RootIs(idCommonStartup, CSIDL_COMMON_STARTUP, CSIDL_STARTUP) &&
    RootIs(idCommonDesktopDirectory, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY) &&
    RootIs(idAppData, CSIDL_APPDATA, CSIDL_APPDATA) && RootIs(idPrintHood, CSIDL_PRINTHOOD, CSIDL_PRINTHOOD));
static_assert(kBrowseFlagBifs[bfDirectoriesOnly] == BIF_RETURNONLYFSDIRS &&
              kBrowseFlagBifs[bfDomainOnly] == BIF_DONTGOBELOWDOMAIN &&
              kBrowseFlagBifs[bfAncestors] == BIF_RETURNFSANCESTORS &&
              kBrowseFlagBifs[bfComputers] == BIF_BROWSEFORCOMPUTER &&
              kBrowseFlagBifs[bfPrinters] == BIF_BROWSEFORPRINTER &&
              kBrowseFlagBifs[bfIncludeFiles] == BIF_BROWSEINCLUDEFILES &&
              kBrowseFlagBifs[bfEditBox] == BIF_EDITBOX && kBrowseFlagBifs[bfIncludeURLs] == BIF_BROWSEINCLUDEURLS &&
              kBrowseFlagBifs[bfNewDialogStyle] == BIF_NEWDIALOGSTYLE &&
              kBrowseFlagBifs[bfShareable] == BIF_SHAREABLE && kBrowseFlagBifs[bfUseNewUI] == BIF_USENEWUI &&
              kBifStatusText == BIF_STATUSTEXT && kBifValidate == BIF_VALIDATE);

std::string BufferText(const char* buffer) { return std::string(buffer, ::strnlen(buffer, MAX_PATH)); }

}  // namespace

bool BrowseDirectory(IMalloc* shell_malloc, const BrowseRequest& request, BrowseResult& result, int& image_index) {
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
