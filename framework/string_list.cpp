#include "framework/string_list.h"

namespace merovix {

std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  ForEachLine(text, [&lines](std::string_view line) {
    lines.emplace_back(line);
    return true;
  });
  return lines;
}

std::string TStringList::Text() const {
  size_t size = 0;
  for (const std::string& line : lines_) size += line.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& line : lines_) text.append(line).append("\r\n");
  return text;
}

void TStringList::SetText(std::string_view text) { lines_ = SplitLines(text); }

}  // namespace merovix
