#!/usr/bin/env bash
# Builds, makes a sample folder, drops it on the window (offscreen) and saves
# the window after the run, or as the screen shows it at the run's Nth file,
# as a PNG:
#   tools/screenshot/screenshot.sh [--during N] [OUT.png]
#                                   (default: build/screenshots/dovanel.png)
# The CAB library is hidden, so the run ends with the purple "skipped" line.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${DOVANEL_BUILD_DIR:-$root/build}
during=()
if [ "${1:-}" = --during ]; then
  during=(--during "$2")
  shift 2
fi
out=${1:-$build/screenshots/dovanel.png}
"$root/scripts/setup.sh"
"$root/scripts/build.sh" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
src=$work/src
sample=$work/サンプル
mkdir -p "$src/docs" "$sample/古い書庫" "$work/libraries"
echo "read me" > "$src/readme.txt"
echo "日本語のメモ" > "$src/docs/メモ.txt"
touch -d '2001-05-06 10:20:30' "$src/readme.txt"
touch -d '1999-12-31 23:59:58' "$src/docs/メモ.txt" "$src/docs"
(cd "$src" && zip -qr "$sample/資料.zip" readme.txt docs \
  && tar cf "$sample/backup.tar" readme.txt \
  && tar czf "$sample/古い書庫/logs.tgz" docs \
  && gcab -cn "$sample/setup.cab" readme.txt)
echo "not an archive" > "$sample/説明.txt"
touch -d '2020-01-02 03:04:05' "$sample"/*.* "$sample/古い書庫"/*

# Every library but CAB32.DLL.
for library in "$build"/bin/*.DLL "$build"/bin/*.dll; do
  [ "$(basename "$library")" = CAB32.DLL ] || ln -s "$library" "$work/libraries/"
done
mkdir -p "$(dirname "$out")"
DOVANEL_LIBRARY_PATH=$work/libraries XDG_RUNTIME_DIR=$work \
  "$build/tools-bin/dovanel-screenshot" "${during[@]}" "$out" "$sample"
