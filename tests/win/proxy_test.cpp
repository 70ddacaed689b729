// The PC's proxy settings as WinHTTP reads them from the registry, under
// Wine: the machine's ("netsh winhttp set proxy") and the user's Internet
// Options.
#include "common/win/proxy.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/win/handles.h"

namespace merovix::test {
namespace {

constexpr const char* kConnections = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";

std::string Counted(const std::string& text) {
  const auto length = static_cast<std::uint32_t>(text.size());
  return std::string(reinterpret_cast<const char*>(&length), 4) + text;
}

std::string Dwords(std::initializer_list<std::uint32_t> values) {
  std::string bytes;
  for (std::uint32_t value : values) bytes.append(reinterpret_cast<const char*>(&value), 4);
  return bytes;
}

// Sets one binary value for the test's lifetime; what was there comes back.
class ScopedBinaryValue {
 public:
  ScopedBinaryValue(HKEY root, const char* name, const std::string& bytes) : name_(name) {
    EXPECT_EQ(::RegCreateKeyExA(root, kConnections, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr), 0);
    DWORD size = sizeof(old_);
    had_ = ::RegQueryValueExA(key_.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(old_), &size) == 0;
    old_size_ = size;
    Set(bytes);
  }
  ~ScopedBinaryValue() {
    if (had_) {
      ::RegSetValueExA(key_.get(), name_, 0, REG_BINARY, reinterpret_cast<const BYTE*>(old_), old_size_);
    } else {
      ::RegDeleteValueA(key_.get(), name_);
    }
  }
  void Set(const std::string& bytes) {
    EXPECT_EQ(::RegSetValueExA(key_.get(), name_, 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size())),
              0);
  }

 private:
  const char* name_;
  UniqueRegKey key_;
  char old_[1024] = {};
  DWORD old_size_ = 0;
  bool had_ = false;
};

std::string MachineSetting(std::uint32_t flags, const std::string& proxy, const std::string& bypass) {
  return Dwords({0x18, 0, flags}) + Counted(proxy) + Counted(bypass);
}

// The user's setting: a script URL after the lists, then zero padding.
std::string UserSetting(std::uint32_t flags, const std::string& proxy, const std::string& bypass) {
  return Dwords({0x46, 0, flags}) + Counted(proxy) + Counted(bypass) + Counted("") + std::string(32, '\0');
}

TEST(Proxy, TheMachinesSettingCountsAndTheUsersOnlyWhereAUserRuns) {
  ScopedBinaryValue machine(HKEY_LOCAL_MACHINE, "WinHttpSettings", MachineSetting(3, "10.0.0.8:3128", "<local>"));
  ProxySetting setting = ConfiguredProxy(false);
  EXPECT_EQ(setting.list, "10.0.0.8:3128");
  EXPECT_EQ(setting.bypass, "<local>");
  EXPECT_EQ(setting.source, "WinHTTP-Einstellung des Computers");

  ScopedBinaryValue user(HKEY_CURRENT_USER, "DefaultConnectionSettings",
                         UserSetting(3, "http=a:1;https=b:2", "*.praxis"));
  EXPECT_EQ(ConfiguredProxy(false).list, "10.0.0.8:3128");
  setting = ConfiguredProxy(true);
  EXPECT_EQ(setting.list, "http=a:1;https=b:2");
  EXPECT_EQ(setting.bypass, "*.praxis");
  EXPECT_EQ(setting.source, "Internetoptionen des Benutzers");

  // The user's proxy switched off: the machine's counts again.
  user.Set(UserSetting(1, "http=a:1;https=b:2", ""));
  EXPECT_EQ(ConfiguredProxy(true).list, "10.0.0.8:3128");
  // Direct only on the machine: no proxy at all.
  machine.Set(MachineSetting(1, "", ""));
  EXPECT_EQ(ConfiguredProxy(true).list, "");
}

}  // namespace
}  // namespace merovix::test
