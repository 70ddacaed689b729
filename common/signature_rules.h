#pragma once
// How the Authenticode check of a downloaded installer is judged: only a
// valid signature whose signer is the maker lets the installer run.
#include <cstdint>
#include <string_view>

namespace merovix {

enum class SignatureVerdict {
  kExpectedSigner,  // valid, and signed by the expected signer
  kUnsigned,        // no signature (or no file format that can carry one)
  kBadSignature,    // tampered, broken, untrusted, or not checkable at all
  kForeignSigner,   // valid, but signed by someone else
};

// WinVerifyTrust's answers for a file without a signature (TRUST_E_NOSIGNATURE,
// TRUST_E_SUBJECT_FORM_UNKNOWN, TRUST_E_PROVIDER_UNKNOWN).
inline constexpr std::uint32_t kNoSignature = 0x800B0100;
inline constexpr std::uint32_t kSubjectFormUnknown = 0x800B0003;
inline constexpr std::uint32_t kProviderUnknown = 0x800B0001;

// `trust_status` is what WinVerifyTrust returned, `signer` the subject common
// name of the signing certificate (UTF-8, empty when none could be read) and
// `expected_signer` the maker's (UTF-8). Names are compared exactly; an empty
// expected name is never met.
SignatureVerdict JudgeSignature(std::uint32_t trust_status, std::string_view signer,
                                std::string_view expected_signer);

}  // namespace merovix
