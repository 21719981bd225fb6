#!/usr/bin/env bash
# Builds the smoke check for Windows and runs it under wine:
#   tools/windows-smoke/run.sh [i686|x86_64] [BUILD_DIR]
# (default i686 in build-windows-<arch>/). It fails when the DLL or the program
# needs a DLL Windows does not ship (the C++ runtime, winpthread, zlib...), or
# when the listing of a tar.gz and of ZIPs with Japanese names (UTF-8, and
# CP932 read with hdrcharset=CP932) differs from what was put in them.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
arch=${1:-i686}
case "$arch" in
  i686) wine_arch=win32 ;;
  x86_64) wine_arch=win64 ;;
  *) echo "usage: $0 [i686|x86_64] [BUILD_DIR]" >&2; exit 2 ;;
esac
build=${2:-$root/build-windows-$arch}

"$root/scripts/setup-windows.sh"
"$root/scripts/windows-deps.sh" "$arch" "$build"
build=$(cd "$build" && pwd)
smoke=$build/windows-smoke
cmake -S "$root/tools/windows-smoke" -B "$smoke" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-$arch.cmake" \
  -DDOVANEL_WINDOWS_DEPS_PREFIX="$build/deps/prefix" -DDOVANEL_WINE_PREFIX="$build/wine-$wine_arch" >/dev/null
cmake --build "$smoke" -j"$(nproc)" >/dev/null

# Only what every Windows has may be imported.
status=0
for binary in "$smoke/bin/windows_smoke.exe" "$smoke/bin/SMOKELST.DLL"; do
  imports=$("$arch-w64-mingw32-objdump" -p "$binary" | sed -n 's/^\tDLL Name: //p' | tr 'a-z' 'A-Z' | sort -u)
  foreign=$(grep -vxE 'KERNEL32.DLL|MSVCRT.DLL|ADVAPI32.DLL|BCRYPT.DLL|USER32.DLL|API-MS-WIN-.*' <<<"$imports" || true)
  if [ -n "$foreign" ]; then
    echo "windows-smoke: $(basename "$binary") needs $(echo $foreign)" >&2
    status=1
  fi
  echo "windows-smoke: $(basename "$binary") imports $(echo $imports)" >&2
done

fixtures=$smoke/fixtures
rm -rf "$fixtures"
python3 "$root/tools/windows-smoke/make_fixtures.py" "$fixtures"
cd "$fixtures"
start=$SECONDS
if ! TZ=UTC "$root/cmake/wine-run.sh" "$wine_arch" "$build/wine-$wine_arch" "$smoke/bin/windows_smoke.exe" \
     names.tar.gz utf8.zip -o hdrcharset=CP932 cp932.zip >listing.txt; then
  echo "windows-smoke: windows_smoke.exe failed" >&2
  status=1
fi
echo "windows-smoke: ran under wine ($wine_arch) in $((SECONDS - start)) s" >&2
if ! diff -u expected.txt listing.txt >&2; then
  echo "windows-smoke: the listing differs from what the archives hold" >&2
  status=1
fi
cat listing.txt
exit $status
