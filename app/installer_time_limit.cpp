#include <algorithm>

#include "app/update_run.h"

// Alone in its file: the build configures it, and a test build of the
// program links its own copy with a limit of seconds.
#include "build_config.h"

namespace merovix {

std::uint32_t InstallerTimeLimitMs() {
  constexpr std::uint32_t kSeconds = MEROVIX_INSTALLER_TIME_LIMIT_SECONDS;
  return kSeconds == 0 ? kInstallerTimeLimitMs : std::min(kInstallerTimeLimitMs, kSeconds * 1000);
}

}  // namespace merovix
