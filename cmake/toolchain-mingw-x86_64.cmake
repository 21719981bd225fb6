# 64-bit Windows with Debian's mingw-w64 (posix threads); run under wine64.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(DOVANEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(DOVANEL_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
