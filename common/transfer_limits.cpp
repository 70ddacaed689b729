#include <algorithm>

#include "common/transfer_commands.h"

// Alone in its file: a test build of the download driver links its own copy
// with MEROVIX_TRANSFER_SECONDS_CAP set, to see a slow host run out of time.
namespace merovix {
namespace {

constexpr std::uint32_t kListSeconds = 60;
constexpr std::uint64_t kListBytes = 4u << 20;
constexpr std::uint32_t kInstallerSeconds = 2 * 60 * 60;
constexpr std::uint64_t kInstallerBytes = std::uint64_t{2} << 30;

std::uint32_t Capped(std::uint32_t seconds) {
#ifdef MEROVIX_TRANSFER_SECONDS_CAP
  return std::min<std::uint32_t>(seconds, MEROVIX_TRANSFER_SECONDS_CAP);
#else
  return seconds;
#endif
}

}  // namespace

TransferLimit ListTransferLimit() { return {Capped(kListSeconds), kListBytes}; }
TransferLimit InstallerTransferLimit() { return {Capped(kInstallerSeconds), kInstallerBytes}; }

}  // namespace merovix
