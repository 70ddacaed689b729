#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "common/win/file_system.h"
#include "common/win/work_folder.h"
#include "framework/win/handles.h"
#include "tests/win/test_support.h"

namespace merovix::test {
namespace {

// The owner and access list as the system hands them back, in SDDL.
std::string StoredSecurity(const std::string& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                            nullptr, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return "unreadable";
  }
  const UniqueLocalMem owned(descriptor);
  char* text = nullptr;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1,
                                                            OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                                            &text, nullptr)) {
    return "unconvertible";
  }
  const UniqueLocalMem owned_text(text);
  return text;
}

void WriteFile(const std::string& path) {
  const UniqueFileHandle file(
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file) << path;
}

class WorkFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(std::size(temp), temp);
    parent_ = std::string(temp) + "merovix_work_parent";
    CreateDirectoryA(parent_.c_str(), nullptr);
    folder_ = parent_ + "\\Merovix Update";
    Clear();
  }
  void TearDown() override { Clear(); }
  void Clear() {
    for (const char* name : {"\\Merovix_Update_.exe", "\\planted.dll"}) DeleteFileA((folder_ + name).c_str());
    RemoveDirectoryA(folder_.c_str());
  }
  std::string Checked() { return CheckedWorkFolderIn(parent_, "Merovix Update"); }

  std::string parent_, folder_;
};

constexpr char kPrivateSddl[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// Known Wine difference: Wine keeps no access lists (it maps them to Unix
// mode bits and reports an owner and list of its own), so a folder made
// with the list reads back without it, and the program takes any real
// folder there. What the list keeps out shows only on Windows.
TEST_F(WorkFolder, IsMadeWithAProtectedListForSystemAndAdministratorsAndKeptWithItsFiles) {
  ASSERT_EQ(Checked(), folder_);
  if (RunningOnWine()) {
    EXPECT_NE(StoredSecurity(folder_), kPrivateSddl);
  } else {
    EXPECT_EQ(StoredSecurity(folder_), kPrivateSddl);
  }
  WriteFile(folder_ + "\\Merovix_Update_.exe");
  ASSERT_EQ(Checked(), folder_);
  EXPECT_TRUE(FileExists(folder_ + "\\Merovix_Update_.exe")) << "the last installer stays for the freshness check";
}

TEST_F(WorkFolder, OneFoundWithAnotherListIsMadeAnewWithoutItsFiles) {
  // Made by somebody else: with the parent's inherited list, or with an entry more.
  ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
  WriteFile(folder_ + "\\planted.dll");
  EXPECT_FALSE(IsPrivateFolder(folder_));
  ASSERT_EQ(Checked(), folder_);
  EXPECT_EQ(FileExists(folder_ + "\\planted.dll"), RunningOnWine());
  EXPECT_EQ(IsPrivateFolder(folder_), !RunningOnWine());

  PSECURITY_DESCRIPTOR extra = nullptr;
  ASSERT_TRUE(
      ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;BU)",
                                                           SDDL_REVISION_1, &extra, nullptr));
  const UniqueLocalMem owned(extra);
  ASSERT_TRUE(SetFileSecurityA(folder_.c_str(), DACL_SECURITY_INFORMATION, extra));
  EXPECT_FALSE(IsPrivateFolder(folder_));
  ASSERT_EQ(Checked(), folder_);
  EXPECT_EQ(IsPrivateFolder(folder_), !RunningOnWine());
}

TEST_F(WorkFolder, AFileOrALinkUnderItsNameIsReplacedAndWhatALinkLeadsToStays) {
  WriteFile(folder_);
  ASSERT_EQ(Checked(), folder_);
  EXPECT_TRUE(IsRealFolder(folder_));
  RemoveDirectoryA(folder_.c_str());

  const std::string target = parent_ + "\\elsewhere";
  CreateDirectoryA(target.c_str(), nullptr);
  WriteFile(target + "\\keep.txt");
  if (!CreateSymbolicLinkA(folder_.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)) {
    GTEST_SKIP() << "no directory links here (error " << GetLastError() << ")";
  }
  EXPECT_FALSE(IsPrivateFolder(folder_));
  ASSERT_EQ(Checked(), folder_);
  EXPECT_TRUE(IsRealFolder(folder_));
  EXPECT_TRUE(FileExists(target + "\\keep.txt"));
  DeleteFileA((target + "\\keep.txt").c_str());
  RemoveDirectoryA(target.c_str());
}

TEST_F(WorkFolder, TheProgramsOwnLiesInTheProgramFilesFolderOnALocalDrive) {
  const std::string folder = CheckedWorkFolder();
  ASSERT_FALSE(folder.empty());
  char expected[MAX_PATH] = {};
  ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_PROGRAM_FILESX86, nullptr, 0, expected), S_OK);
  EXPECT_EQ(folder, std::string(expected) + "\\Merovix Update");
  EXPECT_EQ(IsPrivateFolder(folder), !RunningOnWine());
  EXPECT_EQ(CheckedWorkFolderIn("\\\\server\\share", "Merovix Update"), "");
}

}  // namespace
}  // namespace merovix::test
