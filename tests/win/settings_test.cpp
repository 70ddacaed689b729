// The settings operations through the real profile functions, and registry
// string values, under Wine.
#include "common/win/settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/shared_state.h"
#include "common/win/file_system.h"
#include "framework/win/handles.h"
#include "tests/win/test_files.h"
#include "tests/win/test_support.h"
#include "tests/win/wow64_support.h"

namespace merovix::test {
namespace {

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SettingsFile = folder_.Path() + "\\settings.ini";
    SettingsSection = "Parameter";
  }
  void TearDown() override {
    SettingsFile.clear();
    SettingsSection.clear();
  }
  void Write(const std::string& text) { WriteTextFile(SettingsFile, text); }
  std::string Content() const { return ReadTextFile(SettingsFile); }

  TempFolder folder_;
};

TEST_F(SettingsFileTest, ReadIniBoolTakesWholeNumbersAndFallsBackOtherwise) {
  EXPECT_TRUE(ReadIniBool("confirm_update", true, "", ""));  // no file
  EXPECT_FALSE(ReadIniBool("confirm_update", false, "", ""));

  struct Case {
    const char* value;
    bool expected_with_default_true;
  };
  const Case cases[] = {{"0", false},     {"2", true},   {"0x0", false}, {"$0", false},
                        {"-1", true},     {"yes", true}, {"", true},     {" 0 ", false},
                        {"\"0\"", false}, {"0x", true},  {"1.0", true},  {"99999999999", true}};
  for (const Case& c : cases) {
    Write(std::string("[Parameter]\r\nconfirm_update=") + c.value + "\r\n");
    EXPECT_EQ(ReadIniBool("confirm_update", true, "", ""), c.expected_with_default_true) << c.value;
  }
  Write("[Parameter]\r\nconfirm_update=0x\r\n");
  EXPECT_FALSE(ReadIniBool("confirm_update", false, "", "")) << "not a number keeps the default false";
}

TEST_F(SettingsFileTest, SectionsAndKeysMatchWithoutRegardToCase) {
  Write("[parameter]\r\nCONFIRM_UPDATE=0\r\n");
  EXPECT_FALSE(ReadIniBool("confirm_update", true, "", ""));
  EXPECT_FALSE(ReadIniBool("Confirm_Update", true, SettingsFile, "PARAMETER"));
}

TEST_F(SettingsFileTest, DeleteIniKeyRemovesOnlyThatLine) {
  Write(
      "[Parameter]\r\nServicename=Merovix\r\nconfirm_update=1\r\nminimiert_starten=1\r\n[Other]\r\nconfirm_update="
      "1\r\n");
  DeleteIniKey("confirm_Update", "", "");
  EXPECT_EQ(Content(),
            "[Parameter]\r\nServicename=Merovix\r\nminimiert_starten=1\r\n[Other]\r\nconfirm_update=1\r\n");
  DeleteIniKey("missing", "", "");
  DeleteIniKey("", "", "");
  EXPECT_EQ(Content(),
            "[Parameter]\r\nServicename=Merovix\r\nminimiert_starten=1\r\n[Other]\r\nconfirm_update=1\r\n");
}

TEST_F(SettingsFileTest, NoOperationCreatesAMissingSettingsFile) {
  EXPECT_FALSE(WriteIniBool("Tageslistebeachten", true, "", ""));
  DeleteIniKey("confirm_Update", "", "");
  std::string value = "caller";
  ReadIniString("Servicename", "Merovix", "", "", value);
  EXPECT_EQ(value, "Merovix");
  EXPECT_FALSE(FileExists(SettingsFile));
}

TEST_F(SettingsFileTest, WriteIniBoolWritesOneOrZeroAndCreatesTheSection) {
  Write("[Parameter]\r\nfoo=1\r\n");
  EXPECT_TRUE(WriteIniBool("Tageslistebeachten", true, "", ""));
  EXPECT_TRUE(WriteIniBool("flag", false, "", "Neu"));
  EXPECT_EQ(Content(), "[Parameter]\r\nfoo=1\r\nTageslistebeachten=1\r\n[Neu]\r\nflag=0\r\n");
}

TEST_F(SettingsFileTest, WriteIniBoolReportsARefusedWrite) {
  Write("[Parameter]\r\n");
  ASSERT_TRUE(SetFileAttributesA(SettingsFile.c_str(), FILE_ATTRIBUTE_READONLY));
  const bool written = WriteIniBool("Tageslistebeachten", true, "", "");
  SetFileAttributesA(SettingsFile.c_str(), FILE_ATTRIBUTE_NORMAL);
  // Whether the platform refuses or not, the result says what happened.
  EXPECT_EQ(written, Content().find("Tageslistebeachten") != std::string::npos);
  // Known Wine difference: Wine makes the attribute the file's Linux mode,
  // which does not stop root, the test bed's user.
  if (!RunningOnWine()) {
    EXPECT_FALSE(written);
  }
}

// Ordinary users may write the file's folder: through a second hard link
// the run would write a file that is not the product's settings.
TEST_F(SettingsFileTest, AFileWithASecondHardLinkIsNeitherWrittenNorChanged) {
  const std::string other = folder_.Path() + "\\other.ini";
  WriteTextFile(other, "[Parameter]\r\nconfirm_Update=0\r\n");
  ASSERT_TRUE(CreateHardLinkA(SettingsFile.c_str(), other.c_str(), nullptr));
  EXPECT_FALSE(WriteIniBool("Tageslistebeachten", true, "", ""));
  DeleteIniKey("confirm_Update", "", "");
  EXPECT_EQ(ReadTextFile(other), "[Parameter]\r\nconfirm_Update=0\r\n");
  DeleteFileA(SettingsFile.c_str());
  DeleteFileA(other.c_str());
}

TEST_F(SettingsFileTest, ReadIniStringEscapesBracketsAndKeepsTheCallersValueForAnEmptyKey) {
  Write("[Parameter]\r\na[1]=plain\r\na#~1~#=escaped\r\nServicename = \"Merovix Server\" \r\n");
  std::string value;
  ReadIniString("a[1]", "", "", "", value);
  EXPECT_EQ(value, "escaped");
  ReadIniString("Servicename", "Merovix", "", "", value);
  EXPECT_EQ(value, "Merovix Server");
  ReadIniString("missing", "Merovix", "", "", value);
  EXPECT_EQ(value, "Merovix");
  value = "untouched";
  ReadIniString("", "default", "", "", value);
  EXPECT_EQ(value, "untouched");
}

TEST_F(SettingsFileTest, ReadIniStringCutsLongValues) {
  Write("[Parameter]\r\nlong=" + std::string(3000, 'x') + "\r\n");
  std::string value;
  ReadIniString("long", "", "", "", value);
  EXPECT_EQ(value, std::string(2047, 'x'));
}

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = "Software\\MerovixTests\\" + std::to_string(GetCurrentProcessId());
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(),
                              nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    key_.reset();
    RegDeleteKeyA(HKEY_CURRENT_USER, path_.c_str());
  }
  void Set(const char* name, DWORD type, const void* data, DWORD size) {
    ASSERT_EQ(RegSetValueExA(key_.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
  }
  std::string Read(const std::string& name) {
    std::string result = "junk";
    ReadRegistryString(HKEY_CURRENT_USER, path_, name, result);
    return result;
  }

  std::string path_;
  UniqueRegKey key_;
};

TEST_F(RegistryTest, StringValuesComeBackAsStoredUpToTheirFirstNul) {
  Set("Inno Setup: App Path", REG_SZ, "C:\\Program Files\\Merovix", 26);
  Set("expand", REG_EXPAND_SZ, "%SystemRoot%\\x", 15);
  Set("nul", REG_SZ, "abc\0def", 8);
  Set("empty", REG_SZ, "", 0);
  EXPECT_EQ(Read("Inno Setup: App Path"), "C:\\Program Files\\Merovix");
  EXPECT_EQ(Read("expand"), "%SystemRoot%\\x");
  EXPECT_EQ(Read("nul"), "abc");
  EXPECT_EQ(Read("empty"), "");

  std::string result = "junk";
  ReadRegistryString(HKEY_CURRENT_USER, "\\" + path_, "Inno Setup: App Path", result);
  EXPECT_EQ(result, "C:\\Program Files\\Merovix") << "a leading backslash is dropped";
}

TEST_F(RegistryTest, AMissingKeyOrValueGivesAnEmptyText) {
  EXPECT_EQ(Read("missing"), "");
  std::string result = "junk";
  ReadRegistryString(HKEY_CURRENT_USER, path_ + "\\missing", "x", result);
  EXPECT_EQ(result, "");
}

TEST_F(RegistryTest, AValueOfAnotherTypeRaisesAndReleasesTheKey) {
  const DWORD number = 1;
  Set("dword", REG_DWORD, &number, sizeof(number));
  DWORD before = 0, after = 0;
  GetProcessHandleCount(GetCurrentProcess(), &before);
  EXPECT_THROW(Read("dword"), ERegistryException);
  GetProcessHandleCount(GetCurrentProcess(), &after);
  EXPECT_EQ(after, before);
  try {
    Read("dword");
  } catch (const ERegistryException& e) {
    EXPECT_EQ(e.Message(), "Ungültiger Datentyp für 'dword'");
  }
}

// The installer's uninstall entry in one registry view, removed again.
class ScopedUninstallEntry {
 public:
  ScopedUninstallEntry(const std::string& path, REGSAM view, const char* app_path) : path_(path), view_(view) {
    if (app_path == nullptr) return;
    UniqueRegKey key;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key.get(), "Inno Setup: App Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(app_path),
                             static_cast<DWORD>(strlen(app_path) + 1)),
              ERROR_SUCCESS);
  }
  ~ScopedUninstallEntry() { RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path_.c_str(), view_, 0); }
  ScopedUninstallEntry(const ScopedUninstallEntry&) = delete;
  ScopedUninstallEntry& operator=(const ScopedUninstallEntry&) = delete;

 private:
  std::string path_;
  REGSAM view_;
};

// An installer writes its uninstall entry into the registry view of its own
// bitness (a 32-bit Inno Setup into the 32-bit one). The program reads its
// own view, and the other one when the key is missing there.
TEST(Registry, TheUninstallEntryIsFoundInEitherViewItsOwnFirst) {
  if (!HasTwoRegistryViews()) GTEST_SKIP() << "32-bit Windows has one registry view";
  const std::string path = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MerovixTest" +
                           std::to_string(GetCurrentProcessId()) + "_is1";
  struct Case {
    const char* own;
    const char* other;
    const char* expected;
  };
  const Case cases[] = {{"C:\\Own", nullptr, "C:\\Own"},
                        {nullptr, "C:\\Other", "C:\\Other"},
                        {"C:\\Own", "C:\\Other", "C:\\Own"},
                        {nullptr, nullptr, ""}};
  for (const Case& c : cases) {
    const ScopedUninstallEntry own(path, OwnRegistryView(), c.own);
    const ScopedUninstallEntry other(path, OtherRegistryView(), c.other);
    std::string result = "junk";
    ReadRegistryString(HKEY_LOCAL_MACHINE, path, "Inno Setup: App Path", result);
    EXPECT_EQ(result, c.expected) << "own view " << (c.own ? c.own : "-") << ", other " << (c.other ? c.other : "-");
  }
}

}  // namespace
}  // namespace merovix::test
