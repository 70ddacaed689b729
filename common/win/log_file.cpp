#include "common/win/log_file.h"

#include <windows.h>

#include "common/win/file_system.h"
#include "framework/win/handles.h"

namespace merovix {
namespace {

bool SeekTo(HANDLE file, std::uint64_t offset, DWORD origin) {
  LARGE_INTEGER distance;
  distance.QuadPart = static_cast<LONGLONG>(offset);
  return ::SetFilePointerEx(file, distance, nullptr, origin) != FALSE;
}

// Rewrites the file through the same handle with only its newer part, so the
// cut never names a file of its own.
bool CutLog(HANDLE file, std::uint64_t size) {
  const std::uint64_t offset = LogCutOffset(size);
  std::string newer(static_cast<size_t>(size - offset), '\0');
  DWORD read = 0;
  if (!SeekTo(file, offset, FILE_BEGIN) ||
      !::ReadFile(file, newer.data(), static_cast<DWORD>(newer.size()), &read, nullptr)) {
    return false;
  }
  newer.resize(read);
  return SeekTo(file, 0, FILE_BEGIN) && WriteAll(file, LogAfterCut(newer)) && ::SetEndOfFile(file);
}

}  // namespace

bool AppendToLogFile(const std::string& path, const std::string& text) {
  // Opened without following a reparse point, so that the checks below see
  // what lies at the name itself. Others may read while we write.
  const UniqueFileHandle file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                                            nullptr));
  std::uint64_t size = 0;
  if (!file || !IsPlainFileOfOneName(file.get(), size)) return false;
  if (LogNeedsCut(size, text.size())) {
    if (!CutLog(file.get(), size)) return false;
  } else if (size == 0 && !WriteAll(file.get(), kUtf8Bom)) {
    return false;
  }
  return SeekTo(file.get(), 0, FILE_END) && WriteAll(file.get(), text);
}

LocalTimestamp LocalTimestampNow() {
  SYSTEMTIME utc{}, local{};
  ::GetSystemTime(&utc);
  // The offset that holds at this moment, summer time included.
  if (!::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
  FILETIME utc_time{}, local_time{};
  ::SystemTimeToFileTime(&utc, &utc_time);
  ::SystemTimeToFileTime(&local, &local_time);
  const auto ticks = [](const FILETIME& t) {
    return static_cast<LONGLONG>((std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime);
  };
  constexpr LONGLONG kTicksPerMinute = 60LL * 10000000LL;
  const LONGLONG offset_ticks = ticks(local_time) - ticks(utc_time);
  // Both times carry the same seconds: the difference is whole minutes.
  const int offset = static_cast<int>(offset_ticks / kTicksPerMinute);
  return LocalTimestamp{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond, offset};
}

}  // namespace merovix
