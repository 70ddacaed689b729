#pragma once
// Owning wrappers for Win32 handles, in the manner of wil's unique_any: each
// handle is owned from the moment it is obtained and released exactly once.
// Mind the two sentinels: most handles are invalid as NULL, but CreateFile and
// CreateToolhelp32Snapshot fail with INVALID_HANDLE_VALUE.
#include <windows.h>
#include <shlobj.h>
#include <winsvc.h>

#include <type_traits>
#include <utility>

namespace merovix {

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
    if (old != InvalidValue()) Close(old);
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
    if (T* old = std::exchange(p_, nullptr)) old->Release();
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
    if (dc_ != nullptr) ::ReleaseDC(window_, dc_);
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
    if (previous_ != nullptr && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
  }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace merovix
