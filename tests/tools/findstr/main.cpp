// findstr.exe of the test bed (Wine's own prints nothing): passes on the
// lines of standard input that contain the first argument, line ends kept.
// Exit code 0 when a line matched, 1 otherwise.
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string needle = argv[1];
  std::string input;
  char buffer[4096];
  DWORD read = 0;
  const HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  while (ReadFile(in, buffer, sizeof buffer, &read, nullptr) && read > 0) input.append(buffer, read);

  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  bool matched = false;
  size_t start = 0;
  while (start < input.size()) {
    size_t end = input.find('\n', start);
    end = end == std::string::npos ? input.size() : end + 1;
    const std::string line = input.substr(start, end - start);
    if (line.find(needle) != std::string::npos) {
      matched = true;
      DWORD written = 0;
      WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    start = end;
  }
  return matched ? 0 : 1;
}
