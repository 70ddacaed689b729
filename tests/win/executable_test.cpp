// The built program's resources: version information, icon and manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/win/handles.h"
#include "tests/win/test_files.h"

namespace merovix::test {
namespace {

std::string ProgramPath() { return TestBinFolder() + "\\..\\..\\Update_Merovix.exe"; }

std::string VersionString(const std::vector<char>& info, const char* name) {
  char* value = nullptr;
  UINT length = 0;
  const std::string query = std::string("\\StringFileInfo\\040704E4\\") + name;
  if (!VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) return "<missing>";
  return std::string(value, length > 0 ? length - 1 : 0);
}

TEST(Executable, VersionResourceIsGermanWithFileVersion28_0_0_57) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(ProgramPath().c_str(), &handle);
  ASSERT_GT(size, 0u) << ProgramPath();
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(ProgramPath().c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(0, 28));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(57, 0));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 28));
  EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(57, 0));

  WORD* translation = nullptr;
  ASSERT_TRUE(
      VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
  EXPECT_EQ(translation[0], 0x0407);
  EXPECT_EQ(translation[1], 1252);

  EXPECT_EQ(VersionString(info, "FileVersion"), "28.0.0.57");
  EXPECT_EQ(VersionString(info, "ProductVersion"), "1.0.0.0");
  for (const char* name :
       {"CompanyName", "FileDescription", "InternalName", "LegalCopyright", "OriginalFilename", "ProductName"}) {
    EXPECT_EQ(VersionString(info, name), "") << name;
  }
}

TEST(Executable, HasItsIconAndAManifestAskingForAdministratorRights) {
  const UniqueModule loaded(LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  ASSERT_TRUE(loaded);
  const HMODULE program = loaded.get();
  EXPECT_NE(FindResourceA(program, "MAINICON", MAKEINTRESOURCEA(14)), nullptr) << "icon group MAINICON";
  HRSRC manifest = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(manifest, nullptr);
  const char* text = static_cast<const char*>(LockResource(LoadResource(program, manifest)));
  const std::string xml(text, SizeofResource(program, manifest));
  EXPECT_NE(xml.find("level=\"requireAdministrator\""), std::string::npos);
  EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(xml.find("name=\"Merovix.Update_Merovix\" version=\"28.0.0.57\""), std::string::npos);
}

}  // namespace
}  // namespace merovix::test
