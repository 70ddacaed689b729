#pragma once
// TFolderBrowseDlg: the shell's folder browser behind properties and events.
// A root folder, options, a preset selection, a status line shortened to fit,
// a caption, centring on the screen, control of the OK button, and events for
// the dialog's creation, each change of selection and a typed name that the
// shell cannot resolve. Texts are ANSI, as the shell's ...A interface sees them.
#include <windows.h>
#include <shlobj.h>

#include <exception>
#include <functional>
#include <string>

#include "browse/browse_options.h"
#include "browse/selection_path.h"
#include "browse/win/browse_call.h"
#include "browse/win/status_fitting.h"
#include "framework/win/controls.h"
#include "framework/win/handles.h"

namespace merovix {

class TFolderBrowseDlg;

// NewSelPIDL belongs to the dialog.
using TSelChangedEvent =
    std::function<void(TFolderBrowseDlg& Sender, const std::string& NewSel, LPCITEMIDLIST NewSelPIDL)>;
// Leaving Cancel false keeps the dialog open; true lets the shell close it.
using TValidateFailedEvent = std::function<void(TFolderBrowseDlg& Sender, const std::string& Path, bool& Cancel)>;

// The control identifier of the dialog's status line.
constexpr int kStatusLineId = 14147;

class TFolderBrowseDlg : public TComponent {
 public:
  explicit TFolderBrowseDlg(TComponent* owner);
  ~TFolderBrowseDlg() override;

  // Shows the dialog modally. True when the user confirmed an item: Selection
  // then holds its path as the shell reports it. False when the user
  // cancelled or no dialog could be shown: Selection is then empty. An
  // exception of an event handler closes the dialog and comes out of here.
  virtual bool Execute();

  static const char* Version() { return "TFolderBrowseDlg v1.0"; }
  void SetVersion(const std::string&) {}

  const std::string& Selection() const { return selection_; }
  // Equal text: nothing. An existing folder gets a trailing "\"; the empty
  // text frees the held item list. Reaches the status line (with
  // ShowSelectionInStatus) and an open dialog.
  void SetSelection(const std::string& value);

  // The item list that goes with the selection; owned by the component.
  LPITEMIDLIST SelectionPIDL() const { return selection_pidl_; }
  void SetSelectionPIDL(LPITEMIDLIST value);

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& value) { title_ = value; }
  TRootID Root() const { return root_; }
  void SetRoot(TRootID value) { root_ = value; }
  TBrowseFlags Options() const { return options_; }
  // Completed by the implied members (see WithImpliedOptions).
  void SetOptions(TBrowseFlags value);
  bool Center() const { return center_; }
  void SetCenter(bool value) { center_ = value; }
  const std::string& StatusText() const { return status_text_; }
  void SetStatusText(const std::string& value);
  bool FitStatusText() const { return fit_status_text_; }
  void SetFitStatusText(bool value);
  bool EnableOKButton() const { return enable_ok_button_; }
  void SetEnableOKButton(bool value);
  // The system image list index of the last confirmed item; -1 before.
  int ImageIndex() const { return image_index_; }
  // While the dialog is open: its live title; otherwise the stored text.
  std::string Caption() const;
  void SetCaption(const std::string& value);
  bool ShowSelectionInStatus() const { return show_selection_in_status_; }
  void SetShowSelectionInStatus(bool value) { show_selection_in_status_ = value; }

  // The display name of the last confirmed item (or its path).
  const std::string& DisplayName() const { return display_name_; }
  // The open dialog's window; 0 outside Execute.
  HWND DialogHandle() const { return dialog_handle_; }
  TWinControl* ParentControl() const { return parent_control_; }

  TSelChangedEvent OnSelChanged;
  TNotifyEvent OnCreate;
  TValidateFailedEvent OnValidateFailed;

 protected:
  // For tests and derived classes that bring their own allocator (one
  // reference is taken over).
  TFolderBrowseDlg(TComponent* owner, IMalloc* shell_malloc);

  // Called by the shell's callback only.
  virtual void DoInitialized(HWND dialog);
  virtual void DoSelChanged(HWND dialog, LPCITEMIDLIST item_list);
  virtual void DoValidateFailed(const std::string& path, bool& cancel);

 private:
  friend int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM lparam, LPARAM data);

  void UpdateDialogSelection();
  std::string FittedStatusText() const;
  void SendStatusText() const;
  void RevealHiddenControls() const;
  void CenterOnScreen() const;
  HWND OwnerWindow() const;

  HWND dialog_handle_ = nullptr;
  std::string caption_;
  TWinControl* parent_control_ = nullptr;  // not owned, not watched
  bool show_selection_in_status_ = false;
  bool fit_status_text_ = true;
  std::string title_;
  TRootID root_ = idDesktop;
  TBrowseFlags options_;
  std::string selection_;
  bool center_ = true;
  std::string status_text_;
  bool enable_ok_button_ = true;
  int image_index_ = -1;
  LPITEMIDLIST selection_pidl_ = nullptr;
  UniqueComPtr<IMalloc> shell_malloc_;
  std::string display_name_;
  // An exception of an event handler, held until the browse call has returned.
  std::exception_ptr pending_exception_;
};

// The shell's browse callback; `data` is the component.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM lparam, LPARAM data);

}  // namespace merovix
