// Fuzz target: fitting a status text to a width through a measuring function.
// Input: the width (first byte, doubled), how to measure (second byte), the
// text. The measure is additive with per-byte widths, always 0 ("cannot be
// measured"), or erratic (neither additive nor growing with the text). In
// every case the result fits the width unless it cannot be shortened further,
// keeps what must stay, and the loops ask for a bounded number of measures.
#include <string>

#include "browse/path_fitting.h"
#include "fuzz_support.h"

namespace {

using fuzz::EndsWith;

merovix::TextMeasure MeasureFor(unsigned char mode, int& calls) {
  return [mode, &calls](const std::string& text) {
    ++calls;
    if (mode % 4 == 0) return 0;
    int width = 0;
    unsigned hash = mode;
    for (unsigned char c : text) {
      width += (c ^ mode) % 7;
      hash = hash * 31 + c;
    }
    return mode % 4 == 3 ? static_cast<int>(hash % 512) : width;
  };
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = fuzz::AsText(data, size);
  const int width = 2 * fuzz::TakeByte(input);
  const unsigned char mode = fuzz::TakeByte(input);
  const std::string text(input);
  int calls = 0;
  const merovix::TextMeasure measure = MeasureFor(mode, calls);
  const auto bound = static_cast<int>(text.size()) + 4;

  const std::string fitted_text = merovix::FitTextToWidth(text, width, measure);
  FUZZ_CHECK(calls <= bound);
  if (measure(text) <= width || text.empty()) {
    FUZZ_CHECK(fitted_text == text);
  } else {
    // Cut at the end and marked, at the first length that fits or at nothing.
    FUZZ_CHECK(EndsWith(fitted_text, "..."));
    const std::string kept = fitted_text.substr(0, fitted_text.size() - 3);
    FUZZ_CHECK(kept.size() < text.size() && text.compare(0, kept.size(), kept) == 0);
    FUZZ_CHECK(measure(fitted_text) <= width || kept.empty());
  }

  calls = 0;
  const std::string fitted_path = merovix::FitPathToWidth(text, width, measure);
  FUZZ_CHECK(calls <= bound);
  const std::size_t split = text.find_last_of("\\:");
  const std::string name = split == std::string::npos ? text : text.substr(split + 1);
  // The last name is never cut; only a path reduced to it may stay too wide.
  FUZZ_CHECK(EndsWith(fitted_path, name));
  if (measure(text) <= width || split == std::string::npos) {
    FUZZ_CHECK(fitted_path == text);
  } else {
    FUZZ_CHECK(measure(fitted_path) <= width || fitted_path == name);
  }
  return 0;
}
