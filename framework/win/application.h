#pragma once
// The application object: title, main window and message loop.
#include <windows.h>

#include <string>

namespace merovix {

class TForm;

class TApplication {
 public:
  void Initialize();
  // UTF-8; the caption of the plain message dialog.
  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }

  // The first form created becomes the main window; closing it ends Run().
  TForm* MainForm() const { return main_form_; }
  void SetMainForm(TForm* form) { if (main_form_ == nullptr) main_form_ = form; }
  // The main window's handle, or NULL when there is none (yet).
  HWND MainWindowHandle() const;

  // Shows the main window and dispatches messages until it is closed.
  void Run();

 private:
  std::string title_;
  TForm* main_form_ = nullptr;
};

TApplication& Application();

}  // namespace merovix
