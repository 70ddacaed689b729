#include "common/directive_rules.h"

#include <cstdio>
#include <memory>

#include "common/shared_state.h"
#include "framework/strings.h"

namespace merovix {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

bool IsBlankLine(const std::string& line) {
  for (char c : line) {
    if (static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

// The text before the first "=" (empty when the line holds none), and the
// text after it.
std::string NameOf(const std::string& line) {
  const size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}
std::string ValueOf(const std::string& line) { return line.substr(line.find('=') + 1); }

}  // namespace

bool LoadFileLines(const std::string& path, TStringList& lines) {
  lines.Clear();
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  std::string bytes;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) bytes.append(buffer, n);
  if (std::ferror(file.get())) return false;
  lines.SetText(bytes);
  return true;
}

void KeepSectionLines(TStringList& lines, const std::string& section) {
  const std::string header = "[" + section + "]";
  bool found = false;
  size_t i = 0;
  while (i < lines.Count()) {
    if (lines[i] == header) {
      lines.Delete(i);
      found = true;
    } else if (!found) {
      lines.Delete(i);
    } else if (!lines[i].empty() && lines[i][0] == '[') {
      while (lines.Count() > i) lines.Delete(lines.Count() - 1);
    } else if (IsBlankLine(lines[i])) {
      lines.Delete(i);
    } else {
      ++i;
    }
  }
  if (!found) lines.Clear();
}

void ReadIniSectionLines(const std::string& file_path, const std::string& section, TStringList& lines) {
  LoadFileLines(file_path, lines);
  KeepSectionLines(lines, section);
}

void ReadIniSectionValue(const std::string& key, const std::string& file_path, const std::string& section,
                         std::string& result) {
  TStringList lines;
  ReadIniSectionLines(file_path, section, lines);
  for (const std::string& line : lines) {
    if (line.find('=') != std::string::npos && NameOf(line) == key) {
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
  const std::string header = AsciiUpperCase("[" + section + "]");
  size_t begin = 0;
  while (begin < list.Count() && AsciiUpperCase(list[begin]) != header) ++begin;
  if (begin == list.Count()) return;
  const std::string wanted = AsciiUpperCase(key);
  for (size_t i = begin; i < list.Count(); ++i) {
    if (i > begin && !list[i].empty() && list[i][0] == '[') break;
    if (list[i].find('=') != std::string::npos && AsciiUpperCase(NameOf(list[i])) == wanted) {
      result = ValueOf(list[i]);
    }
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
