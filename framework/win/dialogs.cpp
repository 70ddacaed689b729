// Placeholder until the framework's own dialog lands.
#include "framework/win/dialogs.h"

#include <windows.h>

#include "framework/win/application.h"
#include "framework/win/text.h"

namespace merovix {

int MessageDlg(std::string_view text, TMsgDlgType, TMsgDlgButtons, int, TMsgDlgBtn) {
  return ::MessageBoxW(nullptr, Utf8ToWide(text).c_str(), L"", MB_OKCANCEL);
}

void ShowMessage(std::string_view text) {
  ::MessageBoxW(nullptr, Utf8ToWide(text).c_str(), Utf8ToWide(Application().Title()).c_str(), MB_OK);
}

}  // namespace merovix
