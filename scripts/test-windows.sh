#!/usr/bin/env bash
# Builds the Windows suites for one architecture and runs them under wine:
#   scripts/test-windows.sh [i686|x86_64]
# (i686, the release, by default) in build-windows-<arch>/, as
# scripts/build-windows.sh builds it. Only what builds for Windows so far is
# built: platform/rtl and its suite, the archiver DLLs, their suites that
# run under wine and a caller of them that is not ours.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-i686}
build=${DOVANEL_WINDOWS_BUILD_DIR:-$root/build-windows-$arch}
DOVANEL_BUILD_TARGETS="test_rtl_win32 foreign_caller test_libraries_win32" "$root/scripts/build-windows.sh" "$arch" -DDOVANEL_TESTS=ON
ctest --test-dir "$build" --output-on-failure --timeout 300
