// Fuzz target: the directive-list readers. Input: the section name up to the
// first "\n", the key up to the second, then the list itself (any bytes).
// Both readers are compared with the rules walked one line at a time, as
// simply as they can be written; the string list keeps its lines through a
// round trip; SplitAtChar puts the pieces back together.
#include <memory>
#include <string>
#include <vector>

#include "common/directive_rules.h"
#include "common/shared_state.h"
#include "framework/string_list.h"
#include "framework/strings.h"
#include "fuzz_support.h"

namespace {

using merovix::AsciiUpperCase;
using merovix::TStringList;

bool IsBlank(const std::string& line) {
  for (char c : line) {
    if (static_cast<unsigned char>(c) > ' ') return false;
  }
  return true;
}

// The section's lines by deleting what does not belong, line by line.
std::vector<std::string> ReferenceSectionLines(std::string_view text, const std::string& section) {
  TStringList lines;
  lines.SetText(text);
  const std::string header = "[" + section + "]";
  bool found = false;
  std::size_t i = 0;
  while (i < lines.Count()) {
    if (lines[i] == header) {
      lines.Delete(i);
      found = true;
    } else if (!found) {
      lines.Delete(i);
    } else if (!lines[i].empty() && lines[i][0] == '[') {
      while (lines.Count() > i) lines.Delete(lines.Count() - 1);
    } else if (IsBlank(lines[i])) {
      lines.Delete(i);
    } else {
      ++i;
    }
  }
  return found ? lines.Lines() : std::vector<std::string>();
}

// The directive value: letters a to z upper-cased, the last occurrence wins.
std::string ReferenceDirectiveValue(const TStringList& list, const std::string& key, const std::string& section,
                                    const std::string& fallback) {
  std::string result = fallback;
  std::size_t begin = 0;
  while (begin < list.Count() && AsciiUpperCase(list[begin]) != AsciiUpperCase("[" + section + "]")) ++begin;
  for (std::size_t i = begin; i < list.Count(); ++i) {
    if (i > begin && !list[i].empty() && list[i][0] == '[') break;
    const std::size_t eq = list[i].find('=');
    if (eq != std::string::npos && AsciiUpperCase(list[i].substr(0, eq)) == AsciiUpperCase(key)) {
      result = list[i].substr(eq + 1);
    }
  }
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = fuzz::AsText(data, size);
  const std::string section = fuzz::TakeLine(input);
  const std::string key = fuzz::TakeLine(input);
  const std::string_view text = input;

  const std::vector<std::string> lines = merovix::SectionLinesOf(text, section);
  FUZZ_CHECK(lines == ReferenceSectionLines(text, section));
  for (const std::string& line : lines) {
    FUZZ_CHECK(!IsBlank(line) && line[0] != '[');
    FUZZ_CHECK(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
  }

  merovix::DirectiveList = std::make_unique<TStringList>();
  merovix::DirectiveList->SetText(text);
  const std::string fallback = "<fallback>";
  std::string value;
  merovix::ReadDirectiveValue(key, fallback, section, value);
  FUZZ_CHECK(value == ReferenceDirectiveValue(*merovix::DirectiveList, key, section, fallback));

  // The list's text splits into the same lines again.
  TStringList again;
  again.SetText(merovix::DirectiveList->Text());
  FUZZ_CHECK(again.Lines() == merovix::DirectiveList->Lines());
  merovix::DirectiveList.reset();

  std::string rest = value, head;
  merovix::SplitAtChar(rest, '^', head);
  FUZZ_CHECK(head.find('^') == std::string::npos);
  FUZZ_CHECK(value.find('^') == std::string::npos ? head == value && rest.empty() : head + "^" + rest == value);
  return 0;
}
