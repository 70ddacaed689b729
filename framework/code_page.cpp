#include "framework/code_page.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace merovix {

bool IsAnsiLeadByte(unsigned char c) {
#ifdef _WIN32
  return ::IsDBCSLeadByte(c) != FALSE;
#else
  (void)c;
  return false;
#endif
}

}  // namespace merovix
