#pragma once
// The run-time layer's string list: an ordered list of 8-bit lines.
#include <string>
#include <string_view>
#include <vector>

namespace merovix {

class TStringList {
 public:
  void Clear() { lines_.clear(); }
  void Assign(std::vector<std::string> lines) { lines_ = std::move(lines); }
  void Add(std::string line) { lines_.push_back(std::move(line)); }
  void Delete(size_t index) { lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index)); }
  size_t Count() const { return lines_.size(); }
  bool Empty() const { return lines_.empty(); }
  const std::string& operator[](size_t index) const { return lines_[index]; }
  std::string& operator[](size_t index) { return lines_[index]; }
  auto begin() const { return lines_.begin(); }
  auto end() const { return lines_.end(); }
  const std::vector<std::string>& Lines() const { return lines_; }

  // Every line followed by CR LF.
  std::string Text() const;
  // Replaces the content by the lines of `text`: CR LF, a lone LF or a lone
  // CR ends a line, a NUL byte ends the text, and a last line without an end
  // still counts.
  void SetText(std::string_view text);

 private:
  std::vector<std::string> lines_;
};

// Calls `visit` with each line of `text` (a view into it) by the rules of
// TStringList::SetText, until `visit` returns false. One pass over the text.
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  text = text.substr(0, text.find('\0'));
  size_t start = 0;
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
    if (!visit(text.substr(start, end - start))) return;
    const bool crlf = end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n';
    start = end + (crlf ? 2 : 1);
  }
}

// The lines of `text` by the rules of TStringList::SetText.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace merovix
