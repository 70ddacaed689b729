#include "common/win/versions.h"

#include <gtest/gtest.h>

#include "build_config.h"
#include "framework/win/handles.h"
#include "tests/win/test_files.h"

namespace merovix::test {
namespace {

TEST(ReadFileVersion, ReadsTheVersionResourceAndNothingFromAFileWithout) {
  // The signed test build carries the program's own version resource.
  const std::optional<ProductVersion> version = ReadFileVersion(TestBinFolder() + "\\Update_Merovix_signed.exe");
  ASSERT_TRUE(version);
  EXPECT_EQ(version->Text(), MEROVIX_VERSION);
  // The run reads the installer's version while it holds the checked file
  // against change, renaming and deletion.
  const std::string installer = TestBinFolder() + "\\recorder.exe";
  const UniqueFileHandle held(CreateFileA(installer.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  ASSERT_TRUE(held);
  const std::optional<ProductVersion> held_version = ReadFileVersion(installer);
  ASSERT_TRUE(held_version);
  EXPECT_EQ(held_version->Text(), "7.2.0.0");

  const TempFolder folder;
  const std::string text = folder.Path() + "\\not_a_program.exe";
  WriteTextFile(text, "MZ but nothing else");
  EXPECT_FALSE(ReadFileVersion(text));
  EXPECT_FALSE(ReadFileVersion(folder.Path() + "\\missing.exe"));
  EXPECT_FALSE(ReadFileVersion(TestBinFolder() + "\\curl.exe")) << "a program without version resource";
}

TEST(ReadDisplayVersion, OnlyAStringNamingAKnownVersionCounts) {
  const std::string path = "Software\\MerovixTests\\version" + std::to_string(GetCurrentProcessId());
  UniqueRegKey key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                            nullptr),
            ERROR_SUCCESS);
  const auto set_text = [&](const char* text) {
    RegSetValueExA(key.get(), "DisplayVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(strlen(text) + 1));
  };
  EXPECT_FALSE(ReadDisplayVersion(HKEY_CURRENT_USER, path)) << "no value";
  set_text("28.1");
  const std::optional<ProductVersion> version = ReadDisplayVersion(HKEY_CURRENT_USER, path);
  ASSERT_TRUE(version);
  EXPECT_EQ(version->Text(), "28.1");
  set_text("28.1 beta");
  EXPECT_FALSE(ReadDisplayVersion(HKEY_CURRENT_USER, path));
  const DWORD number = 28;
  RegSetValueExA(key.get(), "DisplayVersion", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
  EXPECT_FALSE(ReadDisplayVersion(HKEY_CURRENT_USER, path)) << "not a string";
  key.reset();
  RegDeleteKeyA(HKEY_CURRENT_USER, path.c_str());
  EXPECT_FALSE(ReadDisplayVersion(HKEY_CURRENT_USER, path)) << "no key";
}

}  // namespace
}  // namespace merovix::test
