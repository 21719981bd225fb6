#!/usr/bin/env bash
# Sets up, builds the program alone, then runs it with the arguments given, e.g.
#   ./dovanel.sh /Q ~/archives
# Setting up installs missing Debian packages with apt-get (as root, or through
# sudo). The build (program, window system, archiver libraries; no tests) goes
# to build-program/, or $DOVANEL_PROGRAM_BUILD_DIR.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
build=${DOVANEL_PROGRAM_BUILD_DIR:-$root/build-program}
"$root/scripts/setup.sh" --program
DOVANEL_BUILD_DIR=$build DOVANEL_BUILD_TARGETS=dovanel_program "$root/scripts/build.sh" -DDOVANEL_TESTS=OFF >/dev/null
exec "$build/bin/dovanel" "$@"
