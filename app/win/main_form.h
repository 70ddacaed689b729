#pragma once
// The program's only window: one pixel without border at (1, 1). Its first
// activation performs one update run and closes it, which ends the program.
#include <exception>
#include <string>

#include "app/win/run_log.h"
#include "browse/win/browse_dialog.h"
#include "framework/win/forms.h"

namespace merovix {

// The installation folder as the registry holds it; empty when missing.
extern std::string InstallDir;
// The installer's file name.
extern const std::string UpdateFileName;

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* owner);

  TButton* ButtonUpdate_starten;
  TFolderBrowseDlg* DirDlg;

  void FormCreate(TComponent* sender);
  void FormActivate(TComponent* sender);
  void FormClose(TComponent* sender, TCloseAction& action);
  void ButtonUpdate_startenClick(TComponent* sender);

 private:
  bool run_started_ = false;
  // An uninstall entry that could not be read: the run only reports it.
  std::exception_ptr registry_error_;
  RunLog run_log_;
};

extern TForm1* Form1;

}  // namespace merovix
