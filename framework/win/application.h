#pragma once
// The application object: title, main form, message loop and the report of
// errors that no handler caught.
#include <windows.h>

#include <exception>
#include <string>

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

 private:
  std::string title_;
  TForm* main_form_ = nullptr;
};

TApplication& Application();

}  // namespace merovix
