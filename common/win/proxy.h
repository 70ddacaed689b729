#pragma once
// The proxy setting of this PC, read through WinHTTP (loaded from the System
// folder when needed).
#include "common/proxy_rules.h"

namespace merovix {

// With `with_user`, the user's Internet Options proxy when one is set by
// hand (an automatic configuration script or detection is not followed);
// otherwise, or when the user has none, the machine's WinHTTP proxy (what
// "netsh winhttp set proxy" stores). An empty list: direct connections.
ProxySetting ConfiguredProxy(bool with_user);

}  // namespace merovix
