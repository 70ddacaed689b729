#include "common/paths.h"

#include "framework/code_page.h"

namespace merovix {
namespace {

size_t LastDelimiter(std::string_view path) { return path.find_last_of("\\:"); }

// True when the byte at `index` is the second byte of a double-byte character.
bool IsTrailByte(std::string_view path, size_t index) {
  size_t i = 0;
  while (i < index) i += IsAnsiLeadByte(static_cast<unsigned char>(path[i])) ? 2 : 1;
  return i != index;
}

}  // namespace

std::string StripTrailingDelimiter(std::string_view path) {
  if (!path.empty() && path.back() == '\\' && !IsTrailByte(path, path.size() - 1)) {
    path.remove_suffix(1);
  }
  return std::string(path);
}

std::string StripTrailingDelimiters(std::string_view path) {
  // Only the first backslash of the trailing run can be the second byte of a
  // character; every backslash after it starts one.
  size_t end = path.find_last_not_of('\\') + 1;
  if (end < path.size() && IsTrailByte(path, end)) ++end;
  return std::string(path.substr(0, end));
}

void SplitLastFolder(std::string& path, std::string& last_segment) {
  last_segment = LastSegment(path);
  path = StripTrailingDelimiter(FolderPart(path));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  return std::string(folder) + "\\" + std::string(name);
}

std::string FolderPart(std::string_view path) {
  const size_t pos = LastDelimiter(path);
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string LastSegment(std::string_view path) {
  const size_t pos = LastDelimiter(path);
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string ExtensionOf(std::string_view path) {
  const std::string name = LastSegment(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

bool IsFullyQualifiedPath(std::string_view path) {
  const bool drive = path.size() >= 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                     path[1] == ':' && path[2] == '\\';
  return drive || (path.size() > 2 && path.substr(0, 2) == "\\\\");
}

}  // namespace merovix
