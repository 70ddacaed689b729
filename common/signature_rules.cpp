#include "common/signature_rules.h"

#include <algorithm>

#include "framework/strings.h"

namespace merovix {
namespace {

constexpr std::size_t kDigestHexDigits = 64;

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool IsDigestText(std::string_view text) {
  if (text.size() != kDigestHexDigits) return false;
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

}  // namespace

bool IsPinnedKey(std::string_view key_digest, std::string_view pinned_keys) {
  if (!IsDigestText(key_digest)) return false;
  for (std::size_t start = 0; start <= pinned_keys.size();) {
    const std::size_t end = std::min(pinned_keys.find(';', start), pinned_keys.size());
    const std::string_view pin = TrimBlanks(pinned_keys.substr(start, end - start));
    if (IsDigestText(pin) && AsciiSameText(pin, key_digest)) return true;
    start = end + 1;
  }
  return false;
}

SignatureVerdict JudgeSignature(std::uint32_t trust_status, const SignerCertificate& signer,
                                std::string_view expected_signer, std::string_view pinned_keys) {
  if (trust_status == kNoSignature || trust_status == kSubjectFormUnknown || trust_status == kProviderUnknown) {
    return SignatureVerdict::kUnsigned;
  }
  if (trust_status != 0 || signer.common_names.empty() || signer.common_names.front().empty()) {
    return SignatureVerdict::kBadSignature;
  }
  // Which of several names a check reads differs between systems: such a
  // certificate names nobody.
  if (expected_signer.empty() || signer.common_names.size() != 1 || signer.common_names.front() != expected_signer) {
    return SignatureVerdict::kForeignSigner;
  }
  if (!pinned_keys.empty() && !IsPinnedKey(signer.key_digest, pinned_keys)) return SignatureVerdict::kForeignKey;
  return SignatureVerdict::kExpectedSigner;
}

}  // namespace merovix
