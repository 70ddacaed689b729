#include "framework/strings.h"

namespace merovix {

namespace {

char AsciiUpperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string AsciiUpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = AsciiUpperChar(c);
  return result;
}

bool AsciiSameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpperChar(a[i]) != AsciiUpperChar(b[i])) return false;
  }
  return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  std::string result;
  size_t pos = 0;
  while (!from.empty()) {
    const size_t hit = text.find(from, pos);
    if (hit == std::string_view::npos) break;
    result.append(text.substr(pos, hit - pos)).append(to);
    pos = hit + from.size();
  }
  result.append(text.substr(pos));
  return result;
}

std::string UntilNul(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

std::string FormatOne(std::string_view pattern, std::string_view value) {
  for (const char* placeholder : {"%s", "%d"}) {
    const size_t hit = pattern.find(placeholder);
    if (hit != std::string_view::npos) {
      return std::string(pattern.substr(0, hit)).append(value).append(pattern.substr(hit + 2));
    }
  }
  return std::string(pattern);
}

}  // namespace merovix
