#pragma once
// The Authenticode check of a downloaded file (WinVerifyTrust).
#include <string>

#include "common/signature_rules.h"
#include "framework/win/handles.h"

namespace merovix {

// Checks the signature of `Path` and whether its primary signer's certificate
// has the one subject common name `ExpectedSigner` (UTF-8) and, with
// `PinnedKeys` (see IsPinnedKey), one of those keys. No dialog, no revocation
// check and nothing fetched over the network. The file is opened so that
// nobody can change it while it is checked; a file that cannot be opened, or
// a Windows without the check, gives kBadSignature.
SignatureVerdict CheckFileSignature(const std::string& Path, const std::string& ExpectedSigner,
                                    const std::string& PinnedKeys);

// CheckFileSignature that hands the open file to `Held` when it passes: as
// long as `Held` lives, the file can be read and started but not changed,
// renamed or deleted, so the program started is the one checked.
SignatureVerdict CheckAndHoldFile(const std::string& Path, const std::string& ExpectedSigner,
                                  const std::string& PinnedKeys, UniqueFileHandle& Held);

}  // namespace merovix
