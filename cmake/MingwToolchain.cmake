# What both mingw-w64 toolchain files share; they set DOVANEL_MINGW_TRIPLE and
# DOVANEL_WINE_ARCH first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model: std::thread and std::mutex need it.
set(CMAKE_C_COMPILER ${DOVANEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DOVANEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DOVANEL_MINGW_TRIPLE}-windres)
# The compilers' "-posix" ending hides the binutils' prefix from CMake.
set(CMAKE_AR ${DOVANEL_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${DOVANEL_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# The cross-built dependencies (scripts/windows-deps.sh) sit beside the
# compilers' own folder; nothing of the build machine is taken.
set(DOVANEL_WINDOWS_DEPS_PREFIX "" CACHE PATH "Where scripts/windows-deps.sh installed the static dependencies")
set(CMAKE_FIND_ROOT_PATH /usr/${DOVANEL_MINGW_TRIPLE} ${DOVANEL_WINDOWS_DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# zlib has both an import library and a static one; the others are built
# static only.
set(ZLIB_USE_STATIC_LIBS ON)

# libgcc, libstdc++ and winpthread go into every program and DLL.
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-static")
endforeach()

# Programs (tests, try_run) run under wine with a prefix of the build's own,
# one for the whole build, made on first use.
set(DOVANEL_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-${DOVANEL_WINE_ARCH}" CACHE PATH "The wine prefix programs of this build run in")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh ${DOVANEL_WINE_ARCH} ${DOVANEL_WINE_PREFIX})
# try_compile projects read this file again in a folder of their own: they
# keep the build's prefixes.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DOVANEL_WINDOWS_DEPS_PREFIX DOVANEL_WINE_PREFIX)
