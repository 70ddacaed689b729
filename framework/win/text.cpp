#include "framework/win/text.h"

#include <windows.h>

namespace merovix {
namespace {

std::wstring ToWide(UINT code_page, std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(code_page, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring result(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(code_page, 0, text.data(), size, result.data(), length);
  return result;
}

std::string FromWide(UINT code_page, std::wstring_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::WideCharToMultiByte(code_page, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string result(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(code_page, 0, text.data(), size, result.data(), length, nullptr, nullptr);
  return result;
}

}  // namespace

std::wstring Utf8ToWide(std::string_view text) { return ToWide(CP_UTF8, text); }
std::wstring AnsiToWide(std::string_view text) { return ToWide(CP_ACP, text); }
std::string WideToUtf8(std::wstring_view text) { return FromWide(CP_UTF8, text); }
std::string AnsiToUtf8(std::string_view text) { return WideToUtf8(AnsiToWide(text)); }

void Utf8ToAnsi(const std::string& Text, std::string& Result) {
  // c_str() ends the text at its first NUL.
  Result = FromWide(CP_ACP, Utf8ToWide(Text.c_str()));
}

std::string AnsiUpperCase(std::string_view text) {
  std::string result(text);
  if (!result.empty()) ::CharUpperBuffA(result.data(), static_cast<DWORD>(result.size()));
  return result;
}

}  // namespace merovix
