// Stands for a downloaded program or a document viewer: appends the command
// line it was started with to C:\started.log, so tests see what was started.
#include <windows.h>

#include <cstring>

int main() {
  HANDLE log = CreateFileA("C:\\started.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (log == INVALID_HANDLE_VALUE) return 1;
  const char* command_line = GetCommandLineA();
  DWORD written = 0;
  WriteFile(log, command_line, static_cast<DWORD>(std::strlen(command_line)), &written, nullptr);
  WriteFile(log, "\r\n", 2, &written, nullptr);
  CloseHandle(log);
  return 0;
}
