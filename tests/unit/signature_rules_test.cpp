#include "common/signature_rules.h"

#include <gtest/gtest.h>

namespace merovix {
namespace {

using V = SignatureVerdict;

TEST(JudgeSignature, OnlyAValidSignatureOfExactlyTheExpectedSignerPasses) {
  const char* maker = "Merovix Prüfstelle GmbH";
  struct {
    std::uint32_t status;
    const char* signer;
    const char* expected;
    V verdict;
  } const cases[] = {
      {0, maker, maker, V::kExpectedSigner},
      {0, "Merovix Prüfstelle", maker, V::kForeignSigner},
      {0, "merovix prüfstelle gmbh", maker, V::kForeignSigner},
      {0, "Merovix Prüfstelle GmbH ", maker, V::kForeignSigner},
      {0, maker, "", V::kForeignSigner},             // nobody is expected: nobody passes
      {0, "", maker, V::kBadSignature},              // valid, yet no signer to be read
      {0x800B0100, "", maker, V::kUnsigned},         // TRUST_E_NOSIGNATURE
      {0x800B0003, "", maker, V::kUnsigned},         // TRUST_E_SUBJECT_FORM_UNKNOWN
      {0x800B0001, "", maker, V::kUnsigned},         // TRUST_E_PROVIDER_UNKNOWN
      {0x80096010, maker, maker, V::kBadSignature},  // TRUST_E_BAD_DIGEST: changed after signing
      {0x800B0109, maker, maker, V::kBadSignature},  // CERT_E_UNTRUSTEDROOT (Windows only)
      {0x800B0101, maker, maker, V::kBadSignature},  // CERT_E_EXPIRED
      {0x800B010C, maker, maker, V::kBadSignature},  // CERT_E_REVOKED
      {0x80092026, maker, maker, V::kBadSignature},  // CRYPT_E_SECURITY_SETTINGS
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JudgeSignature(c.status, c.signer, c.expected), c.verdict)
        << std::hex << c.status << " \"" << c.signer << "\" for \"" << c.expected << '"';
  }
}

}  // namespace
}  // namespace merovix
