// benchtool readers METHOD BYTES REPETITIONS [BUDGET_MS]
//
// The portable readers of bench/reader_cases.h, and two that need Windows:
//   list      LoadDirectiveList from a folder, then ReadDirectiveValue: the
//             update run's reading with the code-page conversion (no
//             transfer tool lies beside benchtool, so the fetch fails at once)
//   settings  ReadIniString through the system's profile functions, each
//             repetition on a file of its own so that no cached copy helps
#include <windows.h>

#include <string>

#include "bench/reader_cases.h"
#include "benchtool/benchtool.h"
#include "common/directive_rules.h"
#include "common/shared_state.h"
#include "common/win/directive_list.h"
#include "common/win/settings.h"

namespace merovix::bench {
namespace {

std::vector<ReaderCase> WindowsReaderCases(const std::string& folder, size_t bytes) {
  std::vector<ReaderCase> cases = PortableReaderCases(folder, bytes);
  const std::string list_folder = folder + "\\list";
  cases.push_back({"list",
                   [list_folder, bytes](unsigned) {
                     ::CreateDirectoryA(list_folder.c_str(), nullptr);
                     WriteTextFile(list_folder + "\\LoadAndRun.ini", DirectiveListText(bytes));  // read, then deleted
                   },
                   [list_folder](unsigned) {
                     DirectiveList = std::make_unique<TStringList>();
                     LoadDirectiveList(list_folder);
                     std::string value;
                     ReadDirectiveValue("UpdateFilename", "", "Update", value);
                     return value;
                   },
                   kListedUrl});
  auto settings_path = [folder](unsigned repetition) {
    return folder + "\\settings-" + std::to_string(repetition) + ".ini";
  };
  cases.push_back({"settings",
                   [settings_path, bytes](unsigned repetition) {
                     if (repetition > 0) ::DeleteFileA(settings_path(repetition - 1).c_str());
                     WriteTextFile(settings_path(repetition), SettingsText(bytes));
                   },
                   [settings_path](unsigned repetition) {
                     std::string value;
                     ReadIniString("Benchmark", "", settings_path(repetition), "Parameter", value);
                     return value;
                   },
                   kSettingsValue});
  return cases;
}

}  // namespace

int ReadLists(int argc, char** argv) { return ReaderMain(argc, argv, WindowsReaderCases); }

}  // namespace merovix::bench
