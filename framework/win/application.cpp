#include "framework/win/application.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdlib>

#include "framework/exceptions.h"
#include "framework/win/dialogs.h"
#include "framework/win/forms.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace merovix {

TApplication& Application() {
  static TApplication application;
  return application;
}

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
}

void TApplication::SetMainForm(TForm* form) {
  if (main_form_ == nullptr || form == nullptr) main_form_ = form;
}

HWND TApplication::MainWindowHandle() const {
  return main_form_ != nullptr && main_form_->HandleAllocated() ? main_form_->Handle() : nullptr;
}

void TApplication::Run() {
  if (main_form_ == nullptr) return;
  main_form_->Show();
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
}

void TApplication::ShowException(const std::exception& error) {
  const auto* own = dynamic_cast<const Exception*>(&error);
  MessageDlg(own != nullptr ? own->Message() : std::string(error.what()), TMsgDlgType::mtError, mbOK, 0, mbOK);
}

void TApplication::SetUnattended() {
  unattended_ = true;
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  // abort() of a GUI program would show "abnormal program termination".
  ::_set_error_mode(_OUT_TO_STDERR);
}

std::vector<std::string> CommandLineArguments() {
  int count = 0;
  const UniqueLocalMem owned(::CommandLineToArgvW(::GetCommandLineW(), &count));
  const auto* arguments = static_cast<wchar_t* const*>(owned.get());
  std::vector<std::string> result;
  for (int i = 1; arguments != nullptr && i < count; ++i) result.push_back(WideToUtf8(arguments[i]));
  return result;
}

}  // namespace merovix
