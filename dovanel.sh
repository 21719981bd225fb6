#!/usr/bin/env bash
# Sets up, builds, then runs dovanel with the arguments given, e.g.
#   ./dovanel.sh /Q ~/archives
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" >/dev/null
exec "${DOVANEL_BUILD_DIR:-$root/build}/bin/dovanel" "$@"
