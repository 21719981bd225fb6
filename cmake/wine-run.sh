#!/usr/bin/env bash
# Runs a Windows program under wine, for CMake and CTest (the cross build's
# emulator): wine-run.sh win32|win64 PREFIX PROGRAM [ARGUMENTS...]
# win32 runs 32-bit programs (wine32), win64 64-bit ones (wine64). PREFIX is
# the build's own wine prefix, made on first use; the program's exit status is
# passed through.
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: $0 win32|win64 PREFIX PROGRAM [ARGUMENTS...]" >&2; exit 2; }
arch=$1 prefix=$2
shift 2
case "$arch" in
  win32) loader=/usr/lib/wine/wine ;;
  win64) loader=/usr/lib/wine/wine64 ;;
  *) echo "wine-run: unknown architecture $arch" >&2; exit 2 ;;
esac
[ -x "$loader" ] || { echo "wine-run: $loader is missing (scripts/setup-windows.sh installs it)" >&2; exit 127; }

mkdir -p "$(dirname "$prefix")"
export WINEPREFIX=$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")
export WINEARCH=$arch WINELOADER=$loader WINEDEBUG=-all
# No Mono or Gecko: making the prefix would otherwise offer to download them.
# wineserver keeps its socket in a folder under TMPDIR that outlives it: the
# build's own, while the socket's path stays within the 107 bytes a socket
# path may have, else one among the tests' temporary folders.
server=$WINEPREFIX.tmp
[ ${#server} -le 56 ] || server=${TMPDIR:-/tmp}/dovanel-test-wine-$(id -u)
mkdir -p "$server"
export TMPDIR=$server
# Nor menu entries and file associations in the user's home folder.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

# The first run makes the prefix (some seconds); runs started together wait
# for it instead of making it twice.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$loader" wineboot.exe --init >/dev/null 2>&1 || { echo "wine-run: could not make the wine prefix $WINEPREFIX" >&2; exit 1; }
    # wineboot returns before the registry is written out.
    "${loader%/*}/wineserver" -w
  fi
  exec 9>&-
fi
exec "$loader" "$@"
