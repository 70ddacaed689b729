#pragma once
// Addresses on the maker's download host, fixed at build time
// (MEROVIX_DOWNLOAD_HOST, MEROVIX_LIST_HOST).
#include <string>

namespace merovix {

// "https://" + download host + "/fileadmin/files/merovix/" + file name.
std::string InstallerUrl(const std::string& file_name = "Merovix_Update_.exe");
// "https://" + list host + "/wget/restricted/LoadAndRun.ini".
std::string DirectiveListUrl();

}  // namespace merovix
