#include "framework/win/forms.h"

#include "framework/exceptions.h"
#include "framework/win/application.h"
#include "framework/win/text.h"

namespace merovix {
namespace {

// Posted on the first and every later activation, so that OnActivate runs
// after the activation itself is complete and may show modal dialogs.
constexpr UINT kActivated = WM_APP + 1;
constexpr int kFirstButtonId = 1000;
int g_next_button_id = kFirstButtonId;

// Shows an error that reached the window procedure (null: one of unknown
// type). Showing it may fail in turn (no memory for the dialog); that failure
// must not leave either.
void ReportFromWindowProc(const std::exception* error) {
  try {
    if (error != nullptr) {
      Application().ShowException(*error);
    } else {
      Application().ShowException(Exception("Unbekannter Fehler"));
    }
  } catch (...) {
  }
}

}  // namespace

TForm::TForm(TComponent* owner, std::wstring window_class, std::string caption)
    : TWinControl(owner), window_class_(std::move(window_class)), caption_(std::move(caption)) {
  Application().SetMainForm(this);
}

TForm::~TForm() {
  // Buttons unregister from this form when they go.
  DestroyComponents();
  if (Application().MainForm() == this) Application().SetMainForm(nullptr);
}

void TForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

DWORD TForm::WindowStyle() const {
  switch (border_style_) {
    case TFormBorderStyle::bsNone: return WS_POPUP | WS_CLIPCHILDREN;
    case TFormBorderStyle::bsSingle:
      return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    case TFormBorderStyle::bsSizeable: break;
  }
  return WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  border_style_ = style;
  if (!HandleAllocated()) return;
  ::SetWindowLongPtrW(Handle(), GWL_STYLE,
                      static_cast<LONG_PTR>(WindowStyle() | (GetWindowLongPtrW(Handle(), GWL_STYLE) & WS_VISIBLE)));
  ::SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

void TForm::SetLeft(int left) { SetBound(&Bounds::left, left); }
void TForm::SetTop(int top) { SetBound(&Bounds::top, top); }
void TForm::SetWidth(int width) { SetBound(&Bounds::width, width); }
void TForm::SetHeight(int height) { SetBound(&Bounds::height, height); }

void TForm::SetBound(int Bounds::*field, int value) {
  bounds_.*field = value;
  if (!HandleAllocated()) return;
  ::SetWindowPos(Handle(), nullptr, bounds_.left, bounds_.top, bounds_.width, bounds_.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND TForm::CreateHandle() {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  if (!::GetClassInfoExW(instance, window_class_.c_str(), &window_class)) {
    window_class.lpfnWndProc = &TForm::WindowProc;
    window_class.hInstance = instance;
    window_class.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.hIcon = ::LoadIconW(instance, L"MAINICON");
    window_class.lpszClassName = window_class_.c_str();
    ::RegisterClassExW(&window_class);
  }
  return ::CreateWindowExW(0, window_class_.c_str(), Utf8ToWide(caption_).c_str(), WindowStyle(), bounds_.left,
                           bounds_.top, bounds_.width, bounds_.height, nullptr, nullptr, instance, this);
}

void TForm::Show() {
  const HWND window = Handle();
  for (TButton* button : buttons_) button->Handle();
  ::ShowWindow(window, SW_SHOW);
  ::SetForegroundWindow(window);
}

void TForm::Close() {
  if (HandleAllocated()) ::SendMessageW(Handle(), WM_CLOSE, 0, 0);
}

LRESULT CALLBACK TForm::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* form = reinterpret_cast<TForm*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return ::DefWindowProcW(window, message, wparam, lparam);
  // No exception may cross the system's window procedure: the application
  // reports it, and the message loop goes on.
  try {
    return form->HandleMessage(window, message, wparam, lparam);
  } catch (const std::exception& error) {
    ReportFromWindowProc(&error);
  } catch (...) {
    ReportFromWindowProc(nullptr);
  }
  return 0;
}

LRESULT TForm::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) != WA_INACTIVE) ::PostMessageW(window, kActivated, 0, 0);
      break;
    case kActivated:
      if (OnActivate) OnActivate(this);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED && lparam != 0) {
        auto* button = reinterpret_cast<TButton*>(::GetWindowLongPtrW(reinterpret_cast<HWND>(lparam), GWLP_USERDATA));
        if (button != nullptr) button->Click();
        return 0;
      }
      break;
    case WM_CLOSE: {
      TCloseAction action = TCloseAction::caFree;
      if (OnClose) OnClose(this, action);
      if (action == TCloseAction::caNone) return 0;
      if (action == TCloseAction::caHide) {
        ::ShowWindow(window, SW_HIDE);
        return 0;
      }
      if (action == TCloseAction::caMinimize) {
        ::ShowWindow(window, SW_MINIMIZE);
        return 0;
      }
      ::DestroyWindow(window);
      return 0;
    }
    case WM_DESTROY:
      if (Application().MainForm() == this) ::PostQuitMessage(0);
      break;
    case WM_NCDESTROY:
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      for (TButton* button : buttons_) button->DetachHandle();
      DetachHandle();
      break;
    default: break;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

TButton::TButton(TForm* parent, std::string caption, Bounds bounds, bool is_default)
    : TWinControl(parent), parent_(parent), caption_(std::move(caption)), bounds_(bounds), is_default_(is_default) {
  parent_->buttons_.push_back(this);
}

TButton::~TButton() { std::erase(parent_->buttons_, this); }

HWND TButton::CreateHandle() {
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (is_default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
  const HWND button = ::CreateWindowExW(0, L"BUTTON", Utf8ToWide(caption_).c_str(), style, bounds_.left, bounds_.top,
                                        bounds_.width, bounds_.height, parent_->Handle(),
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(g_next_button_id++)),
                                        ::GetModuleHandleW(nullptr), nullptr);
  if (button != nullptr) ::SetWindowLongPtrW(button, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  return button;
}

void TButton::Click() {
  if (OnClick) OnClick(this);
}

}  // namespace merovix
