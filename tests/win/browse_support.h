#pragma once
// Helpers of the folder-browse tests: a watchdog that cancels a dialog that
// overstays, an allocator that counts, an owner window and a folder tree.
#include <windows.h>
#include <shlobj.h>

#include <set>
#include <string>
#include <vector>

#include "framework/win/controls.h"

#include "tests/win/test_files.h"

namespace merovix::test {

// Cancels every dialog of this thread after `ms`, so that a dialog that no
// test step closes fails the test instead of hanging it. Thread timers are
// dispatched by the dialog's own message loop.
class DialogWatchdog {
 public:
  explicit DialogWatchdog(UINT ms = 5000);
  ~DialogWatchdog();
  DialogWatchdog(const DialogWatchdog&) = delete;
  DialogWatchdog& operator=(const DialogWatchdog&) = delete;
  static bool Fired();

 private:
  UINT_PTR timer_;
};

// Closes a browse dialog as if the user pressed the button.
void PressButton(HWND dialog, int id);

// A shell allocator that counts what passes through it.
class CountingMalloc : public IMalloc {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  void* STDMETHODCALLTYPE Alloc(SIZE_T size) override;
  void* STDMETHODCALLTYPE Realloc(void* block, SIZE_T size) override;
  void STDMETHODCALLTYPE Free(void* block) override;
  SIZE_T STDMETHODCALLTYPE GetSize(void* block) override;
  int STDMETHODCALLTYPE DidAlloc(void* block) override;
  void STDMETHODCALLTYPE HeapMinimize() override {}

  bool WasFreed(const void* block) const { return freed.count(block) != 0; }
  // Blocks that came from Alloc and have not gone back.
  size_t Outstanding() const;

  ULONG refs = 1;
  bool fail_alloc = false;
  std::vector<void*> allocated;
  std::multiset<const void*> freed;
};

// A plain top-level window as the dialog's owner.
class TTestWindow : public TWinControl {
 public:
  using TWinControl::TWinControl;

 protected:
  HWND CreateHandle() override;
};

// The text of a dialog control (ANSI).
std::string ControlText(HWND control);
// The width of the control's window, and of `text` in the control's font, in
// pixels: measured here, not by the code under test.
int WindowWidth(HWND control);
int TextWidthInControl(HWND control, const std::string& text);
// The system image list index of a path, as the shell gives it.
int SystemIconIndex(const std::string& path);
// The text of the selected item of the dialog's folder tree.
std::string SelectedTreeItemText(HWND dialog);
// The text of the tree's first root item.
std::string RootTreeItemText(HWND dialog);

}  // namespace merovix::test
