#include "framework/win/win32_error.h"

#include "framework/exceptions.h"
#include "framework/win/handles.h"
#include "framework/win/text.h"

namespace merovix {

std::string SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const UniqueLocalMem owned(buffer);
  std::wstring text;
  if (length != 0 && buffer != nullptr) text.assign(buffer, length);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
    text.pop_back();
  }
  return WideToUtf8(text);
}

void RaiseLastWin32Error() {
  const DWORD code = ::GetLastError();
  throw EWin32Error(code, code == 0 ? std::string() : SystemErrorText(code));
}

}  // namespace merovix
