#pragma once
// Facts about the process's ANSI code page.

namespace merovix {

// True when `c` starts a double-byte character in the ANSI code page
// (always false on single-byte code pages and in native builds).
bool IsAnsiLeadByte(unsigned char c);

}  // namespace merovix
