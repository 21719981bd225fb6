#!/usr/bin/env bash
# Builds the tree for Windows with mingw-w64: scripts/build-windows.sh [i686|x86_64]
# (i686, the release, by default) into build-windows-<arch>/ (or
# $DOVANEL_WINDOWS_BUILD_DIR): installs what it needs, cross-builds the static
# dependencies once, then configures and builds. Extra arguments go to cmake;
# $DOVANEL_BUILD_TARGETS (separated by spaces) builds only those. Then writes
# the release, dist/dovanel-<version>-windows-<arch>.zip, with
# scripts/windows-release.sh (not when $DOVANEL_WINDOWS_RELEASE is "no").
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

# The release. After a build of chosen targets it is written only when all
# it holds was built (the suites' targets hold it); after a whole build a
# missing part is an error.
[ "${DOVANEL_WINDOWS_RELEASE:-yes}" != no ] || exit 0
version=$(sed -n 's/^project(dovanel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
complete=()
[ ${#targets[@]} -eq 0 ] || complete=(--if-complete)
"$root/scripts/windows-release.sh" "${complete[@]}" "$arch" "$build" "$root/dist/dovanel-$version-windows-$arch.zip"
