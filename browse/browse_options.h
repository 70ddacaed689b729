#pragma once
// Root folders and browse options of the folder-browse dialog, and how they
// translate into the shell's special-folder identifiers and BIF_ flags.
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
