#include "bench/reader_cases.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "bench/timing.h"
#include "common/directive_rules.h"
#include "common/shared_state.h"

namespace merovix::bench {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string Numbered(const char* format, unsigned n) {
  char text[160];
  const int length = std::snprintf(text, sizeof(text), format, n, n);
  return std::string(text, length > 0 ? static_cast<size_t>(length) : 0);
}

// Numbered lines from `line_format` (under a numbered section header every
// 20 lines when `section_format` is given) up to about `bytes` bytes, then
// `tail`.
std::string FillThenEnd(size_t bytes, const char* section_format, const char* line_format, const std::string& tail) {
  std::string text;
  text.reserve(bytes + 256);
  for (unsigned n = 0; text.size() + tail.size() < bytes; ++n) {
    if (section_format != nullptr && n % 20 == 0) text += Numbered(section_format, n / 20);
    text += Numbered(line_format, n);
  }
  return text + tail;
}

}  // namespace

std::string DirectiveListText(size_t bytes) {
  return FillThenEnd(bytes, "[Dokumente%06u]\r\n",
                     "Dokument%06u=https://localhost/fileadmin/files/merovix/dokumente/%06u.pdf^Handbuch\r\n",
                     std::string("[Update]\r\nUpdateFilename=") + kListedUrl + "\r\n");
}

std::string SettingsText(size_t bytes) {
  return "[Parameter]\r\n" + FillThenEnd(bytes, nullptr, "Schluessel%06u=Wert %06u\r\n",
                                         std::string("Benchmark=") + kSettingsValue + "\r\n");
}

bool WriteTextFile(const std::string& path, const std::string& text) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  return file && std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
}

std::vector<ReaderCase> PortableReaderCases(const std::string& folder, size_t bytes) {
  const std::string path = (std::filesystem::path(folder) / "list.ini").string();
  const auto text = std::make_shared<const std::string>(DirectiveListText(bytes));
  auto write_list = [path, text](unsigned repetition) {
    if (repetition == 0) WriteTextFile(path, *text);  // reading leaves it as it is
  };
  return {
      // The baseline: only the file's bytes into memory.
      {"bytes", write_list,
       [path](unsigned) {
         std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
         std::string bytes_read;
         char buffer[1 << 16];
         for (size_t n; file && (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) {
           bytes_read.append(buffer, n);
         }
         return std::to_string(bytes_read.size());
       },
       std::to_string(text->size())},
      {"section", write_list,
       [path](unsigned) {
         std::string value;
         ReadIniSectionValue("UpdateFilename", path, "Update", value);
         return value;
       },
       kListedUrl},
      {"directive", write_list,
       [path](unsigned) {
         DirectiveList = std::make_unique<TStringList>();
         LoadFileLines(path, *DirectiveList);
         std::string value;
         ReadDirectiveValue("UpdateFilename", "", "Update", value);
         return value;
       },
       kListedUrl},
  };
}

int ReaderMain(int argc, char** argv,
               const std::function<std::vector<ReaderCase>(const std::string& folder, size_t bytes)>& make_cases) {
  if (argc != 4 && argc != 5) {
    std::fprintf(stderr, "usage: METHOD BYTES REPETITIONS [BUDGET_MS]\n");
    return 2;
  }
  const std::string method = argv[1];
  const unsigned long long requested = std::strtoull(argv[2], nullptr, 10);
  const size_t bytes = static_cast<size_t>(requested);
  if (bytes != requested) {  // more than a 32-bit build can hold
    std::fprintf(stderr, "BYTES too large: %s\n", argv[2]);
    return 2;
  }
  const unsigned repetitions = static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10));
  const double budget_ms = argc == 5 ? std::strtod(argv[4], nullptr) : 0;
  for (const ReaderCase& reader : make_cases(std::filesystem::current_path().string(), bytes)) {
    if (reader.name != method) continue;
    std::vector<double> times;
    double spent_ms = 0;
    for (unsigned i = 0; i < repetitions && (i == 0 || budget_ms <= 0 || spent_ms < budget_ms); ++i) {
      reader.prepare(i);
      std::string value;
      times.push_back(MillisecondsOf([&] { value = reader.read(i); }));
      spent_ms += times.back();
      if (value != reader.expected) {
        std::fprintf(stderr, "%s read \"%s\" instead of \"%s\"\n", method.c_str(), value.c_str(),
                     reader.expected.c_str());
        return 1;
      }
    }
    std::printf("ms=%s\n", JoinTimes(times).c_str());
    return 0;
  }
  std::fprintf(stderr, "unknown method %s\n", method.c_str());
  return 1;
}

}  // namespace merovix::bench
