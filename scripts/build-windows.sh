#!/usr/bin/env bash
# Builds the tree for Windows with mingw-w64: scripts/build-windows.sh [i686|x86_64]
# (i686, the release, by default) into build-windows-<arch>/ (or
# $DOVANEL_WINDOWS_BUILD_DIR): installs what it needs, cross-builds the static
# dependencies once, then configures and builds. Extra arguments go to cmake;
# $DOVANEL_BUILD_TARGETS (separated by spaces) builds only those. Then writes
# the release, dist/dovanel-<version>-windows-<arch>.zip: dovanel.exe, the
# archiver DLLs built, the README and the licence, nothing else.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-i686}
case "$arch" in
  i686) wine_arch=win32 ;;
  x86_64) wine_arch=win64 ;;
  *) echo "usage: $0 [i686|x86_64] [CMAKE_ARGUMENTS...]" >&2; exit 2 ;;
esac
[ $# -eq 0 ] || shift
build=${DOVANEL_WINDOWS_BUILD_DIR:-$root/build-windows-$arch}

"$root/scripts/setup-windows.sh"
"$root/scripts/windows-deps.sh" "$arch" "$build"
build=$(cd "$build" && pwd)
export CCACHE_BASEDIR=$root
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDOVANEL_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$arch.cmake" \
  -DDOVANEL_WINDOWS_DEPS_PREFIX="$build/deps/prefix" -DDOVANEL_WINE_PREFIX="$build/wine-$wine_arch" "$@" >&2
targets=()
for target in ${DOVANEL_BUILD_TARGETS:-}; do
  targets+=(--target "$target")
done
cmake --build "$build" -j"$(nproc)" "${targets[@]}" >&2

# The release: what the program needs beside the system's own DLLs, and no
# runtime of the compiler's (everything is linked statically).
program=$build/bin/dovanel.exe
[ -f "$program" ] || exit 0
imports=$("${arch}-w64-mingw32-objdump" -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p')
for dll in $imports; do
  case "${dll,,}" in
    kernel32.dll | user32.dll | gdi32.dll | shell32.dll | advapi32.dll | msvcrt.dll | bcrypt.dll | ole32.dll) ;;
    *) echo "build-windows: dovanel.exe imports $dll, which is no system DLL" >&2; exit 1 ;;
  esac
done
version=$(sed -n 's/^project(dovanel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
zip_file=$root/dist/dovanel-$version-windows-$arch.zip
# The binaries without their debugging sections (the build keeps them).
stage=$build/release
rm -rf "$stage"
mkdir -p "$stage" "$root/dist"
files=()
for binary in dovanel.exe UNLHA32.DLL UNZIP32.DLL ZIP32J.DLL LMZIP32.DLL CAB32.DLL UNARJ32J.DLL tar32.dll UNRAR32.DLL 7-ZIP32.DLL; do
  [ -f "$build/bin/$binary" ] || continue
  "${arch}-w64-mingw32-objcopy" --strip-debug "$build/bin/$binary" "$stage/$binary"
  files+=("$stage/$binary")
done
for text in README.md LICENSE LICENSE.txt COPYING; do
  [ -f "$root/$text" ] && files+=("$root/$text")
done
rm -f "$zip_file"
zip -q -j -X "$zip_file" "${files[@]}"
echo "build-windows: $zip_file (${#files[@]} files)" >&2
