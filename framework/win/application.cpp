#include "framework/win/application.h"

namespace merovix {

TApplication& Application() {
  static TApplication application;
  return application;
}

void TApplication::Initialize() {}

HWND TApplication::MainWindowHandle() const { return nullptr; }

void TApplication::Run() {}

}  // namespace merovix
