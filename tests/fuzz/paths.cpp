// Fuzz target: the path helpers on any 8-bit path. The parts of a path put
// back together give the path; each helper removes at most what it says; the
// directory-shortening step always comes to an end.
#include <string>

#include "browse/path_fitting.h"
#include "browse/selection_path.h"
#include "common/paths.h"
#include "common/transfer_commands.h"
#include "fuzz_support.h"

namespace {

using fuzz::EndsWith;

// `shorter` is `text` without one trailing backslash, or `text` itself.
bool LosesAtMostOneBackslash(const std::string& text, const std::string& shorter) {
  return shorter == text || (EndsWith(text, "\\") && shorter == text.substr(0, text.size() - 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path(fuzz::AsText(data, size));

  const std::string folder = merovix::FolderPart(path), last = merovix::LastSegment(path);
  FUZZ_CHECK(folder + last == path);
  FUZZ_CHECK(last.find_first_of("\\:") == std::string::npos);
  FUZZ_CHECK(folder.empty() || EndsWith(folder, "\\") || EndsWith(folder, ":"));

  const std::string extension = merovix::ExtensionOf(path);
  FUZZ_CHECK(extension.empty() ||
             (extension[0] == '.' && EndsWith(last, extension) && extension.find('.', 1) == std::string::npos));

  FUZZ_CHECK(LosesAtMostOneBackslash(path, merovix::StripTrailingDelimiter(path)));
  FUZZ_CHECK(LosesAtMostOneBackslash(path, merovix::RemoveTrailingBackslash(path)));
  // Stripping every trailing backslash is stripping one until none is left.
  std::string stripped = path;
  for (std::string shorter = merovix::StripTrailingDelimiter(stripped); shorter != stripped;
       shorter = merovix::StripTrailingDelimiter(stripped)) {
    stripped = shorter;
  }
  FUZZ_CHECK(merovix::StripTrailingDelimiters(path) == stripped);

  std::string parent = path, segment;
  merovix::SplitLastFolder(parent, segment);
  FUZZ_CHECK(segment == last && parent == merovix::StripTrailingDelimiter(folder));

  const std::string target = merovix::DownloadTargetFolder(path, "C:\\P");
  FUZZ_CHECK(!target.empty() && !EndsWith(target, "\\"));
  FUZZ_CHECK(target == "C:\\P" || path.compare(0, target.size(), target) == 0);

  const std::string selection = merovix::FormatSelectionPath(path);
  FUZZ_CHECK(LosesAtMostOneBackslash(path, selection) ||
             (path.size() == 2 && path[1] == ':' && selection == path + "\\"));
  int asked = 0;
  const std::string assigned = merovix::AssignedSelection(path, [&asked](const std::string&) { return ++asked > 0; });
  FUZZ_CHECK(assigned == (path.empty() || EndsWith(path, "\\") ? path : path + "\\"));
  FUZZ_CHECK(asked == (path.empty() || EndsWith(path, "\\") ? 0 : 1));

  // Shortening the folder part step by step ends with nothing left.
  std::string dir = folder;
  std::size_t steps = 0;
  while (!dir.empty() && steps <= folder.size() + 3) {
    merovix::ShortenDirectoryPart(dir);
    ++steps;
  }
  FUZZ_CHECK(dir.empty());
  return 0;
}
