# Cross build for 32-bit Windows with MinGW-w64 (posix thread model).
# Its tests run under Wine's WoW64, as a 32-bit process on 64-bit Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
