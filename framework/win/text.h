#pragma once
// Explicit conversions between the process's ANSI code page, UTF-8 (texts for
// the user) and UTF-16 (what the wide Windows APIs show).
#include <string>
#include <string_view>

namespace merovix {

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
std::wstring AnsiToWide(std::string_view text);
std::string AnsiToUtf8(std::string_view text);
// UTF-8 to the ANSI code page, up to the first NUL; characters the code page
// lacks become the system's replacement.
void Utf8ToAnsi(const std::string& Text, std::string& Result);

// Upper-cases by the ANSI rules of the user's locale (CharUpperBuffA), so
// letters with accents are upper-cased too.
std::string AnsiUpperCase(std::string_view text);

}  // namespace merovix
