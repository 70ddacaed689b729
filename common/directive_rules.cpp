#include "common/directive_rules.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "common/shared_state.h"
#include "framework/strings.h"

namespace merovix {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

bool IsBlankLine(std::string_view line) {
  for (char c : line) {
    if (static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

bool StartsSection(std::string_view line) { return !line.empty() && line.front() == '['; }

// The whole file; false, and `bytes` empty, when it cannot be read.
bool LoadFileBytes(const std::string& path, std::string& bytes) {
  bytes.clear();
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  char buffer[16384];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) bytes.append(buffer, n);
  if (!std::ferror(file.get())) return true;
  bytes.clear();
  return false;
}

// The text before the first "=" of a line that holds one; nothing for a line
// without "=", which never matches a key.
std::optional<std::string_view> NameOf(std::string_view line) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return line.substr(0, eq);
}
std::string ValueOf(const std::string& line) { return line.substr(line.find('=') + 1); }

}  // namespace

bool LoadFileLines(const std::string& path, TStringList& lines) {
  std::string bytes;
  const bool loaded = LoadFileBytes(path, bytes);
  lines.SetText(bytes);
  return loaded;
}

std::vector<std::string> SectionLinesOf(std::string_view text, const std::string& section) {
  const std::string header = "[" + section + "]";
  std::vector<std::string> kept;
  bool found = false;
  ForEachLine(text, [&](std::string_view line) {
    if (line == header) {
      found = true;  // a repeated header is dropped and the section goes on
    } else if (found) {
      if (StartsSection(line)) return false;
      if (!IsBlankLine(line)) kept.emplace_back(line);
    }
    return true;
  });
  return kept;
}

void ReadIniSectionLines(const std::string& file_path, const std::string& section, TStringList& lines) {
  std::string bytes;
  LoadFileBytes(file_path, bytes);
  lines.Assign(SectionLinesOf(bytes, section));
}

void ReadIniSectionValue(const std::string& key, const std::string& file_path, const std::string& section,
                         std::string& result) {
  TStringList lines;
  ReadIniSectionLines(file_path, section, lines);
  for (const std::string& line : lines) {
    if (NameOf(line) == key) {
      result = ValueOf(line);
      return;
    }
  }
}

void ReadDirectiveValue(const std::string& key, const std::string& default_value, const std::string& section,
                        std::string& result) {
  result = default_value;
  if (!DirectiveList) return;
  const TStringList& list = *DirectiveList;
  const std::string header = "[" + section + "]";
  size_t begin = 0;
  while (begin < list.Count() && !AsciiSameText(list[begin], header)) ++begin;
  for (size_t i = begin; i < list.Count(); ++i) {
    if (i > begin && StartsSection(list[i])) break;
    const std::optional<std::string_view> name = NameOf(list[i]);
    if (name && AsciiSameText(*name, key)) result = ValueOf(list[i]);
  }
}

void SplitAtChar(std::string& text, char separator, std::string& head) {
  const size_t at = text.find(separator);
  if (at == std::string::npos) {
    head = text;
    text.clear();
  } else {
    head = text.substr(0, at);
    text.erase(0, at + 1);
  }
}

}  // namespace merovix
