#pragma once
// The application object: title, main form, message loop and the report of
// errors that no handler caught.
#include <windows.h>

#include <exception>
#include <string>
#include <vector>

namespace merovix {

class TForm;

class TApplication {
 public:
  void Initialize();
  // UTF-8; the caption of the plain message dialog.
  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }

  // The first form created becomes the main form; closing it ends Run().
  TForm* MainForm() const { return main_form_; }
  void SetMainForm(TForm* form);
  // The main form's window, or NULL when there is none (yet).
  HWND MainWindowHandle() const;

  // Shows the main form and dispatches messages until it is closed.
  void Run();

  // Shows the error's message to the user in a message box.
  void ShowException(const std::exception& error);

  // Nobody is at the PC: from here on the framework shows no dialog, and the
  // system shows none for this process (critical errors, a missing file or
  // disk, a crash) nor the run-time library on an abort. Programs started
  // afterwards inherit the system's part.
  void SetUnattended();
  bool Unattended() const { return unattended_; }

 private:
  std::string title_;
  TForm* main_form_ = nullptr;
  bool unattended_ = false;
};

TApplication& Application();

// The program's command-line arguments (UTF-8), without its own name, split
// as Windows programs split them.
std::vector<std::string> CommandLineArguments();

}  // namespace merovix
