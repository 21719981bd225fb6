# 32-bit Windows with Debian's mingw-w64 (posix threads); run under wine32.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(DOVANEL_MINGW_TRIPLE i686-w64-mingw32)
set(DOVANEL_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
