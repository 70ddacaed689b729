#pragma once
// The installed product's version (its uninstall entry) and a file's version
// (its version resource).
#include <windows.h>

#include <optional>
#include <string>

#include "common/version_rules.h"

namespace merovix {

// The product's uninstall entry under HKEY_LOCAL_MACHINE, as Inno Setup
// writes it (the installation folder in "Inno Setup: App Path", the
// application's version in "DisplayVersion").
inline constexpr const char* kUninstallKey = "Software\\Microsoft\\Windows\\currentversion\\uninstall\\Merovix_is1";

// "DisplayVersion" of the entry at `key_path`, found in the registry view
// ReadRegistryString takes; nothing when it is missing, not a string, or
// names no known version.
std::optional<ProductVersion> ReadDisplayVersion(HKEY root, const std::string& key_path);

// ReadDisplayVersion of the product's uninstall entry.
std::optional<ProductVersion> ReadInstalledVersion();

// The file version of `path`'s version resource (VS_FIXEDFILEINFO); nothing
// without one, for 0.0.0.0, or when version.dll cannot be loaded.
std::optional<ProductVersion> ReadFileVersion(const std::string& path);

}  // namespace merovix
