#pragma once
// Reading the directive list and the settings file at growing sizes, with
// the entry looked up at the very end: the case that costs a reader most.
// The portable readers are measured natively and under Wine; the Windows
// tool adds the cases that need the system (code-page conversion, the
// profile functions).
#include <functional>
#include <string>
#include <vector>

namespace merovix::bench {

// The URL that the lists below give for [Update] UpdateFilename.
inline constexpr char kListedUrl[] = "https://localhost/fileadmin/files/merovix/Merovix_Update_.exe";
// The value that the settings files below give for [Parameter] Benchmark.
inline constexpr char kSettingsValue[] = "am Ende gefunden";

// A directive list of about `bytes` bytes: sections of document entries,
// then [Update] with UpdateFilename as the last line.
std::string DirectiveListText(size_t bytes);
// A settings file of about `bytes` bytes: one [Parameter] section whose last
// key is "Benchmark".
std::string SettingsText(size_t bytes);

struct ReaderCase {
  std::string name;
  // Writes what the read needs (untimed); called before every repetition.
  std::function<void(unsigned repetition)> prepare;
  // The timed read; returns the value found.
  std::function<std::string(unsigned repetition)> read;
  std::string expected;
};

// "bytes" (the list file read into memory: the baseline), "section"
// (ReadIniSectionValue on the list file) and "directive" (LoadFileLines into
// DirectiveList, then ReadDirectiveValue), working on files in `folder`.
std::vector<ReaderCase> PortableReaderCases(const std::string& folder, size_t bytes);

// Writes `text` to `path`; false when it cannot.
bool WriteTextFile(const std::string& path, const std::string& text);

// METHOD BYTES REPETITIONS [BUDGET_MS]: runs the case named METHOD and
// prints "ms=<times>"; a slow reader is repeated only while the reads so far
// took less than BUDGET_MS. Exit code 1 when a read found the wrong value or
// the case is unknown, 2 on wrong usage. `make_cases` gets the current folder
// and BYTES.
int ReaderMain(int argc, char** argv,
               const std::function<std::vector<ReaderCase>(const std::string& folder, size_t bytes)>& make_cases);

}  // namespace merovix::bench
