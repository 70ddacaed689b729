// Update_Merovix: updates the installed Merovix product. Takes no arguments
// and always ends with exit code 0; the outcome is told through messages.
#include <windows.h>

#include <cstdlib>
#include <memory>

#include "app/win/main_form.h"
#include "framework/exceptions.h"
#include "framework/win/application.h"
#include "framework/win/system_folder.h"

// The library's default terminate handler prints the demangled type of an
// uncaught exception to a console that a GUI program does not have; leaving it
// out keeps the demangler (about 70 KB) out of the program. Every exception
// of the program is caught before it could reach terminate.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

// The library keeps its std::__throw_* helpers in one object that brings
// std::logic_error and its relatives along, with a second, reference-counted
// string implementation and std::random_device (about 45 KB in the 32-bit
// program). The program throws none of them on purpose: a failed allocation
// stays std::bad_alloc, every other misuse of a library type becomes the
// run-time layer's Exception with the library's text.
namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char* what) { throw merovix::Exception(what); }
void __throw_logic_error(const char* what) { throw merovix::Exception(what); }
void __throw_out_of_range(const char* what) { throw merovix::Exception(what); }
void __throw_out_of_range_fmt(const char* what, ...) { throw merovix::Exception(what); }
void __throw_invalid_argument(const char* what) { throw merovix::Exception(what); }
void __throw_bad_function_call() { throw merovix::Exception("bad_function_call"); }
}  // namespace std

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
