// wget.exe of the test bed: Debian's wget behind the Windows command line.
#include "linux_tool_wrapper.h"

int main() { return testbed::RunLinuxTool(L"wget.sh", {L"-P", L"-o"}); }
