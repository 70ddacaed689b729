// The Authenticode check against files signed at build time by
// tests/win/sign_standins.sh, with a test CA that is in no root store.
#include "common/win/signature.h"

#include <gtest/gtest.h>

#include <string>

#include "common/win/launch.h"
#include "tests/win/recorder_support.h"
#include "tests/win/test_files.h"
#include "tests/win/test_support.h"

namespace merovix::test {
namespace {

using V = SignatureVerdict;

const std::string kMaker = "Merovix Prüfstelle GmbH";

std::string Signed(const std::string& name) { return TestBinFolder() + "\\signing\\" + name; }

// A key digest sign_standins.sh computed with openssl, as a maker would.
std::string Pin(const std::string& name) {
  const std::string text = ReadTextFile(Signed(name + ".pin"));
  return text.substr(0, text.find_first_of("\r\n"));
}

struct Case {
  const char* file;
  std::string expected_signer;
  std::string pinned_keys;
  V verdict;
  // Windows refuses every signature of the test CAs, which are in no root
  // store; Wine checks signature and hash but not the root.
  bool needs_trusted_root;
};

TEST(CheckFileSignature, OnlyAnIntactSignatureOfTheExpectedSignerAndAPinnedKeyPasses) {
  const std::string maker_key = Pin("maker"), next_key = Pin("next");
  ASSERT_EQ(maker_key.size(), 64u);
  const Case cases[] = {
      {"maker.exe", kMaker, "", V::kExpectedSigner, true},
      {"foreign.exe", kMaker, "", V::kForeignSigner, true},  // a look-alike name
      {"maker.exe", "Merovix Prüfstelle", "", V::kForeignSigner, true},
      {"maker.exe", "", "", V::kForeignSigner, true},
      {"tampered.exe", kMaker, "", V::kBadSignature, false},
      {"unsigned.exe", kMaker, "", V::kUnsigned, false},
      {"text.exe", kMaker, "", V::kUnsigned, false},
      {"missing.exe", kMaker, "", V::kBadSignature, false},
      // The maker's name, but the key of another CA's certificate, or of one
      // somebody made himself: only the pin tells them apart.
      {"otherca.exe", kMaker, "", V::kExpectedSigner, true},
      {"selfmade.exe", kMaker, "", V::kExpectedSigner, true},
      {"otherca.exe", kMaker, maker_key, V::kForeignKey, true},
      {"selfmade.exe", kMaker, next_key + ";" + maker_key, V::kForeignKey, true},
      {"maker.exe", kMaker, maker_key, V::kExpectedSigner, true},
      {"maker.exe", kMaker, next_key + ";" + maker_key, V::kExpectedSigner, true},  // during a key change
      {"maker.exe", kMaker, next_key, V::kForeignKey, true},
      {"otherca.exe", kMaker, Pin("otherca"), V::kExpectedSigner, true},  // the digest is the certificate's own
      // The maker's key and name, and a second name besides.
      {"twonames.exe", kMaker, maker_key, V::kForeignSigner, true},
  };
  const bool root_checked = !RunningOnWine();
  for (const Case& c : cases) {
    const V verdict = CheckFileSignature(Signed(c.file), c.expected_signer, c.pinned_keys);
    if (c.needs_trusted_root && root_checked) {
      EXPECT_EQ(verdict, V::kBadSignature) << c.file << " (Windows only: root not trusted)";
    } else {
      EXPECT_EQ(verdict, c.verdict) << c.file << " for \"" << c.expected_signer << "\", keys " << c.pinned_keys;
    }
  }
}

// A file that passes stays held: it can be started, but not changed,
// renamed or deleted, until the hold goes. One that fails is not held.
TEST(CheckFileSignature, AFileThatPassesIsHeldUntilStarted) {
  if (!RunningOnWine()) {
    GTEST_SKIP() << "Windows: nothing the test CA signed passes (root not trusted)";
  }
  TempFolder temp;
  const std::string copy = temp.Path() + "\\Merovix_Update_.exe";
  ASSERT_TRUE(CopyFileA(Signed("maker.exe").c_str(), copy.c_str(), FALSE));
  UniqueFileHandle held;
  ASSERT_EQ(CheckAndHoldFile(copy, kMaker, "", held), V::kExpectedSigner);
  ASSERT_TRUE(held);
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(UniqueFileHandle(CreateFileA(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, 0, nullptr)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(DeleteFileA(copy.c_str()));
  EXPECT_FALSE(MoveFileA(copy.c_str(), (copy + ".old").c_str()));
  EXPECT_EQ(RunAndWaitForExitCode(copy, "/silent", SW_HIDE), std::optional<std::uint32_t>(0));
  held.reset();
  EXPECT_TRUE(DeleteFileA(copy.c_str()));

  ASSERT_TRUE(CopyFileA(Signed("foreign.exe").c_str(), copy.c_str(), FALSE));
  EXPECT_EQ(CheckAndHoldFile(copy, kMaker, "", held), V::kForeignSigner);
  EXPECT_FALSE(held);
  EXPECT_TRUE(DeleteFileA(copy.c_str()));
}

}  // namespace
}  // namespace merovix::test
