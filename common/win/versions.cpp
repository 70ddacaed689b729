#include "common/win/versions.h"

#include <vector>

#include "common/win/settings.h"
#include "framework/win/system_folder.h"

namespace merovix {
namespace {

// version.dll is no Known DLL everywhere: from the System folder at run time.
struct VersionFunctions {
  UniqueModule version = LoadSystemLibrary("version.dll");
  decltype(&::GetFileVersionInfoSizeA) size = ProcAddress<decltype(size)>(version.get(), "GetFileVersionInfoSizeA");
  decltype(&::GetFileVersionInfoA) info = ProcAddress<decltype(info)>(version.get(), "GetFileVersionInfoA");
  decltype(&::VerQueryValueA) query = ProcAddress<decltype(query)>(version.get(), "VerQueryValueA");

  bool Complete() const { return size && info && query; }
};

}  // namespace

std::optional<ProductVersion> ReadDisplayVersion(HKEY root, const std::string& key_path) {
  std::string text;
  try {
    ReadRegistryString(root, key_path, "DisplayVersion", text);
  } catch (const ERegistryException&) {
    return std::nullopt;  // another type than a string: no version we can read
  }
  return ParseVersion(text);
}

std::optional<ProductVersion> ReadInstalledVersion() { return ReadDisplayVersion(HKEY_LOCAL_MACHINE, kUninstallKey); }

std::optional<ProductVersion> ReadFileVersion(const std::string& path) {
  const VersionFunctions functions;
  if (!functions.Complete()) return std::nullopt;
  DWORD ignored = 0;
  const DWORD size = functions.size(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<char> data(size);
  if (!functions.info(path.c_str(), 0, size, data.data())) return std::nullopt;
  void* block = nullptr;
  UINT length = 0;
  char root[] = "\\";
  if (!functions.query(data.data(), root, &block, &length) || block == nullptr || length < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
  if (fixed->dwSignature != VS_FFI_SIGNATURE) return std::nullopt;
  return VersionFromFileNumbers(fixed->dwFileVersionMS, fixed->dwFileVersionLS);
}

}  // namespace merovix
