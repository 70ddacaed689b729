#include "app/win/update_operations.h"

#include <windows.h>

#include "common/win/settings.h"
#include "framework/win/application.h"
#include "framework/win/dialogs.h"
#include "framework/win/text.h"

namespace merovix {

bool WindowsUpdateOperations::ReadIniBool(const std::string& key, bool fallback) {
  return merovix::ReadIniBool(key, fallback, "", "");
}

bool WindowsUpdateOperations::Confirm(const std::string& text) {
  return MessageDlg(text, TMsgDlgType::mtConfirmation, mbYes | mbCancel, 0, mbYes) == mrYes;
}

void WindowsUpdateOperations::ShowPlainMessage(const std::string& text) { ShowMessage(text); }

void ShowUpdateMessage(const std::string& text) {
  // MB_OK | MB_ICONINFORMATION | MB_SYSTEMMODAL | MB_SETFOREGROUND | MB_TOPMOST
  constexpr UINT kFlags = 0x51040;
  ::MessageBoxW(Application().MainWindowHandle(), Utf8ToWide(text).c_str(), L"Merovix Update", kFlags);
}

}  // namespace merovix
