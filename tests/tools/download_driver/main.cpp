// Drives the download and directive-list operations for the end-to-end
// tests, one operation per run:
//   download_driver download URL TARGET RUN        DownloadFile(..., SW_SHOWNORMAL)
//   download_driver loadandrun ENTRY TARGET SECTION RUN   LoadAndRun(..., SW_SHOWNORMAL)
//   download_driver directive KEY DEFAULT SECTION [FOLDER]
//        LoadDirectiveList(FOLDER or ""), then prints ReadDirectiveValue's
//        result and every line of DirectiveList, each as hex bytes
//   download_driver tool                          prints FindTransferTool
//   download_driver removefolder FOLDER           RemoveFolderAndFiles(FOLDER)
// Arguments are taken as ANSI bytes; an error escaping an operation is
// printed as "error: <message>" with exit code 3.
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/shared_state.h"
#include "common/win/directive_list.h"
#include "common/win/downloads.h"
#include "common/win/file_system.h"
#include "framework/exceptions.h"

namespace {

void PrintHex(const char* label, const std::string& bytes) {
  std::printf("%s ", label);
  for (unsigned char c : bytes) std::printf("%02x", c);
  std::printf("\n");
}

int Run(int argc, char** argv) {
  using namespace merovix;
  const std::string op = argc > 1 ? argv[1] : "";
  if (op == "download" && argc == 5) {
    DownloadFile(argv[2], argv[3], std::string(argv[4]) == "1", SW_SHOWNORMAL);
  } else if (op == "loadandrun" && argc == 6) {
    LoadAndRun(argv[2], argv[3], argv[4], std::string(argv[5]) == "1", SW_SHOWNORMAL);
  } else if (op == "directive" && (argc == 5 || argc == 6)) {
    DirectiveList = std::make_unique<TStringList>();
    DirectiveList->Add("[Before]");
    LoadDirectiveList(argc == 6 ? argv[5] : "");
    std::string value;
    ReadDirectiveValue(argv[2], argv[3], argv[4], value);
    PrintHex("value", value);
    for (const std::string& line : *DirectiveList) PrintHex("line", line);
  } else if (op == "removefolder" && argc == 3) {
    RemoveFolderAndFiles(argv[2]);
  } else if (op == "tool" && argc == 2) {
    std::string tool;
    FindTransferTool(tool);
    std::printf("%s\n", tool.c_str());
  } else {
    std::fprintf(stderr, "usage: see the comment in tests/tools/download_driver/main.cpp\n");
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const merovix::Exception& e) {
    std::printf("error: %s\n", e.what());
    return 3;
  }
}
