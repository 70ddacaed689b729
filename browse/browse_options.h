#pragma once
// Root folders and browse options of the folder-browse dialog, and how they
// translate into the shell's special-folder identifiers and BIF_ flags.
#include <array>
#include <cstdint>
#include <initializer_list>

namespace merovix {

enum TRootID : std::uint8_t {
  idDesktop,
  idInternet,
  idPrograms,
  idControlPanel,
  idPrinters,
  idPersonal,
  idFavorites,
  idStartup,
  idRecent,
  idSendTo,
  idRecycleBin,
  idStartMenu,
  idDesktopDirectory,
  idDrives,
  idNetwork,
  idNetHood,
  idFonts,
  idTemplates,
  idCommonStartMenu,
  idCommonPrograms,
  idCommonStartup,
  idCommonDesktopDirectory,
  idAppData,
  idPrintHood,
  idDesktopExpanded,
};
constexpr int kRootIDCount = 25;

enum TBrowseFlag : std::uint8_t {
  bfDirectoriesOnly,
  bfDomainOnly,
  bfAncestors,
  bfComputers,
  bfPrinters,
  bfIncludeFiles,
  bfEditBox,
  bfIncludeURLs,
  bfNewDialogStyle,
  bfShareable,
  bfUseNewUI,
};
constexpr int kBrowseFlagCount = 11;

// A set of browse options; bit n stands for the member with ordinal n.
class TBrowseFlags {
 public:
  constexpr TBrowseFlags() = default;
  constexpr TBrowseFlags(std::initializer_list<TBrowseFlag> flags) {
    for (TBrowseFlag flag : flags) Include(flag);
  }
  static constexpr TBrowseFlags FromBits(std::uint16_t bits) {
    TBrowseFlags set;
    set.bits_ = static_cast<std::uint16_t>(bits & ((1u << kBrowseFlagCount) - 1));
    return set;
  }

  constexpr bool Contains(TBrowseFlag flag) const { return (bits_ & Bit(flag)) != 0; }
  constexpr TBrowseFlags& Include(TBrowseFlag flag) {
    bits_ = static_cast<std::uint16_t>(bits_ | Bit(flag));
    return *this;
  }
  constexpr TBrowseFlags& Exclude(TBrowseFlag flag) {
    bits_ = static_cast<std::uint16_t>(bits_ & ~Bit(flag));
    return *this;
  }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr std::uint16_t Bits() const { return bits_; }
  friend constexpr bool operator==(TBrowseFlags a, TBrowseFlags b) { return a.bits_ == b.bits_; }

 private:
  static constexpr std::uint16_t Bit(TBrowseFlag flag) {
    return static_cast<std::uint16_t>(flag < kBrowseFlagCount ? 1u << flag : 0u);
  }
  std::uint16_t bits_ = 0;
};

// Which column of the root table applies.
enum class TPlatformFamily { WindowsNT, Other };

struct RootColumns {
  int nt;
  int other;
};

// The shell's special-folder identifiers (CSIDL_) of each root, indexed by
// TRootID, and its BIF_ flags of each browse option, indexed by TBrowseFlag.
// The Windows adapter ties them to the real values.
inline constexpr std::array<RootColumns, kRootIDCount> kRootCsidls{{
    {0x00, 0x00},      // idDesktop: CSIDL_DESKTOP
    {0x01, 0x01},      // idInternet: CSIDL_INTERNET
    {0x02, 0x02},      // idPrograms: CSIDL_PROGRAMS
    {0x03, 0x03},      // idControlPanel: CSIDL_CONTROLS
    {0x04, 0x04},      // idPrinters: CSIDL_PRINTERS
    {0x05, 0x05},      // idPersonal: CSIDL_PERSONAL
    {0x06, 0x06},      // idFavorites: CSIDL_FAVORITES
    {0x07, 0x07},      // idStartup: CSIDL_STARTUP
    {0x08, 0x08},      // idRecent: CSIDL_RECENT
    {0x09, 0x09},      // idSendTo: CSIDL_SENDTO
    {0x0A, 0x0A},      // idRecycleBin: CSIDL_BITBUCKET
    {0x0B, 0x0B},      // idStartMenu: CSIDL_STARTMENU
    {0x10, 0x10},      // idDesktopDirectory: CSIDL_DESKTOPDIRECTORY
    {0x11, 0x11},      // idDrives: CSIDL_DRIVES
    {0x12, 0x12},      // idNetwork: CSIDL_NETWORK
    {0x13, 0x13},      // idNetHood: CSIDL_NETHOOD
    {0x14, 0x14},      // idFonts: CSIDL_FONTS
    {0x15, 0x15},      // idTemplates: CSIDL_TEMPLATES
    {0x16, 0x0B},      // idCommonStartMenu: CSIDL_COMMON_STARTMENU / CSIDL_STARTMENU
    {0x17, 0x02},      // idCommonPrograms: CSIDL_COMMON_PROGRAMS / CSIDL_PROGRAMS
    {0x18, 0x07},      // idCommonStartup: CSIDL_COMMON_STARTUP / CSIDL_STARTUP
    {0x19, 0x10},      // idCommonDesktopDirectory: CSIDL_COMMON_DESKTOPDIRECTORY / CSIDL_DESKTOPDIRECTORY
    {0x1A, 0x1A},      // idAppData: CSIDL_APPDATA
    {0x1B, 0x1B},      // idPrintHood: CSIDL_PRINTHOOD
    {0xFEFE, 0xFEFE},  // idDesktopExpanded
}};

inline constexpr std::array<std::uint32_t, kBrowseFlagCount> kBrowseFlagBifs{{
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

inline constexpr std::uint32_t kBifStatusText = 0x0004;
inline constexpr std::uint32_t kBifValidate = 0x0020;

// The special-folder identifier (CSIDL) for a root; the common folders of the
// NT family stand for the per-user ones elsewhere. Unknown values give the desktop.
int RootIDToCSIDL(TRootID root, TPlatformFamily family);

// The BIF_ flags of the members present.
std::uint32_t BrowseFlagsToBIF(TBrowseFlags options);

// The flags of one browse: the options' flags, BIF_VALIDATE with an edit box,
// BIF_STATUSTEXT with a status line.
std::uint32_t BrowseCallFlags(TBrowseFlags options, bool status_line);

// The options completed by the members that others need: URLs bring files and
// the new UI, sharing brings the new UI, the new UI brings the edit box and the
// new dialog style.
TBrowseFlags WithImpliedOptions(TBrowseFlags options);

}  // namespace merovix
