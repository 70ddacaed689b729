#pragma once
// The Authenticode check of a downloaded file (WinVerifyTrust).
#include <string>

#include "common/signature_rules.h"

namespace merovix {

// Checks the signature of `Path` and whether its signer certificate's subject
// common name is `ExpectedSigner` (UTF-8). No dialog, no revocation check and
// nothing fetched over the network. The file is opened so that nobody can
// change it while it is checked; a file that cannot be opened, or a Windows
// without the check, gives kBadSignature.
SignatureVerdict CheckFileSignature(const std::string& Path, const std::string& ExpectedSigner);

}  // namespace merovix
