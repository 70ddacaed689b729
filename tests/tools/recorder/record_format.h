#pragma once
// The text format of the recorder's log and configuration: values are byte
// strings in which "%", bytes below 0x20 and 0x7F are written as %XX (two
// upper-case hex digits). Header-only, used by the recorder and its tests.
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace recorder {

inline std::string Encode(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || b == '%') {
      text += '%';
      text += kHex[b >> 4];
      text += kHex[b & 15];
    } else {
      text += c;
    }
  }
  return text;
}

inline int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// A "%" not followed by two hex digits stays as it is.
inline std::string Decode(std::string_view text) {
  std::string bytes;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      bytes += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      bytes += text[i];
    }
  }
  return bytes;
}

// One log line: fields "key=value" separated by tabs, values encoded.
using Record = std::map<std::string, std::string>;

inline std::string FormatRecord(const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string line;
  for (const auto& [key, value] : fields) {
    if (!line.empty()) line += '\t';
    line += key + "=" + Encode(value);
  }
  return line + "\n";
}

inline Record ParseRecord(std::string_view line) {
  Record record;
  while (!line.empty()) {
    const size_t tab = line.find('\t');
    const std::string_view field = line.substr(0, tab);
    const size_t eq = field.find('=');
    if (eq != std::string_view::npos) record[std::string(field.substr(0, eq))] = Decode(field.substr(eq + 1));
    if (tab == std::string_view::npos) break;
    line.remove_prefix(tab + 1);
  }
  return record;
}

inline std::vector<Record> ParseLog(std::string_view text) {
  std::vector<Record> records;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    if (!line.empty()) records.push_back(ParseRecord(line));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return records;
}

}  // namespace recorder
