#!/usr/bin/env bash
# Sets up, builds and runs every test twice: as built for use, and under the
# address and undefined-behaviour sanitizers (--no-sanitizers skips that one);
# then the Windows suites under wine, for i686 and x86_64 (--no-windows skips
# them). Other arguments go to cmake.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/setup.sh"

sanitizers=1
windows=1
cmake_args=()
for argument in "$@"; do
  case "$argument" in
    --no-sanitizers) sanitizers=0 ;;
    --no-windows) windows=0 ;;
    *) cmake_args+=("$argument") ;;
  esac
done

run_suite() {
  local build=$1
  shift
  DOVANEL_BUILD_DIR=$build "$root/scripts/build.sh" "$@"
  ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300
}

run_suite "${DOVANEL_BUILD_DIR:-$root/build}" "${cmake_args[@]}"
if [ "$sanitizers" = 1 ]; then
  run_suite "$root/build-asan" -DDOVANEL_SANITIZE=ON "${cmake_args[@]}"
fi
if [ "$windows" = 1 ]; then
  for arch in i686 x86_64; do
    "$root/scripts/test-windows.sh" "$arch"
  done
fi
