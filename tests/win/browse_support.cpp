#include "browse_support.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "framework/win/handles.h"

namespace merovix::test {
namespace {

bool watchdog_fired = false;

BOOL CALLBACK CancelDialog(HWND window, LPARAM) {
  char name[16] = {};
  ::GetClassNameA(window, name, sizeof(name));
  if (std::string(name) == "#32770") PressButton(window, IDCANCEL);
  return TRUE;
}

void CALLBACK OnWatchdog(HWND, UINT, UINT_PTR, DWORD) {
  watchdog_fired = true;
  ::EnumThreadWindows(::GetCurrentThreadId(), &CancelDialog, 0);
}

std::string TreeItemText(HWND dialog, WPARAM which) {
  HWND tree = ::GetDlgItem(dialog, 14145);
  auto item = reinterpret_cast<HTREEITEM>(::SendMessageA(tree, TVM_GETNEXTITEM, which, 0));
  if (item == nullptr) return {};
  char text[MAX_PATH] = {};
  TVITEMA info{};
  info.mask = TVIF_TEXT;
  info.hItem = item;
  info.pszText = text;
  info.cchTextMax = sizeof(text);
  ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&info));
  return text;
}

}  // namespace

DialogWatchdog::DialogWatchdog(UINT ms) : timer_(::SetTimer(nullptr, 0, ms, &OnWatchdog)) { watchdog_fired = false; }

DialogWatchdog::~DialogWatchdog() { ::KillTimer(nullptr, timer_); }

bool DialogWatchdog::Fired() { return watchdog_fired; }

void PressButton(HWND dialog, int id) { ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

HRESULT CountingMalloc::QueryInterface(REFIID iid, void** out) {
  if (iid == IID_IUnknown || iid == IID_IMalloc) {
    *out = this;
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

void* CountingMalloc::Alloc(SIZE_T size) {
  if (fail_alloc) return nullptr;
  void* block = ::CoTaskMemAlloc(size);
  allocated.push_back(block);
  return block;
}

void* CountingMalloc::Realloc(void* block, SIZE_T size) { return ::CoTaskMemRealloc(block, size); }

void CountingMalloc::Free(void* block) {
  freed.insert(block);
  ::CoTaskMemFree(block);
}

SIZE_T CountingMalloc::GetSize(void*) { return static_cast<SIZE_T>(-1); }

int CountingMalloc::DidAlloc(void*) { return -1; }

size_t CountingMalloc::Outstanding() const {
  return static_cast<size_t>(
      std::count_if(allocated.begin(), allocated.end(), [this](void* block) { return !WasFreed(block); }));
}

// Not shown: a visible owner costs Wine about two seconds of activation when the dialog closes.
HWND TTestWindow::CreateHandle() {
  return ::CreateWindowExA(0, "STATIC", "Besitzer", WS_OVERLAPPEDWINDOW, 0, 0, 240, 120, nullptr, nullptr,
                           ::GetModuleHandleA(nullptr), nullptr);
}

std::string ControlText(HWND control) {
  char text[1024] = {};
  ::GetWindowTextA(control, text, sizeof(text));
  return text;
}

int WindowWidth(HWND control) {
  RECT rect{};
  return ::GetWindowRect(control, &rect) ? rect.right - rect.left : 0;
}

int TextWidthInControl(HWND control, const std::string& text) {
  const UniqueWindowDC dc(control);
  const ScopedSelectObject font(dc.get(), reinterpret_cast<HGDIOBJ>(::SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  ::GetTextExtentPoint32A(dc.get(), text.data(), static_cast<int>(text.size()), &size);
  return size.cx;
}

int SystemIconIndex(const std::string& path) {
  SHFILEINFOA info{};
  ::SHGetFileInfoA(path.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX);
  return info.iIcon;
}

std::string SelectedTreeItemText(HWND dialog) { return TreeItemText(dialog, TVGN_CARET); }

std::string RootTreeItemText(HWND dialog) { return TreeItemText(dialog, TVGN_ROOT); }

}  // namespace merovix::test
