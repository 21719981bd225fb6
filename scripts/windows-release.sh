#!/usr/bin/env bash
# Writes the Windows release of a build:
#   scripts/windows-release.sh [--if-complete] i686|x86_64 BUILD_DIR ZIP_FILE
# dovanel.exe and the nine archiver DLLs without their debugging sections, the
# message catalogues where the program reads them (locale/LANG/LC_MESSAGES
# beside it), the README and the licence: what the program needs beside the
# system's own DLLs and nothing else (the compiler's runtime is linked in
# statically). Ends with 1, saying why, when one of them is missing or the
# program imports a DLL that is no system DLL; no zip is left then.
# --if-complete: a missing part only means no release (a build of chosen
# targets), said on stderr, with 0.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if_complete=false
[ "${1:-}" != --if-complete ] || { if_complete=true; shift; }
[ $# -eq 3 ] || { echo "usage: $0 [--if-complete] i686|x86_64 BUILD_DIR ZIP_FILE" >&2; exit 2; }
arch=$1 build=$2 zip_file=$3
case "$arch" in
  i686 | x86_64) ;;
  *) echo "usage: $0 [--if-complete] i686|x86_64 BUILD_DIR ZIP_FILE" >&2; exit 2 ;;
esac
fail() { echo "windows-release: $*" >&2; exit 1; }
mkdir -p "$(dirname "$zip_file")"
zip_file=$(cd "$(dirname "$zip_file")" && pwd)/$(basename "$zip_file")
rm -f "$zip_file"

binaries=(dovanel.exe UNLHA32.DLL UNZIP32.DLL ZIP32J.DLL LMZIP32.DLL CAB32.DLL UNARJ32J.DLL tar32.dll UNRAR32.DLL 7-ZIP32.DLL)
catalogues=()
for po in "$root"/po/*.po; do
  catalogues+=("locale/$(basename "$po" .po)/LC_MESSAGES/dovanel.mo")
done
for file in "${binaries[@]}" "${catalogues[@]}"; do
  [ -f "$build/bin/$file" ] && continue
  if $if_complete; then
    echo "windows-release: no release written: $build/bin/$file was not built" >&2
    exit 0
  fi
  fail "$build/bin/$file is missing: the release would be incomplete"
done
for text in README.md LICENSE; do
  [ -f "$root/$text" ] || fail "$root/$text is missing"
done

imports=$("${arch}-w64-mingw32-objdump" -p "$build/bin/dovanel.exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
for dll in $imports; do
  case "${dll,,}" in
    kernel32.dll | user32.dll | gdi32.dll | shell32.dll | advapi32.dll | msvcrt.dll | bcrypt.dll | ole32.dll) ;;
    *) fail "dovanel.exe imports $dll, which is no system DLL" ;;
  esac
done

stage=$build/release
rm -rf "$stage"
mkdir -p "$stage"
for binary in "${binaries[@]}"; do
  "${arch}-w64-mingw32-objcopy" --strip-debug "$build/bin/$binary" "$stage/$binary"
done
for catalogue in "${catalogues[@]}"; do
  mkdir -p "$stage/$(dirname "$catalogue")"
  cp "$build/bin/$catalogue" "$stage/$catalogue"
done
cp "$root/README.md" "$root/LICENSE" "$stage/"
(cd "$stage" && zip -q -r -X "$zip_file" .)
echo "windows-release: $zip_file ($(find "$stage" -type f | wc -l) files)" >&2
