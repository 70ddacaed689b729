#include "common/win/work_folder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include "common/paths.h"
#include "common/win/file_system.h"
#include "common/win/launch.h"
#include "framework/win/handles.h"

namespace merovix {
namespace {

constexpr char kWorkFolderName[] = "Merovix Update";

// Owner Administrators; a protected list (no inherited entries): full access
// for SYSTEM and for Administrators, inherited by the files and folders made
// in it; nobody else.
constexpr char kPrivateFolderSddl[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
constexpr BYTE kInheritedByContent = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

bool IsOneOf(PSID sid, WELL_KNOWN_SID_TYPE a, WELL_KNOWN_SID_TYPE b) {
  return sid != nullptr && (::IsWellKnownSid(sid, a) || ::IsWellKnownSid(sid, b));
}

// The list holds one full-access entry for SYSTEM and one for
// Administrators, both given on to the content, and nothing else.
bool HasOnlyPrivateEntries(PACL dacl) {
  ACL_SIZE_INFORMATION size{};
  if (dacl == nullptr || !::GetAclInformation(dacl, &size, sizeof(size), AclSizeInformation) || size.AceCount != 2) {
    return false;
  }
  bool system = false, administrators = false;
  for (DWORD i = 0; i < size.AceCount; ++i) {
    void* entry = nullptr;
    if (!::GetAce(dacl, i, &entry)) return false;
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
    if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || allowed->Header.AceFlags != kInheritedByContent ||
        allowed->Mask != FILE_ALL_ACCESS) {
      return false;
    }
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if (::IsWellKnownSid(sid, WinLocalSystemSid)) {
      system = true;
    } else if (::IsWellKnownSid(sid, WinBuiltinAdministratorsSid)) {
      administrators = true;
    } else {
      return false;
    }
  }
  return system && administrators;
}

// The folder itself, never what a reparse point there leads to, held so
// that nobody renames or deletes it while it is looked at.
UniqueFileHandle OpenFolderItself(const std::string& folder) {
  return UniqueFileHandle(::CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool IsPrivate(HANDLE folder) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(folder, &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
          FILE_ATTRIBUTE_DIRECTORY) {
    return false;
  }
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                        nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const UniqueLocalMem owned(descriptor);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  return ::GetSecurityDescriptorControl(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED) != 0 &&
         IsOneOf(owner, WinLocalSystemSid, WinBuiltinAdministratorsSid) && HasOnlyPrivateEntries(dacl);
}

// Whatever stands under the name goes: a link or junction itself (never
// what it leads to), a file, or a folder with the files directly in it. A
// folder that still holds something is moved aside under a fresh name.
bool ClearName(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    // A link's target keeps its attributes.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
  } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    ::RemoveDirectoryA(path.c_str());
  } else {
    RemoveFolderAndFiles(path);
  }
  if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return true;
  return ::MoveFileExA(path.c_str(), (path + "." + RandomHex() + ".alt").c_str(), 0) != FALSE;
}

bool CreatePrivateFolder(const std::string& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(kPrivateFolderSddl, SDDL_REVISION_1, &descriptor,
                                                              nullptr)) {
    return false;
  }
  const UniqueLocalMem owned(descriptor);
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
  return ::CreateDirectoryA(path.c_str(), &attributes) != FALSE;
}

// True when a folder made here reads back with the access list it was made
// with. Wine keeps no access lists (it maps them to Unix mode bits and
// reports its own), so there the check cannot hold of any folder.
bool KeepsAccessLists(const std::string& parent, const std::string& name) {
  const std::string probe = JoinPath(parent, name + "." + RandomHex() + ".probe");
  if (!CreatePrivateFolder(probe)) return false;
  const bool kept = IsPrivateFolder(probe);
  ::RemoveDirectoryA(probe.c_str());
  return kept;
}

bool IsOnLocalFixedDrive(const std::string& path) {
  return path.size() >= 3 && path[1] == ':' && path[2] == '\\' &&
         ::GetDriveTypeA(path.substr(0, 3).c_str()) == DRIVE_FIXED;
}

}  // namespace

bool IsPrivateFolder(const std::string& folder) {
  const UniqueFileHandle opened = OpenFolderItself(folder);
  return opened && IsPrivate(opened.get());
}

std::string CheckedWorkFolderIn(const std::string& parent, const std::string& name) {
  if (!IsOnLocalFixedDrive(parent) || !IsRealFolder(parent)) return {};
  const std::string folder = JoinPath(parent, name);
  if (IsPrivateFolder(folder)) return folder;
  if (!KeepsAccessLists(parent, name)) {
    // Nothing is protected on such a system; the folder is still the
    // program's own and no link.
    return IsRealFolder(folder) || (ClearName(folder) && CreatePrivateFolder(folder)) ? folder : std::string();
  }
  // Made anew: nothing found under the name is trusted or kept.
  if (!ClearName(folder) || !CreatePrivateFolder(folder)) return {};
  return IsPrivateFolder(folder) ? folder : std::string();
}

std::string CheckedWorkFolder() {
  // The shell reads the folder from the system's settings, which only
  // administrators can change; users cannot create anything in it, nor
  // rename or delete what is there.
  std::string program_files;
  SpecialFolderPath(nullptr, CSIDL_PROGRAM_FILESX86, program_files);
  if (program_files.empty()) return {};
  return CheckedWorkFolderIn(program_files, kWorkFolderName);
}

}  // namespace merovix
