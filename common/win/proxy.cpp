#include "common/win/proxy.h"

#include <windows.h>
#include <winhttp.h>

#include "framework/win/handles.h"
#include "framework/win/system_folder.h"

namespace merovix {
namespace {

constexpr const char* kUserSource = "Internetoptionen des Benutzers";
constexpr const char* kMachineSource = "WinHTTP-Einstellung des Computers";

// A string WinHTTP allocated, taken over and given back in the ANSI code
// page like every other piece of data.
std::string TakeString(LPWSTR text) {
  const UniqueGlobalMem owned(text);
  if (text == nullptr || *text == L'\0') return {};
  const int size = ::WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string result(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, -1, result.data(), size, nullptr, nullptr);
  result.resize(static_cast<std::size_t>(size - 1));
  return result;
}

}  // namespace

ProxySetting ConfiguredProxy(bool with_user) {
  const UniqueModule winhttp = LoadSystemLibrary("winhttp.dll");
  if (with_user) {
    const auto user_config =
        ProcAddress<decltype(&::WinHttpGetIEProxyConfigForCurrentUser)>(winhttp.get(),
                                                                        "WinHttpGetIEProxyConfigForCurrentUser");
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    if (user_config && user_config(&config)) {
      TakeString(config.lpszAutoConfigUrl);
      ProxySetting user{kUserSource, TakeString(config.lpszProxy), TakeString(config.lpszProxyBypass)};
      if (!user.list.empty()) return user;
    }
  }
  const auto machine_config =
      ProcAddress<decltype(&::WinHttpGetDefaultProxyConfiguration)>(winhttp.get(),
                                                                    "WinHttpGetDefaultProxyConfiguration");
  WINHTTP_PROXY_INFO info{};
  if (!machine_config || !machine_config(&info)) return {};
  ProxySetting machine{kMachineSource, TakeString(info.lpszProxy), TakeString(info.lpszProxyBypass)};
  if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY) return {};
  return machine;
}

}  // namespace merovix
