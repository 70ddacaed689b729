#pragma once
// Addresses on the maker's download host and the signer of its installer,
// fixed at build time (MEROVIX_DOWNLOAD_HOST, MEROVIX_LIST_HOST,
// MEROVIX_INSTALLER_SIGNER, MEROVIX_INSTALLER_SIGNER_KEYS).
#include <string>

namespace merovix {

// "https://" + download host + "/fileadmin/files/merovix/" + file name.
std::string InstallerUrl(const std::string& file_name = "Merovix_Update_.exe");
// "https://" + list host + "/wget/restricted/LoadAndRun.ini".
std::string DirectiveListUrl();
// The subject common name of the certificate that must have signed the update
// installer (UTF-8); empty when installers are not checked.
std::string InstallerSigner();
// The SHA-256 digests (hex, ";" between them) of the public keys one of which
// the signer's certificate must carry; empty when only the name is checked.
std::string InstallerSignerKeys();

}  // namespace merovix
