#!/usr/bin/env bash
# Configures and builds into build/ (or $DOVANEL_BUILD_DIR); extra arguments go
# to cmake. $DOVANEL_BUILD_TARGETS (separated by spaces) builds only those.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DOVANEL_BUILD_DIR:-$root/build}
# Lets ccache reuse objects across clones in other folders (the folder a
# debug build ran in would otherwise be part of every object's key).
export CCACHE_BASEDIR=$root
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >&2
targets=()
for target in ${DOVANEL_BUILD_TARGETS:-}; do
  targets+=(--target "$target")
done
cmake --build "$build" -j"$(nproc)" "${targets[@]}" >&2
