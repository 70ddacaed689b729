#include "browse/win/status_fitting.h"

#include "framework/strings.h"
#include "framework/win/handles.h"

namespace merovix {
namespace {

using FitLoop = std::string (*)(const std::string&, int, const TextMeasure&);

// Runs a fitting loop in the control's device context with the control's
// font selected; both are given back on every way out.
std::string FitInControl(HWND control, const std::string& text, FitLoop loop) {
  if (control == nullptr) return text;
  RECT rect{};
  if (!::GetWindowRect(control, &rect)) return text;
  UniqueWindowDC dc(control);
  if (!dc) return text;
  const auto font = reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0));
  ScopedSelectObject selected(dc.get(), font);
  return loop(text, rect.right - rect.left,
              [&dc](const std::string& piece) { return GetTextWidth(dc.get(), piece); });
}

bool HasWildcard(std::string_view path) { return path.find_first_of("*?") != std::string_view::npos; }

}  // namespace

int GetTextWidth(HDC dc, std::string_view text) {
  SIZE size{};
  if (!::GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size)) return 0;
  return size.cx;
}

std::string FitPathToWidth(HWND control, const std::string& text) {
  return FitInControl(control, text, &FitPathToWidth);
}

std::string FitTextToWidth(HWND control, const std::string& text) {
  return FitInControl(control, text, &FitTextToWidth);
}

bool DirExists(const std::string& path) {
  ScopedErrorMode error_mode(SEM_FAILCRITICALERRORS);
  if (path.size() == 3 && path[1] == ':' && path[2] == '\\') {
    const int drive = AsciiUpperCase(path.substr(0, 1))[0] - 'A';
    return drive >= 0 && drive <= 31 && ((::GetLogicalDrives() >> drive) & 1u) != 0;
  }
  // A pattern would match other names than the one asked for.
  if (path.empty() || HasWildcard(path)) return false;
  const std::string name = RemoveTrailingBackslash(path);
  constexpr DWORD kSkipped = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | 0x8 /* volume label */;
  WIN32_FIND_DATAA entry{};
  UniqueFindHandle search(::FindFirstFileA(name.c_str(), &entry));
  if (!search) return false;
  while ((entry.dwFileAttributes & kSkipped) != 0) {
    if (!::FindNextFileA(search.get(), &entry)) return false;
  }
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace merovix
