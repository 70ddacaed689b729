#include "common/signature_rules.h"

#include <gtest/gtest.h>

namespace merovix {
namespace {

using V = SignatureVerdict;

const std::string kKey = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
const std::string kOtherKey = "60303ae22b998861bce3b28f33eec1be758a213c86c93c076dbe9f558c11c752";

TEST(JudgeSignature, OnlyAValidSignatureOfExactlyTheExpectedSignerPasses) {
  const std::string maker = "Merovix Prüfstelle GmbH";
  struct {
    std::uint32_t status;
    std::vector<std::string> names;
    std::string expected;
    V verdict;
  } const cases[] = {
      {0, {maker}, maker, V::kExpectedSigner},
      {0, {"Merovix Prüfstelle"}, maker, V::kForeignSigner},
      {0, {"merovix prüfstelle gmbh"}, maker, V::kForeignSigner},
      {0, {"Merovix Prüfstelle GmbH "}, maker, V::kForeignSigner},
      {0, {maker + std::string(1, '\0') + "x"}, maker, V::kForeignSigner},  // the whole name counts
      {0, {maker, "Other"}, maker, V::kForeignSigner},                      // several names name nobody
      {0, {"Other", maker}, maker, V::kForeignSigner},
      {0, {maker, maker}, maker, V::kForeignSigner},
      {0, {maker}, "", V::kForeignSigner},  // nobody is expected: nobody passes
      {0, {}, maker, V::kBadSignature},     // valid, yet no signer to be read
      {0, {""}, maker, V::kBadSignature},
      {0x800B0100, {}, maker, V::kUnsigned},           // TRUST_E_NOSIGNATURE
      {0x800B0003, {}, maker, V::kUnsigned},           // TRUST_E_SUBJECT_FORM_UNKNOWN
      {0x800B0001, {}, maker, V::kUnsigned},           // TRUST_E_PROVIDER_UNKNOWN
      {0x80096010, {maker}, maker, V::kBadSignature},  // TRUST_E_BAD_DIGEST: changed after signing
      {0x800B0109, {maker}, maker, V::kBadSignature},  // CERT_E_UNTRUSTEDROOT (Windows only)
      {0x800B0101, {maker}, maker, V::kBadSignature},  // CERT_E_EXPIRED
      {0x800B010C, {maker}, maker, V::kBadSignature},  // CERT_E_REVOKED
      {0x80092026, {maker}, maker, V::kBadSignature},  // CRYPT_E_SECURITY_SETTINGS
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JudgeSignature(c.status, {c.names, kKey}, c.expected, ""), c.verdict)
        << std::hex << c.status << " " << c.names.size() << " names, first \""
        << (c.names.empty() ? "" : c.names.front()) << "\" for \"" << c.expected << '"';
  }
}

// A key change is rolled out by pinning the old and the new key together.
TEST(JudgeSignature, WithPinnedKeysTheMakersNameNeedsOneOfTheMakersKeys) {
  const std::string maker = "Merovix Prüfstelle GmbH";
  struct {
    std::string key;
    std::string pins;
    V verdict;
  } const cases[] = {
      {kKey, "", V::kExpectedSigner},  // no pins: the name alone
      {kKey, kKey, V::kExpectedSigner},
      {kKey, kOtherKey + ";" + kKey, V::kExpectedSigner},
      {kKey, " " + kOtherKey + " ; " + kKey + " ", V::kExpectedSigner},
      {kKey, "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08", V::kExpectedSigner},
      {kOtherKey, kKey, V::kForeignKey},
      {kKey, kOtherKey, V::kForeignKey},
      {"", kKey, V::kForeignKey},                  // the key could not be read
      {kKey, kKey.substr(0, 63), V::kForeignKey},  // a cut pin matches nothing
      {kKey.substr(0, 63), kKey.substr(0, 63), V::kForeignKey},
      {kKey, ";", V::kForeignKey},  // pins that pin nothing refuse every key
      {kKey, kKey + "0", V::kForeignKey},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JudgeSignature(0, {{maker}, c.key}, maker, c.pins), c.verdict)
        << c.key << " against \"" << c.pins << '"';
  }
  EXPECT_EQ(JudgeSignature(0, {{"Other"}, kKey}, maker, kKey), V::kForeignSigner) << "the key alone is no name";
}

}  // namespace
}  // namespace merovix
