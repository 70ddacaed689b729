#pragma once
// Shared by the fuzz targets: the input as text, cutting fields off it, and
// property checks. A broken property prints what failed and aborts, which
// libFuzzer reports as a finding together with the input that caused it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#define FUZZ_CHECK(condition) ((condition) ? (void)0 : ::fuzz::Fail(#condition, __FILE__, __LINE__))

namespace fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "property broken: %s (%s:%d)\n", what, file, line);
  std::abort();
}

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Cuts the text up to the first "\n" (or all of it) off `text`.
inline std::string TakeLine(std::string_view& text) {
  const std::size_t end = text.find('\n');
  std::string line(text.substr(0, end));
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  return line;
}

// Cuts one byte off the front of `text` (0 when it is empty).
inline unsigned char TakeByte(std::string_view& text) {
  if (text.empty()) return 0;
  const auto byte = static_cast<unsigned char>(text.front());
  text.remove_prefix(1);
  return byte;
}

inline bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The arguments of a command line's parameter part by the rules with which a
// Windows program splits its command line: blanks and tabs separate, double
// quotes group, 2n backslashes before a quote give n and a grouping quote,
// 2n+1 give n and a literal quote, "" inside a group gives a literal quote.
inline std::vector<std::string> SplitWindowsArguments(std::string_view line) {
  std::vector<std::string> args;
  std::size_t i = 0;
  while (true) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) return args;
    std::string arg;
    bool quoted = false;
    while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
      std::size_t backslashes = 0;
      while (i < line.size() && line[i] == '\\') ++backslashes, ++i;
      if (i < line.size() && line[i] == '"') {
        arg.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          arg.push_back('"');
        } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          arg.push_back('"');
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        arg.append(backslashes, '\\');
        if (backslashes == 0 && i < line.size()) arg.push_back(line[i++]);
      }
    }
    args.push_back(arg);
  }
}

}  // namespace fuzz
