#pragma once
// How the Authenticode check of a downloaded installer is judged: only a
// valid signature whose signer is the maker, by name and, where the build
// pins them, by one of the maker's keys, lets the installer run.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace merovix {

enum class SignatureVerdict {
  kExpectedSigner,  // valid, and signed by the expected signer
  kUnsigned,        // no signature (or no file format that can carry one)
  kBadSignature,    // tampered, broken, untrusted, or not checkable at all
  kForeignSigner,   // valid, but signed by someone else (or a name that is not one)
  kForeignKey,      // valid, the maker's name, but none of the maker's keys
};

// WinVerifyTrust's answers for a file without a signature (TRUST_E_NOSIGNATURE,
// TRUST_E_SUBJECT_FORM_UNKNOWN, TRUST_E_PROVIDER_UNKNOWN).
inline constexpr std::uint32_t kNoSignature = 0x800B0100;
inline constexpr std::uint32_t kSubjectFormUnknown = 0x800B0003;
inline constexpr std::uint32_t kProviderUnknown = 0x800B0001;

// The primary signer's certificate as far as the verdict needs it.
struct SignerCertificate {
  // Every common name (CN) of its subject, whole (UTF-8), in order.
  std::vector<std::string> common_names;
  // SHA-256 of its SubjectPublicKeyInfo (DER) in hex; empty when unread.
  std::string key_digest;
};

// True when `key_digest` is one of `pinned_keys`: digests of 64 hex digits
// separated by ";", blanks around each and letter case ignored. An entry of
// another form matches nothing.
bool IsPinnedKey(std::string_view key_digest, std::string_view pinned_keys);

// `trust_status` is what WinVerifyTrust returned and `expected_signer` the
// maker's common name (UTF-8). The certificate must carry exactly one common
// name, and that exactly the expected one; an empty expected name is never
// met. With `pinned_keys` non-empty its key must be one of them as well.
SignatureVerdict JudgeSignature(std::uint32_t trust_status, const SignerCertificate& signer,
                                std::string_view expected_signer, std::string_view pinned_keys);

}  // namespace merovix
