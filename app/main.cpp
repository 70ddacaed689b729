// Update_Merovix: updates the installed Merovix product. Takes no arguments
// and always ends with exit code 0; the outcome is told through messages.
#include <windows.h>

#include <cstdlib>
#include <memory>

#include "app/win/main_form.h"
#include "framework/win/application.h"
#include "framework/win/system_folder.h"

// The library's default terminate handler prints the demangled type of an
// uncaught exception to a console that a GUI program does not have; leaving it
// out keeps the demangler (about 70 KB) out of the program. Every exception
// of the program is caught before it could reach terminate.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace merovix;
  // The program runs elevated from a folder users can write to: no DLL may
  // come from there or from the folder it was started in.
  RestrictDllSearchToSystemFolder();
  EnterSystemFolder();
  try {
    Application().Initialize();
    Application().SetTitle("Update_Merovix");
    auto form = std::make_unique<TForm1>(nullptr);
    Form1 = form.get();
    Application().Run();
    Form1 = nullptr;
  } catch (const std::exception& error) {
    Application().ShowException(error);
  }
  return 0;
}
