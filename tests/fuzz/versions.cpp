// Fuzz target: version texts and key pins, both read from outside (the
// registry, the build). A version is known exactly when a plain reading
// finds one to four decimal numbers of 32 bits, not all zero, between
// blanks; it reads back from its own text; its order is that of its
// numbers. A key is pinned only when one entry is that very digest.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>
#include <vector>

#include "common/signature_rules.h"
#include "common/version_rules.h"
#include "fuzz_support.h"

namespace {

using merovix::ProductVersion;

// The second reading: split at dots, each part all digits and at most 32 bits.
std::optional<std::vector<std::uint32_t>> PlainNumbers(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  std::vector<std::uint32_t> numbers;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = std::min(text.find('.', start), text.size());
    const std::string_view part = text.substr(start, dot - start);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (part.empty() || error != std::errc() || end != part.data() + part.size() || value > UINT32_MAX ||
        !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return std::nullopt;
    }
    numbers.push_back(static_cast<std::uint32_t>(value));
    if (dot == text.size()) break;
    start = dot + 1;
  }
  if (numbers.size() > 4 || std::all_of(numbers.begin(), numbers.end(), [](std::uint32_t n) { return n == 0; })) {
    return std::nullopt;
  }
  numbers.resize(4, 0);
  return numbers;
}

void CheckVersion(std::string_view text, const std::optional<ProductVersion>& version) {
  const auto plain = PlainNumbers(text);
  FUZZ_CHECK(version.has_value() == plain.has_value());
  if (!version) return;
  FUZZ_CHECK(std::equal(plain->begin(), plain->end(), version->numbers.begin()));
  const auto again = merovix::ParseVersion(version->Text());
  FUZZ_CHECK(again && *again == *version);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = fuzz::AsText(data, size);
  const std::string a = fuzz::TakeLine(input);
  const std::string b = fuzz::TakeLine(input);
  const auto va = merovix::ParseVersion(a), vb = merovix::ParseVersion(b);
  CheckVersion(a, va);
  CheckVersion(b, vb);
  if (va && vb) {
    FUZZ_CHECK((*va < *vb) == (va->numbers < vb->numbers));
    FUZZ_CHECK(merovix::IsOlderThanInstalled(va, vb) == (*va < *vb));
  }

  // a: a key digest, b: the pins.
  if (merovix::IsPinnedKey(a, b)) {
    FUZZ_CHECK(a.size() == 64);
    bool listed = false;
    std::string_view pins = b;
    for (std::size_t start = 0; start <= pins.size();) {
      const std::size_t end = std::min(pins.find(';', start), pins.size());
      std::string entry(pins.substr(start, end - start));
      entry.erase(0, entry.find_first_not_of(' '));
      entry.erase(entry.find_last_not_of(' ') + 1);
      listed = listed || std::equal(entry.begin(), entry.end(), a.begin(), a.end(), [](char x, char y) {
                 return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
               });
      start = end + 1;
    }
    FUZZ_CHECK(listed);
  }
  return 0;
}
