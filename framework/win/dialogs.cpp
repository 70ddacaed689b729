#include "framework/win/dialogs.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "framework/win/application.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace merovix {
namespace {

constexpr int kTextId = 100;
constexpr int kIconId = 101;
// The predefined window classes of a dialog template's items, by ordinal.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kStaticClass = 0x0082;

struct ButtonInfo {
  TMsgDlgBtn button;
  int id;  // also the modal result
  const wchar_t* caption;
};
// In the order the buttons stand in the dialog.
constexpr ButtonInfo kButtons[] = {{mbYes, mrYes, L"&Ja"},
                                   {mbNo, mrNo, L"&Nein"},
                                   {mbOK, mrOk, L"OK"},
                                   {mbCancel, mrCancel, L"Abbrechen"}};

struct DialogSpec {
  std::wstring caption;
  std::wstring text;
  LPCWSTR icon;  // a system icon (IDI_ values as wide resource ids), or null
  std::vector<ButtonInfo> buttons;
  int default_id;
  int cancel_id;  // the result of Escape and of closing the dialog
};

// Appends the pieces of an in-memory dialog template, DWORD- or WORD-aligned
// as the template format requires.
class TemplateWriter {
 public:
  void Align(size_t to) {
    while (bytes_.size() % to != 0) bytes_.push_back(0);
  }
  void Word(WORD value) { Raw(&value, sizeof(value)); }
  void Dword(DWORD value) { Raw(&value, sizeof(value)); }
  // Up to the first NUL: the template reader ends the text there and would
  // take the rest for the following fields.
  void Text(const std::wstring& text) { Raw(text.c_str(), (std::wcslen(text.c_str()) + 1) * sizeof(wchar_t)); }
  void Raw(const void* data, size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
  }
  void Item(DWORD style, WORD id, WORD class_atom, const std::wstring& text) {
    Align(4);
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);                             // extended style
    for (int i = 0; i < 4; ++i) Word(0);  // x, y, cx, cy: laid out at WM_INITDIALOG
    Word(id);
    Word(0xFFFF);
    Word(class_atom);
    Text(text);
    Word(0);  // no creation data
  }
  void SetItemCount(WORD count) { *reinterpret_cast<WORD*>(&bytes_[8]) = count; }
  const DLGTEMPLATE* Template() {
    Align(4);
    return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data());
  }

 private:
  std::vector<unsigned char> bytes_;
};

// Places icon, text and buttons, sizes the dialog to them and centres it on
// the screen.
void LayOut(HWND dialog, const DialogSpec& spec) {
  RECT units{8, 8, 50, 14};  // margin, spacing, button width, button height in dialog units
  ::MapDialogRect(dialog, &units);
  const int margin = units.left, spacing = units.top, button_w = units.right, button_h = units.bottom;
  const int screen_w = ::GetSystemMetrics(SM_CXSCREEN), screen_h = ::GetSystemMetrics(SM_CYSCREEN);

  RECT text_rect{0, 0, std::max(screen_w / 2, 200), 0};
  const HWND text = ::GetDlgItem(dialog, kTextId);
  if (const UniqueWindowDC dc(text); dc) {
    const ScopedSelectObject font(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
    ::DrawTextW(dc.get(), spec.text.c_str(), -1, &text_rect,
                DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  }
  const int icon_size = spec.icon != nullptr ? ::GetSystemMetrics(SM_CXICON) : 0;
  const int text_x = margin + (icon_size > 0 ? icon_size + spacing : 0);
  const int content_h = std::max<int>(icon_size, text_rect.bottom);
  const int buttons_w = static_cast<int>(spec.buttons.size()) * button_w +
                        static_cast<int>(spec.buttons.size() - 1) * (spacing / 2);
  const int client_w = std::max<int>(text_x + text_rect.right, buttons_w) + margin;
  const int client_h = margin + content_h + spacing + button_h + margin;

  if (icon_size > 0) ::MoveWindow(::GetDlgItem(dialog, kIconId), margin, margin, icon_size, icon_size, FALSE);
  ::MoveWindow(text, text_x, margin + (content_h - text_rect.bottom) / 2, text_rect.right, text_rect.bottom, FALSE);
  int x = (client_w - buttons_w) / 2;
  for (const ButtonInfo& info : spec.buttons) {
    ::MoveWindow(::GetDlgItem(dialog, info.id), x, client_h - margin - button_h, button_w, button_h, FALSE);
    x += button_w + spacing / 2;
  }

  RECT frame{0, 0, client_w, client_h};
  ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  ::SetWindowPos(dialog, nullptr, (screen_w - w) / 2, (screen_h - h) / 2, w, h, SWP_NOZORDER);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      const auto* spec = reinterpret_cast<const DialogSpec*>(lparam);
      ::SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      if (spec->icon != nullptr) {
        ::SendDlgItemMessageW(dialog, kIconId, STM_SETICON,
                              reinterpret_cast<WPARAM>(::LoadIconW(nullptr, spec->icon)), 0);
      }
      LayOut(dialog, *spec);
      ::SendMessageW(dialog, DM_SETDEFID, static_cast<WPARAM>(spec->default_id), 0);
      ::SetFocus(::GetDlgItem(dialog, spec->default_id));
      ::SetForegroundWindow(dialog);
      return FALSE;  // focus set here
    }
    case WM_COMMAND: {
      const auto* spec = reinterpret_cast<const DialogSpec*>(::GetWindowLongPtrW(dialog, DWLP_USER));
      const int id = LOWORD(wparam);
      if (spec == nullptr || HIWORD(wparam) != BN_CLICKED) return FALSE;
      // Escape and the close box arrive as IDCANCEL, whatever buttons there are.
      if (id == IDCANCEL) {
        ::EndDialog(dialog, spec->cancel_id);
        return TRUE;
      }
      for (const ButtonInfo& info : spec->buttons) {
        if (info.id == id) {
          ::EndDialog(dialog, id);
          return TRUE;
        }
      }
      return FALSE;
    }
    default: return FALSE;
  }
}

int ShowDialog(const DialogSpec& spec) {
  // Nobody would answer: the dialog is not shown and answers as Escape does.
  if (Application().Unattended()) return spec.cancel_id;
  TemplateWriter writer;
  writer.Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
  writer.Dword(0);
  writer.Word(0);  // item count, set below
  for (int i = 0; i < 4; ++i) writer.Word(0);
  writer.Word(0);  // no menu
  writer.Word(0);  // standard dialog class
  writer.Text(spec.caption);
  writer.Word(8);
  writer.Text(L"MS Shell Dlg");

  WORD count = 0;
  if (spec.icon != nullptr) {
    writer.Item(SS_ICON, kIconId, kStaticClass, L"");
    ++count;
  }
  writer.Item(SS_LEFT | SS_NOPREFIX, kTextId, kStaticClass, spec.text);
  ++count;
  for (const ButtonInfo& info : spec.buttons) {
    const DWORD style = WS_TABSTOP | (info.id == spec.default_id ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    writer.Item(style, static_cast<WORD>(info.id), kButtonClass, info.caption);
    ++count;
  }
  writer.SetItemCount(count);

  const INT_PTR result = ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), writer.Template(),
                                                   Application().MainWindowHandle(), &DialogProc,
                                                   reinterpret_cast<LPARAM>(&spec));
  return result > 0 ? static_cast<int>(result) : spec.cancel_id;
}

DialogSpec MakeSpec(std::string_view text, std::wstring caption, LPCWSTR icon, TMsgDlgButtons buttons,
                    TMsgDlgBtn default_button) {
  DialogSpec spec{std::move(caption), Utf8ToWide(text), icon, {}, 0, 0};
  for (const ButtonInfo& info : kButtons) {
    if ((buttons & info.button) != 0) spec.buttons.push_back(info);
  }
  if (spec.buttons.empty()) spec.buttons.push_back(kButtons[2]);  // a dialog always has a way out: OK
  spec.default_id = spec.buttons.front().id;
  for (const ButtonInfo& info : spec.buttons) {
    if (info.button == default_button) spec.default_id = info.id;
  }
  // Cancel answers Escape; without it No does, without both OK.
  for (TMsgDlgBtn role : {mbCancel, mbNo, mbOK}) {
    const auto it = std::find_if(spec.buttons.begin(), spec.buttons.end(),
                                 [role](const ButtonInfo& info) { return info.button == role; });
    if (it != spec.buttons.end()) {
      spec.cancel_id = it->id;
      break;
    }
  }
  if (spec.cancel_id == 0) spec.cancel_id = mrCancel;
  return spec;
}

// The caption and system icon of a dialog type; a custom dialog has the
// application's title and no icon.
std::pair<std::wstring, LPCWSTR> CaptionAndIcon(TMsgDlgType type) {
  // The system icons' ids are integer resources, the same in either width.
  const auto icon = [](auto id) { return reinterpret_cast<LPCWSTR>(id); };
  switch (type) {
    case TMsgDlgType::mtWarning: return {L"Warnung", icon(IDI_WARNING)};
    case TMsgDlgType::mtError: return {L"Fehler", icon(IDI_ERROR)};
    case TMsgDlgType::mtInformation: return {L"Information", icon(IDI_INFORMATION)};
    case TMsgDlgType::mtConfirmation: return {L"Best\u00e4tigung", icon(IDI_QUESTION)};
    case TMsgDlgType::mtCustom: return {Utf8ToWide(Application().Title()), nullptr};
  }
  return {};
}

}  // namespace

int MessageDlg(std::string_view text, TMsgDlgType type, TMsgDlgButtons buttons, int /*help_context*/,
               TMsgDlgBtn default_button) {
  auto [caption, icon] = CaptionAndIcon(type);
  return ShowDialog(MakeSpec(text, std::move(caption), icon, buttons, default_button));
}

void ShowMessage(std::string_view text) {
  ShowDialog(MakeSpec(text, Utf8ToWide(Application().Title()), nullptr, mbOK, mbOK));
}

}  // namespace merovix
