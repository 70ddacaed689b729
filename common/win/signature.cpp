#include "common/win/signature.h"

#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>

#include "framework/win/handles.h"
#include "framework/win/system_folder.h"
#include "framework/win/text.h"

namespace merovix {

// The verdict reads WinVerifyTrust's answers through portable copies.
static_assert(kNoSignature == static_cast<std::uint32_t>(TRUST_E_NOSIGNATURE) &&
              kSubjectFormUnknown == static_cast<std::uint32_t>(TRUST_E_SUBJECT_FORM_UNKNOWN) &&
              kProviderUnknown == static_cast<std::uint32_t>(TRUST_E_PROVIDER_UNKNOWN));

namespace {

// The few functions of wintrust.dll and crypt32.dll, loaded from the System
// folder (neither is one of the DLLs Windows always takes from there).
struct TrustFunctions {
  UniqueModule wintrust = LoadSystemLibrary("wintrust.dll");
  UniqueModule crypt32 = LoadSystemLibrary("crypt32.dll");
  decltype(&::WinVerifyTrust) verify = ProcAddress<decltype(verify)>(wintrust.get(), "WinVerifyTrust");
  decltype(&::WTHelperProvDataFromStateData) provider_data =
      ProcAddress<decltype(provider_data)>(wintrust.get(), "WTHelperProvDataFromStateData");
  decltype(&::WTHelperGetProvSignerFromChain) signer =
      ProcAddress<decltype(signer)>(wintrust.get(), "WTHelperGetProvSignerFromChain");
  decltype(&::WTHelperGetProvCertFromChain) certificate =
      ProcAddress<decltype(certificate)>(wintrust.get(), "WTHelperGetProvCertFromChain");
  decltype(&::CertGetNameStringW) name = ProcAddress<decltype(name)>(crypt32.get(), "CertGetNameStringW");

  bool Complete() const { return verify && provider_data && signer && certificate && name; }
};

// One verification; its state is released at the end of the scope.
class Verification {
 public:
  Verification(const TrustFunctions& trust, const std::wstring& path, HANDLE file) : trust_(trust) {
    file_.cbStruct = sizeof(file_);
    file_.pcwszFilePath = path.c_str();
    file_.hFile = file;
    data_.cbStruct = sizeof(data_);
    data_.dwUIChoice = WTD_UI_NONE;
    data_.fdwRevocationChecks = WTD_REVOKE_NONE;
    data_.dwUnionChoice = WTD_CHOICE_FILE;
    data_.pFile = &file_;
    data_.dwStateAction = WTD_STATEACTION_VERIFY;
    data_.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    // INVALID_HANDLE_VALUE: no interactive user to ask.
    status_ = static_cast<std::uint32_t>(trust_.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_));
  }
  Verification(const Verification&) = delete;
  Verification& operator=(const Verification&) = delete;
  ~Verification() {
    data_.dwStateAction = WTD_STATEACTION_CLOSE;
    trust_.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
  }

  std::uint32_t Status() const { return status_; }

  // The subject common name of the primary signer's certificate (UTF-8).
  std::string SignerName() const {
    CRYPT_PROVIDER_DATA* provider = trust_.provider_data(data_.hWVTStateData);
    CRYPT_PROVIDER_SGNR* signer = provider != nullptr ? trust_.signer(provider, 0, FALSE, 0) : nullptr;
    CRYPT_PROVIDER_CERT* certificate = signer != nullptr ? trust_.certificate(signer, 0) : nullptr;
    if (certificate == nullptr || certificate->pCert == nullptr) return {};
    char common_name_oid[] = szOID_COMMON_NAME;
    const DWORD length = trust_.name(certificate->pCert, CERT_NAME_ATTR_TYPE, 0, common_name_oid, nullptr, 0);
    if (length <= 1) return {};
    std::wstring name(length, L'\0');
    trust_.name(certificate->pCert, CERT_NAME_ATTR_TYPE, 0, common_name_oid, name.data(), length);
    name.resize(length - 1);  // the terminator
    return WideToUtf8(name);
  }

 private:
  const TrustFunctions& trust_;
  GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  WINTRUST_FILE_INFO file_{};
  WINTRUST_DATA data_{};
  std::uint32_t status_ = 0;
};

}  // namespace

SignatureVerdict CheckAndHoldFile(const std::string& Path, const std::string& ExpectedSigner,
                                  UniqueFileHandle& Held) {
  // Others may read the file meanwhile, but not change, replace or delete it.
  // A link is opened as itself, which carries no signature: the name must
  // not be able to point elsewhere after the check.
  UniqueFileHandle file(::CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  const TrustFunctions trust;
  if (!file || !trust.Complete()) return SignatureVerdict::kBadSignature;
  const std::wstring wide_path = AnsiToWide(Path);
  const Verification verification(trust, wide_path, file.get());
  const std::string signer = verification.Status() == 0 ? verification.SignerName() : std::string();
  const SignatureVerdict verdict = JudgeSignature(verification.Status(), signer, ExpectedSigner);
  if (verdict == SignatureVerdict::kExpectedSigner) Held = std::move(file);
  return verdict;
}

SignatureVerdict CheckFileSignature(const std::string& Path, const std::string& ExpectedSigner) {
  UniqueFileHandle released_at_once;
  return CheckAndHoldFile(Path, ExpectedSigner, released_at_once);
}

}  // namespace merovix
