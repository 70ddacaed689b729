#pragma once
// The program's only window: one pixel without border at (1, 1). Its first
// activation performs one update run and closes it, which ends the program.
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "app/run_outcome.h"
#include "app/win/run_log.h"
#include "browse/win/browse_dialog.h"
#include "framework/win/forms.h"

namespace merovix {

// The installation folder as the registry holds it; empty when missing.
extern std::string InstallDir;
// The installer's file name.
extern const std::string UpdateFileName;

// The installation folder from the product's uninstall entry; empty when
// there is none. Raises the registry access's errors.
std::string ReadInstallDir();

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* owner);

  TButton* ButtonUpdate_starten;
  TFolderBrowseDlg* DirDlg;

  void FormCreate(TComponent* sender);
  void FormActivate(TComponent* sender);
  void FormClose(TComponent* sender, TCloseAction& action);
  void ButtonUpdate_startenClick(TComponent* sender);

  // The run without showing the window, for an unattended application:
  // nothing takes the focus from whoever works at the PC.
  void RunUnattended();
  RunOutcome Outcome() const { return outcome_; }
  // Lines about the program's start, written at the head of the run's record.
  void AddRecordLines(std::vector<std::string> lines) { start_notes_ = std::move(lines); }

 private:
  void RunOnce();

  bool run_started_ = false;
  RunOutcome outcome_ = RunOutcome::UnexpectedError;
  RunVersions versions_;
  // An uninstall entry that could not be read: the run only reports it.
  std::exception_ptr registry_error_;
  RunLog run_log_;
  std::vector<std::string> start_notes_;
};

extern TForm1* Form1;

}  // namespace merovix
