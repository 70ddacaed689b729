#pragma once
// Owning wrappers for Win32 handles and the other resources of the program,
// in the manner of wil's unique_any: each is owned from the moment it is
// obtained and released exactly once. Mind the two sentinels: most handles
// are invalid as NULL, but CreateFile and CreateToolhelp32Snapshot fail with
// INVALID_HANDLE_VALUE. Releasing never changes the thread's last error, so
// an owner that goes on the way out of a failed call does not hide its cause.
#include <windows.h>
#include <shlobj.h>
#include <winsvc.h>

#include <string>
#include <type_traits>
#include <utility>

namespace merovix {

namespace detail {
// Runs `release` and gives the thread back the last error it had before.
template <typename Release>
void KeepingLastError(Release release) {
  const DWORD error = ::GetLastError();
  release();
  ::SetLastError(error);
}
}  // namespace detail

template <typename T, auto Close, auto Invalid>
class UniqueAny {
 public:
  UniqueAny() = default;
  explicit UniqueAny(T value) : value_(value) {}
  UniqueAny(const UniqueAny&) = delete;
  UniqueAny& operator=(const UniqueAny&) = delete;
  UniqueAny(UniqueAny&& other) noexcept : value_(other.release()) {}
  UniqueAny& operator=(UniqueAny&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueAny() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return value_ != InvalidValue(); }
  T release() { return std::exchange(value_, InvalidValue()); }
  void reset(T value = InvalidValue()) {
    const T old = std::exchange(value_, value);
    if (old != InvalidValue()) detail::KeepingLastError([old] { Close(old); });
  }
  // For out-parameters: releases the current value first.
  T* put() {
    reset();
    return &value_;
  }

 private:
  static T InvalidValue() {
    if constexpr (std::is_same_v<decltype(Invalid), std::nullptr_t>) {
      return T{};
    } else {
      return reinterpret_cast<T>(static_cast<INT_PTR>(Invalid));  // INVALID_HANDLE_VALUE
    }
  }
  T value_ = InvalidValue();
};

namespace detail {
inline void CloseKernelHandle(HANDLE h) { ::CloseHandle(h); }
inline void CloseServiceHandle(SC_HANDLE h) { ::CloseServiceHandle(h); }
inline void CloseRegKey(HKEY h) { ::RegCloseKey(h); }
inline void CloseFind(HANDLE h) { ::FindClose(h); }
inline void CloseChangeNotification(HANDLE h) { ::FindCloseChangeNotification(h); }
inline void FreeCoTaskMem(void* p) { ::CoTaskMemFree(p); }
inline void FreeLocalMem(void* p) { ::LocalFree(p); }
inline void UnloadLibrary(HMODULE m) { ::FreeLibrary(m); }
inline void FreeProcessHeapMem(void* p) { ::HeapFree(::GetProcessHeap(), 0, p); }
inline void UnhookWinEvent(HWINEVENTHOOK h) { ::UnhookWinEvent(h); }
inline void FreeGlobalMem(void* p) { ::GlobalFree(p); }
inline void DeregisterEventSource(HANDLE h) { ::DeregisterEventSource(h); }
}  // namespace detail

// Process, thread, pipe, event handles: NULL when absent.
using UniqueHandle = UniqueAny<HANDLE, detail::CloseKernelHandle, nullptr>;
// CreateFile, CreateToolhelp32Snapshot: INVALID_HANDLE_VALUE when absent.
using UniqueFileHandle = UniqueAny<HANDLE, detail::CloseKernelHandle, -1>;
using UniqueFindHandle = UniqueAny<HANDLE, detail::CloseFind, -1>;
using UniqueChangeNotification = UniqueAny<HANDLE, detail::CloseChangeNotification, -1>;
using UniqueServiceHandle = UniqueAny<SC_HANDLE, detail::CloseServiceHandle, nullptr>;
using UniqueRegKey = UniqueAny<HKEY, detail::CloseRegKey, nullptr>;
using UniqueCoTaskMem = UniqueAny<void*, detail::FreeCoTaskMem, nullptr>;
// Buffers that the system allocates for the caller (FORMAT_MESSAGE_ALLOCATE_BUFFER).
using UniqueLocalMem = UniqueAny<void*, detail::FreeLocalMem, nullptr>;
// A DLL loaded with LoadLibrary(Ex).
using UniqueModule = UniqueAny<HMODULE, detail::UnloadLibrary, nullptr>;
// Memory that a function allocated for the caller on the process heap.
using UniqueProcessHeapMem = UniqueAny<void*, detail::FreeProcessHeapMem, nullptr>;
using UniqueWinEventHook = UniqueAny<HWINEVENTHOOK, detail::UnhookWinEvent, nullptr>;
// Strings that WinHTTP allocates for the caller (GlobalAlloc).
using UniqueGlobalMem = UniqueAny<void*, detail::FreeGlobalMem, nullptr>;
// RegisterEventSource.
using UniqueEventSource = UniqueAny<HANDLE, detail::DeregisterEventSource, nullptr>;

// Both handles of a started process (CreateProcess), each closed once.
class UniqueProcessInformation {
 public:
  UniqueProcessInformation() = default;
  UniqueProcessInformation(const UniqueProcessInformation&) = delete;
  UniqueProcessInformation& operator=(const UniqueProcessInformation&) = delete;
  UniqueProcessInformation(UniqueProcessInformation&& other) noexcept : info_(std::exchange(other.info_, {})) {}
  UniqueProcessInformation& operator=(UniqueProcessInformation&& other) noexcept {
    if (this != &other) {
      reset();
      info_ = std::exchange(other.info_, {});
    }
    return *this;
  }
  ~UniqueProcessInformation() { reset(); }

  HANDLE process() const { return info_.hProcess; }
  HANDLE thread() const { return info_.hThread; }
  DWORD process_id() const { return info_.dwProcessId; }
  explicit operator bool() const { return info_.hProcess != nullptr; }
  // For CreateProcess's out-parameter: releases what it holds first.
  PROCESS_INFORMATION* put() {
    reset();
    return &info_;
  }
  void reset() {
    const PROCESS_INFORMATION old = std::exchange(info_, {});
    const UniqueHandle process(old.hProcess), thread(old.hThread);
  }

 private:
  PROCESS_INFORMATION info_{};
};

// Memory committed in another process (VirtualAllocEx), freed there again.
// The process handle is borrowed: it must outlive this owner.
class UniqueRemoteMemory {
 public:
  UniqueRemoteMemory(HANDLE process, SIZE_T size)
      : process_(process),
        address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
  UniqueRemoteMemory(const UniqueRemoteMemory&) = delete;
  UniqueRemoteMemory& operator=(const UniqueRemoteMemory&) = delete;
  ~UniqueRemoteMemory() {
    if (address_ != nullptr)
      detail::KeepingLastError([this] { ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE); });
  }
  void* get() const { return address_; }
  explicit operator bool() const { return address_ != nullptr; }

 private:
  HANDLE process_;
  void* address_;
};

// Restores the process error mode when it goes out of scope.
class ScopedErrorMode {
 public:
  explicit ScopedErrorMode(UINT mode) : previous_(::SetErrorMode(mode)) {}
  ScopedErrorMode(const ScopedErrorMode&) = delete;
  ScopedErrorMode& operator=(const ScopedErrorMode&) = delete;
  ~ScopedErrorMode() { ::SetErrorMode(previous_); }

 private:
  UINT previous_;
};

// One reference to a COM interface, released when it goes out of scope.
template <typename T>
class UniqueComPtr {
 public:
  UniqueComPtr() = default;
  explicit UniqueComPtr(T* p) : p_(p) {}
  UniqueComPtr(const UniqueComPtr&) = delete;
  UniqueComPtr& operator=(const UniqueComPtr&) = delete;
  ~UniqueComPtr() { reset(); }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() {
    if (T* old = std::exchange(p_, nullptr)) detail::KeepingLastError([old] { old->Release(); });
  }
  // For out-parameters: releases the current reference first.
  T** put() {
    reset();
    return &p_;
  }

 private:
  T* p_ = nullptr;
};

// A window's device context (GetDC), released with ReleaseDC.
class UniqueWindowDC {
 public:
  explicit UniqueWindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
  UniqueWindowDC(const UniqueWindowDC&) = delete;
  UniqueWindowDC& operator=(const UniqueWindowDC&) = delete;
  ~UniqueWindowDC() {
    if (dc_ != nullptr) detail::KeepingLastError([this] { ::ReleaseDC(window_, dc_); });
  }
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a device context and the previous one back at the
// end; selects nothing for a NULL object.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(object != nullptr ? ::SelectObject(dc, object) : nullptr) {}
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;
  ~ScopedSelectObject() {
    if (previous_ != nullptr && previous_ != HGDI_ERROR)
      detail::KeepingLastError([this] { ::SelectObject(dc_, previous_); });
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A block from a shell allocator (IMalloc), given back to it at the end.
class ShellBlock {
 public:
  ShellBlock(IMalloc* allocator, void* block) : allocator_(allocator), block_(block) {}
  ShellBlock(const ShellBlock&) = delete;
  ShellBlock& operator=(const ShellBlock&) = delete;
  ~ShellBlock() { reset(); }
  void* get() const { return block_; }
  // For out-parameters: gives back the current block first.
  void** put() {
    reset();
    return &block_;
  }
  void reset() {
    if (void* old = std::exchange(block_, nullptr)) detail::KeepingLastError([this, old] { allocator_->Free(old); });
  }

 private:
  IMalloc* allocator_;
  void* block_;
};

// An environment block made for a user (CreateEnvironmentBlock), destroyed
// with the function of the DLL it came from, loaded at run time: the DLL
// must stay loaded while the block lives.
class UniqueEnvironmentBlock {
 public:
  using Destroy = BOOL(WINAPI*)(void*);
  explicit UniqueEnvironmentBlock(Destroy destroy) : destroy_(destroy) {}
  UniqueEnvironmentBlock(const UniqueEnvironmentBlock&) = delete;
  UniqueEnvironmentBlock& operator=(const UniqueEnvironmentBlock&) = delete;
  ~UniqueEnvironmentBlock() {
    if (block_ != nullptr && destroy_ != nullptr) detail::KeepingLastError([this] { destroy_(block_); });
  }
  void* get() const { return block_; }
  void** put() { return &block_; }

 private:
  Destroy destroy_;
  void* block_ = nullptr;
};

// This thread in a single-threaded COM apartment for the scope. It leaves
// the apartment only when it entered it (S_OK, or S_FALSE when it was in it
// already): a host that put the thread into another apartment
// (RPC_E_CHANGED_MODE) keeps its own initialisation.
class ScopedCoInitialize {
 public:
  ScopedCoInitialize() : result_(::CoInitialize(nullptr)) {}
  ScopedCoInitialize(const ScopedCoInitialize&) = delete;
  ScopedCoInitialize& operator=(const ScopedCoInitialize&) = delete;
  ~ScopedCoInitialize() {
    if (SUCCEEDED(result_)) detail::KeepingLastError([] { ::CoUninitialize(); });
  }
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

// Deletes a file at the end of the scope, also when an error passes by;
// `active` false: nothing.
class DeleteOnExit {
 public:
  DeleteOnExit(std::string path, bool active) : path_(std::move(path)), active_(active) {}
  DeleteOnExit(const DeleteOnExit&) = delete;
  DeleteOnExit& operator=(const DeleteOnExit&) = delete;
  ~DeleteOnExit() {
    if (active_) detail::KeepingLastError([this] { ::DeleteFileA(path_.c_str()); });
  }

 private:
  std::string path_;
  bool active_;
};

}  // namespace merovix
