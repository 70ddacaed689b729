// Update_Merovix: updates the installed Merovix product. Without arguments a
// user is at the PC: the outcome is told through messages and the exit code
// is 0. With "/unattended" nobody is: no dialog, the outcome in the log and
// in the exit code (app/run_outcome.h).
#include <windows.h>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>

#include "app/invocation.h"
#include "app/run_record.h"
#include "app/win/main_form.h"
#include "app/win/run_log.h"
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

namespace {

using namespace merovix;

// A record of its own for what happens outside the run: a refused argument,
// an error before or after it. Returns the exit code it names.
int RecordOutsideTheRun(std::initializer_list<std::string> lines, RunOutcome outcome) {
  std::string install_dir = InstallDir;
  try {
    if (install_dir.empty()) install_dir = ReadInstallDir();
  } catch (const std::exception&) {
    // The temporary folder takes the record.
  }
  RunLog log;
  log.Begin(RunLogFolder(install_dir));
  for (const std::string& line : lines) log.WriteOutcome(line);
  const int exit_code = UnattendedExitCode(outcome);
  log.Write(EndRecordLine(exit_code));
  log.ReportRunEnd(outcome, exit_code, {});
  return exit_code;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The program runs elevated from a folder users can write to: no DLL may
  // come from there or from the folder it was started in.
  RestrictDllSearchToSystemFolder();
  EnterSystemFolder();
  const Invocation invocation = ParseArguments(CommandLineArguments());
  // A command line that is not understood came from a tool, not a user.
  if (invocation.unattended || invocation.refused_argument) Application().SetUnattended();
  if (invocation.refused_argument) {
    return RecordOutsideTheRun({ArgumentRefusedRecordLine(*invocation.refused_argument)},
                               RunOutcome::ArgumentRefused);
  }
  RunOutcome outcome = RunOutcome::UnexpectedError;
  try {
    Application().Initialize();
    Application().SetTitle("Update_Merovix");
    auto form = std::make_unique<TForm1>(nullptr);
    Form1 = form.get();
    if (invocation.unattended) {
      form->RunUnattended();
    } else {
      Application().Run();
    }
    outcome = form->Outcome();
    Form1 = nullptr;
  } catch (const std::exception& error) {
    if (!invocation.unattended) {
      Application().ShowException(error);
      return 0;
    }
    return RecordOutsideTheRun({kUnattendedRecordLine, ErrorRecordLine(error.what())}, RunOutcome::UnexpectedError);
  }
  return invocation.unattended ? UnattendedExitCode(outcome) : 0;
}
