#include "common/download_host.h"

// Alone in its file: the build configures it, and a test build of the
// program links its own copy naming a test signer.
#include "build_config.h"

namespace merovix {

std::string InstallerSigner() { return MEROVIX_INSTALLER_SIGNER; }

std::string InstallerSignerKeys() { return MEROVIX_INSTALLER_SIGNER_KEYS; }

}  // namespace merovix
