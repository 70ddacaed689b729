// Update_Merovix: updates the installed Merovix product. Without arguments a
// user is at the PC: the outcome is told through messages and the exit code
// is 0. With "/unattended" nobody is: no dialog, the outcome in the log and
// in the exit code (app/run_outcome.h).
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/invocation.h"
#include "app/run_record.h"
#include "app/update_run.h"
#include "app/win/main_form.h"
#include "app/win/run_log.h"
#include "app/win/single_run.h"
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
// a second run, an error before or after it; `message` is shown (logged only
// when unattended). Returns the exit code.
int RecordOutsideTheRun(const std::vector<std::string>& lines, RunOutcome outcome, bool unattended,
                        const char* message = nullptr) {
  std::string install_dir = InstallDir;
  try {
    if (install_dir.empty()) install_dir = ReadInstallDir();
  } catch (const std::exception&) {
    // The temporary folder takes the record.
  }
  RunLog log;
  log.Begin(RunLogFolder(install_dir));
  for (const std::string& line : lines) log.WriteOutcome(line);
  if (message) log.ShowUpdate(message);
  const std::optional<int> exit_code = unattended ? std::optional<int>(UnattendedExitCode(outcome)) : std::nullopt;
  log.Write(EndRecordLine(exit_code));
  if (unattended) log.ReportRunEnd(outcome, exit_code, {});
  return exit_code.value_or(0);
}

// Lines for the run's own record: how it began.
std::vector<std::string> StartNotes(const Invocation& invocation, const SingleRun& single_run) {
  std::vector<std::string> notes;
  for (const std::string& argument : invocation.unknown_arguments)
    notes.push_back(ArgumentIgnoredRecordLine(argument));
  if (single_run.state() == SingleRun::State::TakenOver) notes.push_back(kEarlierRunDiedRecordLine);
  if (single_run.state() == SingleRun::State::Unknown)
    notes.push_back(SingleRunUnknownRecordLine(single_run.error()));
  return notes;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The program runs elevated from a folder users can write to: no DLL may
  // come from there or from the folder it was started in.
  RestrictDllSearchToSystemFolder();
  EnterSystemFolder();
  const Invocation invocation = ParseArguments(CommandLineArguments());
  if (invocation.unattended) Application().SetUnattended();
  // The tool that started an unattended run waits for its code: a command
  // line it got wrong is told at once. A user's run goes on without it.
  if (invocation.unattended && !invocation.unknown_arguments.empty()) {
    return RecordOutsideTheRun({ArgumentRefusedRecordLine(invocation.unknown_arguments.front())},
                               RunOutcome::ArgumentRefused, true);
  }
  // Before anything that changes the system, the journal's restart included:
  // a journal found while holding the mutex is one of a run that died.
  const SingleRun single_run;
  if (single_run.state() == SingleRun::State::Busy) {
    std::vector<std::string> lines = {kAlreadyRunningRecordLine};
    if (invocation.unattended) lines.insert(lines.begin(), kUnattendedRecordLine);
    return RecordOutsideTheRun(lines, RunOutcome::AlreadyRunning, invocation.unattended, kAlreadyRunning);
  }
  RunOutcome outcome = RunOutcome::UnexpectedError;
  try {
    Application().Initialize();
    Application().SetTitle("Update_Merovix");
    auto form = std::make_unique<TForm1>(nullptr);
    form->AddRecordLines(StartNotes(invocation, single_run));
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
    return RecordOutsideTheRun({kUnattendedRecordLine, ErrorRecordLine(error.what())}, RunOutcome::UnexpectedError,
                               true);
  }
  return invocation.unattended ? UnattendedExitCode(outcome) : 0;
}
