// Stand-in for the product's installer in the demo: it "installs" a newer
// version by writing "Merovix.version" into its own folder (the installation
// folder), and appends what it was started with to "<exe name>.log" beside
// itself. Takes about a second, as an installer takes its time; exit code 0.
#include "tool_config.h"

#include <windows.h>

#include <string>

using namespace merovix::tools;

int main() {
  const std::string base = OwnBaseName();
  char folder[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, folder);
  AppendLine(BesideExe(base + ".log"), std::string("installer cmdline=") + ::GetCommandLineA() + " folder=" + folder);
  ::Sleep(1000);
  const UniqueFileHandle version(::CreateFileA(BesideExe("Merovix.version").c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  const std::string text = "28.0.0.58\r\n";
  DWORD written = 0;
  if (version) ::WriteFile(version.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  return 0;
}
