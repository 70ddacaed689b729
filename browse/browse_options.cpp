#include "browse/browse_options.h"

namespace merovix {

int RootIDToCSIDL(TRootID root, TPlatformFamily family) {
  if (root >= kRootCsidls.size()) return kRootCsidls[idDesktop].nt;
  const RootColumns& row = kRootCsidls[root];
  return family == TPlatformFamily::WindowsNT ? row.nt : row.other;
}

std::uint32_t BrowseFlagsToBIF(TBrowseFlags options) {
  std::uint32_t flags = 0;
  for (int i = 0; i < kBrowseFlagCount; ++i) {
    if (options.Contains(static_cast<TBrowseFlag>(i))) flags |= kBrowseFlagBifs[i];
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
