#include "common/signature_rules.h"

namespace merovix {
namespace {

// WinVerifyTrust's answers for a file without a signature.
constexpr std::uint32_t kNoSignature = 0x800B0100;         // TRUST_E_NOSIGNATURE
constexpr std::uint32_t kSubjectFormUnknown = 0x800B0003;  // TRUST_E_SUBJECT_FORM_UNKNOWN
constexpr std::uint32_t kProviderUnknown = 0x800B0001;     // TRUST_E_PROVIDER_UNKNOWN

}  // namespace

SignatureVerdict JudgeSignature(std::uint32_t trust_status, std::string_view signer,
                                std::string_view expected_signer) {
  if (trust_status == kNoSignature || trust_status == kSubjectFormUnknown || trust_status == kProviderUnknown) {
    return SignatureVerdict::kUnsigned;
  }
  if (trust_status != 0 || signer.empty()) return SignatureVerdict::kBadSignature;
  if (expected_signer.empty() || signer != expected_signer) return SignatureVerdict::kForeignSigner;
  return SignatureVerdict::kExpectedSigner;
}

}  // namespace merovix
