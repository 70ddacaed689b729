#include "common/win/signature.h"

#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>

#include <cstring>

#include "common/sha256.h"
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
  decltype(&::CryptDecodeObjectEx) decode = ProcAddress<decltype(decode)>(crypt32.get(), "CryptDecodeObjectEx");
  decltype(&::CryptEncodeObjectEx) encode = ProcAddress<decltype(encode)>(crypt32.get(), "CryptEncodeObjectEx");

  bool Complete() const { return verify && provider_data && signer && certificate && decode && encode; }
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

  // The primary signer's certificate: every common name of its subject and
  // the digest of its public key.
  SignerCertificate Signer() const {
    CRYPT_PROVIDER_DATA* provider = trust_.provider_data(data_.hWVTStateData);
    CRYPT_PROVIDER_SGNR* signer = provider != nullptr ? trust_.signer(provider, 0, FALSE, 0) : nullptr;
    CRYPT_PROVIDER_CERT* certificate = signer != nullptr ? trust_.certificate(signer, 0) : nullptr;
    if (certificate == nullptr || certificate->pCert == nullptr) return {};
    const CERT_INFO& info = *certificate->pCert->pCertInfo;
    return {CommonNames(info.Subject), KeyDigest(info.SubjectPublicKeyInfo)};
  }

 private:
  // Decoded as a whole rather than asking for "the" common name, which
  // would give the first of several and cut a name at a NUL.
  std::vector<std::string> CommonNames(const CERT_NAME_BLOB& subject) const {
    void* decoded = nullptr;
    DWORD size = 0;
    if (!trust_.decode(X509_ASN_ENCODING, X509_UNICODE_NAME, subject.pbData, subject.cbData, CRYPT_DECODE_ALLOC_FLAG,
                       nullptr, &decoded, &size)) {
      return {};
    }
    const UniqueLocalMem owned(decoded);
    const auto* name = static_cast<const CERT_NAME_INFO*>(decoded);
    std::vector<std::string> names;
    for (DWORD r = 0; r < name->cRDN; ++r) {
      for (DWORD a = 0; a < name->rgRDN[r].cRDNAttr; ++a) {
        const CERT_RDN_ATTR& attribute = name->rgRDN[r].rgRDNAttr[a];
        if (attribute.pszObjId == nullptr || std::strcmp(attribute.pszObjId, szOID_COMMON_NAME) != 0) continue;
        std::wstring_view value(reinterpret_cast<const wchar_t*>(attribute.Value.pbData),
                                attribute.Value.cbData / sizeof(wchar_t));
        // Wine counts the terminator in the length; a NUL inside stays.
        if (!value.empty() && value.back() == L'\0') value.remove_suffix(1);
        names.push_back(WideToUtf8(value));
      }
    }
    return names;
  }

  std::string KeyDigest(const CERT_PUBLIC_KEY_INFO& key) const {
    void* encoded = nullptr;
    DWORD size = 0;
    if (!trust_.encode(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, &key, CRYPT_ENCODE_ALLOC_FLAG, nullptr, &encoded,
                       &size)) {
      return {};
    }
    const UniqueLocalMem owned(encoded);
    return Sha256Hex(std::string_view(static_cast<const char*>(encoded), size));
  }

  const TrustFunctions& trust_;
  GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  WINTRUST_FILE_INFO file_{};
  WINTRUST_DATA data_{};
  std::uint32_t status_ = 0;
};

}  // namespace

SignatureVerdict CheckAndHoldFile(const std::string& Path, const std::string& ExpectedSigner,
                                  const std::string& PinnedKeys, UniqueFileHandle& Held) {
  // Others may read the file meanwhile, but not change, replace or delete it.
  // A link is opened as itself, which carries no signature: the name must
  // not be able to point elsewhere after the check.
  UniqueFileHandle file(::CreateFileA(Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  const TrustFunctions trust;
  if (!file || !trust.Complete()) return SignatureVerdict::kBadSignature;
  const std::wstring wide_path = AnsiToWide(Path);
  const Verification verification(trust, wide_path, file.get());
  const SignerCertificate signer = verification.Status() == 0 ? verification.Signer() : SignerCertificate{};
  const SignatureVerdict verdict = JudgeSignature(verification.Status(), signer, ExpectedSigner, PinnedKeys);
  if (verdict == SignatureVerdict::kExpectedSigner) Held = std::move(file);
  return verdict;
}

SignatureVerdict CheckFileSignature(const std::string& Path, const std::string& ExpectedSigner,
                                    const std::string& PinnedKeys) {
  UniqueFileHandle released_at_once;
  return CheckAndHoldFile(Path, ExpectedSigner, PinnedKeys, released_at_once);
}

}  // namespace merovix
