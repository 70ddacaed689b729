#include "browse/browse_options.h"

#include <array>

namespace merovix {
namespace {

struct RootColumns {
  int nt;
  int other;
};

// Indexed by TRootID.
constexpr std::array<RootColumns, kRootIDCount> kRootTable{{
    {0x00, 0x00},  // idDesktop: CSIDL_DESKTOP
    {0x01, 0x01},  // idInternet: CSIDL_INTERNET
    {0x02, 0x02},  // idPrograms: CSIDL_PROGRAMS
    {0x03, 0x03},  // idControlPanel: CSIDL_CONTROLS
    {0x04, 0x04},  // idPrinters: CSIDL_PRINTERS
    {0x05, 0x05},  // idPersonal: CSIDL_PERSONAL
    {0x06, 0x06},  // idFavorites: CSIDL_FAVORITES
    {0x07, 0x07},  // idStartup: CSIDL_STARTUP
    {0x08, 0x08},  // idRecent: CSIDL_RECENT
    {0x09, 0x09},  // idSendTo: CSIDL_SENDTO
    {0x0A, 0x0A},  // idRecycleBin: CSIDL_BITBUCKET
    {0x0B, 0x0B},  // idStartMenu: CSIDL_STARTMENU
    {0x10, 0x10},  // idDesktopDirectory: CSIDL_DESKTOPDIRECTORY
    {0x11, 0x11},  // idDrives: CSIDL_DRIVES
    {0x12, 0x12},  // idNetwork: CSIDL_NETWORK
    {0x13, 0x13},  // idNetHood: CSIDL_NETHOOD
    {0x14, 0x14},  // idFonts: CSIDL_FONTS
    {0x15, 0x15},  // idTemplates: CSIDL_TEMPLATES
    {0x16, 0x0B},  // idCommonStartMenu: CSIDL_COMMON_STARTMENU / CSIDL_STARTMENU
    {0x17, 0x02},  // idCommonPrograms: CSIDL_COMMON_PROGRAMS / CSIDL_PROGRAMS
    {0x18, 0x07},  // idCommonStartup: CSIDL_COMMON_STARTUP / CSIDL_STARTUP
    {0x19, 0x10},  // idCommonDesktopDirectory: CSIDL_COMMON_DESKTOPDIRECTORY / CSIDL_DESKTOPDIRECTORY
    {0x1A, 0x1A},  // idAppData: CSIDL_APPDATA
    {0x1B, 0x1B},  // idPrintHood: CSIDL_PRINTHOOD
    {0xFEFE, 0xFEFE},  // idDesktopExpanded
}};

// Indexed by TBrowseFlag.
constexpr std::array<std::uint32_t, kBrowseFlagCount> kFlagTable{{
    0x0001,  // bfDirectoriesOnly: BIF_RETURNONLYFSDIRS
    0x0002,  // bfDomainOnly: BIF_DONTGOBELOWDOMAIN
    0x0008,  // bfAncestors: BIF_RETURNFSANCESTORS
    0x1000,  // bfComputers: BIF_BROWSEFORCOMPUTER
    0x2000,  // bfPrinters: BIF_BROWSEFORPRINTER
    0x4000,  // bfIncludeFiles: BIF_BROWSEINCLUDEFILES
    0x0010,  // bfEditBox: BIF_EDITBOX
    0x0080,  // bfIncludeURLs: BIF_BROWSEINCLUDEURLS
    0x0040,  // bfNewDialogStyle: BIF_NEWDIALOGSTYLE
    0x8000,  // bfShareable: BIF_SHAREABLE
    0x0050,  // bfUseNewUI: BIF_USENEWUI
}};

constexpr std::uint32_t kBifStatusText = 0x0004;
constexpr std::uint32_t kBifValidate = 0x0020;

}  // namespace

int RootIDToCSIDL(TRootID root, TPlatformFamily family) {
  if (root >= kRootTable.size()) return kRootTable[idDesktop].nt;
  const RootColumns& row = kRootTable[root];
  return family == TPlatformFamily::WindowsNT ? row.nt : row.other;
}

std::uint32_t BrowseFlagsToBIF(TBrowseFlags options) {
  std::uint32_t flags = 0;
  for (int i = 0; i < kBrowseFlagCount; ++i) {
    if (options.Contains(static_cast<TBrowseFlag>(i))) flags |= kFlagTable[i];
  }
  return flags;
}

std::uint32_t BrowseCallFlags(TBrowseFlags options, bool status_line) {
  std::uint32_t flags = BrowseFlagsToBIF(options);
  if (options.Contains(bfEditBox)) flags |= kBifValidate;
  if (status_line) flags |= kBifStatusText;
  return flags;
}

TBrowseFlags WithImpliedOptions(TBrowseFlags options) {
  if (options.Contains(bfIncludeURLs)) options.Include(bfIncludeFiles).Include(bfUseNewUI);
  if (options.Contains(bfShareable)) options.Include(bfUseNewUI);
  if (options.Contains(bfUseNewUI)) options.Include(bfEditBox).Include(bfNewDialogStyle);
  return options;
}

}  // namespace merovix
