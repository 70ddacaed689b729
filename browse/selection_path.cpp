#include "browse/selection_path.h"

namespace merovix {

std::string FormatSelectionPath(const std::string& text) {
  if (text.empty()) return text;
  if (text.size() < 4 && text.size() >= 2 && text[1] == ':') {
    return text.size() == 2 ? text + "\\" : text;
  }
  if (text != "\\" && text.back() == '\\') return text.substr(0, text.size() - 1);
  return text;
}

std::string AssignedSelection(const std::string& text, const std::function<bool(const std::string&)>& dir_exists) {
  if (!text.empty() && text.back() != '\\' && dir_exists(text)) return text + "\\";
  return text;
}

}  // namespace merovix
