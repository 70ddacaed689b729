#include "common/signature_rules.h"

namespace merovix {

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
