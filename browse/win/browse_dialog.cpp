#include "browse/win/browse_dialog.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "framework/strings.h"
#include "framework/win/application.h"
#include "framework/win/text.h"

namespace merovix {
namespace {

IMalloc* TakeShellMalloc() {
  IMalloc* allocator = nullptr;
  if (FAILED(::SHGetMalloc(&allocator))) return nullptr;
  return allocator;
}

struct StatusLineSearch {
  HWND found = nullptr;
};

BOOL CALLBACK FindStatusLine(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<StatusLineSearch*>(data);
  if (::GetDlgCtrlID(child) != kStatusLineId) return TRUE;
  search->found = child;
  return FALSE;
}

// Judged by the control's own style: while the dialog initialises, the
// dialog itself is not shown yet, so IsWindowVisible is false for every control.
// A failed allocation ends the walk: no exception may unwind through
// EnumChildWindows, and the controls found so far are still revealed.
BOOL CALLBACK CollectHidden(HWND child, LPARAM data) {
  if ((::GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) != 0) return TRUE;
  try {
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
  } catch (...) {
    return FALSE;
  }
  return TRUE;
}

std::string PathOfItemList(LPCITEMIDLIST item_list) {
  char buffer[MAX_PATH] = {};
  if (item_list != nullptr) ::SHGetPathFromIDListA(item_list, buffer);
  return UntilNul(std::string_view(buffer, std::size(buffer)));
}

}  // namespace

TFolderBrowseDlg::TFolderBrowseDlg(TComponent* owner) : TFolderBrowseDlg(owner, TakeShellMalloc()) {}

TFolderBrowseDlg::TFolderBrowseDlg(TComponent* owner, IMalloc* shell_malloc)
    : TComponent(owner), shell_malloc_(shell_malloc) {
  // The application's main window is looked up when the dialog opens (see
  // OwnerWindow), as it may not have a window yet.
  parent_control_ = dynamic_cast<TWinControl*>(owner);
}

TFolderBrowseDlg::~TFolderBrowseDlg() { SetSelectionPIDL(nullptr); }

HWND TFolderBrowseDlg::OwnerWindow() const {
  if (Designing()) return nullptr;
  if (parent_control_ != nullptr) return parent_control_->Handle();
  if (auto* owner = dynamic_cast<TWinControl*>(Owner())) return owner->Handle();
  return Application().MainWindowHandle();
}

bool TFolderBrowseDlg::Execute() {
  display_name_.clear();
  pending_exception_ = nullptr;
  BrowseRequest request;
  request.owner = OwnerWindow();
  request.title = title_;
  request.root = root_;
  request.options = options_;
  request.status_line = !status_text_.empty() || show_selection_in_status_;
  request.callback = &BrowseCallback;
  request.callback_data = reinterpret_cast<LPARAM>(this);
  BrowseResult result;
  bool confirmed = false;
  // A missing allocator counts like a failed allocation: no dialog.
  if (shell_malloc_) confirmed = BrowseDirectory(shell_malloc_.get(), request, result, image_index_);
  dialog_handle_ = nullptr;
  display_name_ = result.display_name;
  if (confirmed) {
    selection_ = result.path;
    SetSelectionPIDL(result.item_list);
  } else {
    selection_.clear();
    SetSelectionPIDL(nullptr);
  }
  if (pending_exception_) std::rethrow_exception(std::exchange(pending_exception_, nullptr));
  return confirmed;
}

void TFolderBrowseDlg::SetSelection(const std::string& value) {
  if (value == selection_) return;
  selection_ = AssignedSelection(value, [](const std::string& path) { return DirExists(path); });
  if (selection_.empty()) SetSelectionPIDL(nullptr);
  if (show_selection_in_status_) SetStatusText(selection_);
  if (dialog_handle_ != nullptr) UpdateDialogSelection();
}

void TFolderBrowseDlg::SetSelectionPIDL(LPITEMIDLIST value) {
  if (value == selection_pidl_) return;
  if (selection_pidl_ != nullptr && shell_malloc_) shell_malloc_->Free(selection_pidl_);
  selection_pidl_ = value;
}

void TFolderBrowseDlg::SetOptions(TBrowseFlags value) {
  if (value == options_) return;
  options_ = WithImpliedOptions(value);
}

void TFolderBrowseDlg::SetStatusText(const std::string& value) {
  if (value == status_text_) return;
  status_text_ = value;
  SendStatusText();
}

void TFolderBrowseDlg::SetFitStatusText(bool value) {
  if (value == fit_status_text_) return;
  fit_status_text_ = value;
  SendStatusText();
}

void TFolderBrowseDlg::SetEnableOKButton(bool value) {
  enable_ok_button_ = value;
  if (dialog_handle_ != nullptr) ::SendMessageA(dialog_handle_, BFFM_ENABLEOK, 0, value ? 1 : 0);
}

std::string TFolderBrowseDlg::Caption() const {
  if (dialog_handle_ == nullptr) return caption_;
  char buffer[256] = {};
  ::SendMessageA(dialog_handle_, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer));
  return UntilNul(std::string_view(buffer, sizeof(buffer) - 1));
}

void TFolderBrowseDlg::SetCaption(const std::string& value) {
  caption_ = value;
  if (dialog_handle_ != nullptr)
    ::SendMessageA(dialog_handle_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption_.c_str()));
}

void TFolderBrowseDlg::SendStatusText() const {
  if (dialog_handle_ == nullptr) return;
  const std::string text = FittedStatusText();
  ::SendMessageA(dialog_handle_, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string TFolderBrowseDlg::FittedStatusText() const {
  if (!fit_status_text_ || dialog_handle_ == nullptr || status_text_.empty()) return status_text_;
  StatusLineSearch search;
  ::EnumChildWindows(dialog_handle_, &FindStatusLine, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return status_text_;
  return DirExists(status_text_) ? FitPathToWidth(search.found, status_text_)
                                 : FitTextToWidth(search.found, status_text_);
}

void TFolderBrowseDlg::CenterOnScreen() const {
  RECT rect{};
  if (!::GetWindowRect(dialog_handle_, &rect)) return;
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - (rect.right - rect.left)) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - (rect.bottom - rect.top)) / 2;
  ::SetWindowPos(dialog_handle_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFolderBrowseDlg::RevealHiddenControls() const {
  // Collected first: showing windows while the walk runs could change it.
  std::vector<HWND> hidden;
  ::EnumChildWindows(dialog_handle_, &CollectHidden, reinterpret_cast<LPARAM>(&hidden));
  for (HWND child : hidden) {
    ::ShowWindow(child, SW_SHOW);
    ::EnableWindow(child, TRUE);
    ::SendMessageA(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("foo"));
  }
  if (!hidden.empty()) ::ShowWindow(hidden.back(), SW_SHOW);
}

void TFolderBrowseDlg::DoInitialized(HWND dialog) {
  dialog_handle_ = dialog;
  if (center_) CenterOnScreen();
  if (options_.Contains(bfNewDialogStyle) || options_.Contains(bfUseNewUI)) RevealHiddenControls();
  ::SendMessageA(dialog, BFFM_ENABLEOK, 0, enable_ok_button_ ? 1 : 0);
  if (!status_text_.empty()) SendStatusText();
  if (!selection_.empty() || selection_pidl_ != nullptr) UpdateDialogSelection();
  if (!caption_.empty()) ::SendMessageA(dialog, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption_.c_str()));
  if (OnCreate) OnCreate(this);
}

void TFolderBrowseDlg::DoSelChanged(HWND, LPCITEMIDLIST item_list) {
  if (!show_selection_in_status_ && !OnSelChanged) return;
  const std::string path = PathOfItemList(item_list);
  if (show_selection_in_status_) SetStatusText(path);
  if (OnSelChanged) OnSelChanged(*this, path, item_list);
}

void TFolderBrowseDlg::DoValidateFailed(const std::string& path, bool& cancel) {
  if (OnValidateFailed) OnValidateFailed(*this, path, cancel);
}

void TFolderBrowseDlg::UpdateDialogSelection() {
  if (dialog_handle_ == nullptr) return;
  if (selection_.empty() && selection_pidl_ != nullptr) {
    if (!shell_malloc_) return;
    const ShellBlock block(shell_malloc_.get(), shell_malloc_->Alloc(MAX_PATH));
    if (block.get() == nullptr) return;
    char* buffer = static_cast<char*>(block.get());
    std::memset(buffer, 0, MAX_PATH);
    const bool found = ::SHGetPathFromIDListA(selection_pidl_, buffer) != FALSE;
    selection_ = found ? UntilNul(std::string_view(buffer, MAX_PATH)) : std::string();
    ::SendMessageA(dialog_handle_, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(selection_pidl_));
    return;
  }

  UniqueComPtr<IShellFolder> desktop;
  if (FAILED(::SHGetDesktopFolder(desktop.put())) || !desktop) return;
  std::wstring name = AnsiToWide(selection_);
  if (name.size() > MAX_PATH - 1) name.resize(MAX_PATH - 1);
  LPITEMIDLIST parsed = nullptr;
  ULONG eaten = 0;
  const bool ok = SUCCEEDED(
                      desktop->ParseDisplayName(dialog_handle_, nullptr, name.data(), &eaten, &parsed, nullptr)) &&
                  parsed != nullptr;
  if (ok) SetSelectionPIDL(parsed);
  if (StartsWith(selection_, "\\\\")) {
    // A network path goes over as an item list, or not at all.
    if (ok) ::SendMessageA(dialog_handle_, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(selection_pidl_));
    return;
  }
  const std::string path = FormatSelectionPath(selection_);
  ::SendMessageA(dialog_handle_, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
}

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM lparam, LPARAM data) {
  auto* self = reinterpret_cast<TFolderBrowseDlg*>(data);
  if (self == nullptr) return 0;
  // Exceptions must not unwind through the shell's frames: the first one is
  // kept, the dialog closed, and Execute raises it again.
  try {
    switch (message) {
      case BFFM_INITIALIZED: self->DoInitialized(dialog); return 0;
      case BFFM_SELCHANGED: self->DoSelChanged(dialog, reinterpret_cast<LPCITEMIDLIST>(lparam)); return 0;
      case BFFM_VALIDATEFAILEDA: {
        bool cancel = false;
        const char* typed = reinterpret_cast<const char*>(lparam);
        self->DoValidateFailed(typed != nullptr ? std::string(typed) : std::string(), cancel);
        return cancel ? 0 : 1;
      }
      default: return 0;
    }
  } catch (...) {
    if (!self->pending_exception_) self->pending_exception_ = std::current_exception();
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return 0;
  }
}

}  // namespace merovix
