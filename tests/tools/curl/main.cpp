// curl.exe of the test bed: Debian's curl behind the Windows command line.
#include "linux_tool_wrapper.h"

int main() { return testbed::RunLinuxTool(L"curl.sh", {L"-o", L"--stderr"}); }
