#include "browse/path_fitting.h"

#include "framework/code_page.h"

namespace merovix {
namespace {

const std::string kMarker = "...\\";

// Where the text's last character starts, counting a double-byte character
// of the ANSI code page as one.
size_t LastCharacterStart(const std::string& text) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    start = i;
    if (IsAnsiLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ++i;
  }
  return start;
}

}  // namespace

void ShortenDirectoryPart(std::string& dir) {
  if (dir == "\\") {
    dir.clear();
    return;
  }
  const bool leading_backslash = !dir.empty() && dir.front() == '\\';
  if (leading_backslash) dir.erase(0, 1);
  // A "...\" marker left by an earlier step; only the first character is looked at.
  if (!dir.empty() && dir.front() == '.') dir.erase(0, 4);
  const size_t backslash = dir.find('\\');
  if (backslash == std::string::npos) {
    dir.clear();
  } else {
    dir = kMarker + dir.substr(backslash + 1);
  }
  if (leading_backslash) dir.insert(0, 1, '\\');
}

std::string FitPathToWidth(const std::string& text, int width, const TextMeasure& measure) {
  std::string result = text;
  const size_t split = text.find_last_of("\\:");
  std::string dir = split == std::string::npos ? std::string() : text.substr(0, split + 1);
  const std::string name = split == std::string::npos ? text : text.substr(split + 1);
  std::string drive;
  if (dir.size() >= 2 && dir[1] == ':') {
    drive = dir.substr(0, 2);
    dir.erase(0, 2);
  }
  // Every step removes a folder, the marker or the drive, so the passes are
  // bounded by the text's length; the cap only guards against a mistake.
  for (size_t pass = 0; pass <= text.size() + 2; ++pass) {
    if ((dir.empty() && drive.empty()) || measure(result) <= width) break;
    if (dir == "\\...\\") {
      drive.clear();
      dir = kMarker;
    } else if (dir.empty()) {
      drive.clear();
    } else {
      ShortenDirectoryPart(dir);
    }
    result = drive + dir + name;
  }
  return result;
}

std::string FitTextToWidth(const std::string& text, int width, const TextMeasure& measure) {
  std::string work = text;
  std::string result = text;
  while (!work.empty() && measure(result) > width) {
    work.erase(LastCharacterStart(work));
    result = work + "...";
  }
  return result;
}

std::string RemoveTrailingBackslash(std::string_view path) {
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return std::string(path);
}

}  // namespace merovix
