#include "common/download_host.h"

#include "build_config.h"

namespace merovix {

std::string InstallerUrl(const std::string& file_name) {
  return std::string("https://") + MEROVIX_DOWNLOAD_HOST + "/fileadmin/files/merovix/" + file_name;
}

std::string DirectiveListUrl() {
  return std::string("https://") + MEROVIX_LIST_HOST + "/wget/restricted/LoadAndRun.ini";
}

}  // namespace merovix
