#!/usr/bin/env bash
# Lists a peer corpus (archives other tools made, with a MANIFEST.tsv of
# their entry counts and newest times) through our libraries and compares
# each file with the manifest. An extra check beside the tests, for samples
# no tool here can make (compressed RAR, LZX cabinets, ...).
#
#   tools/peer-corpus/check.sh [CORPUS_DIR]     default: ../shared/corpus/peer beside the repo
#
# It builds the eight libraries into build/ (or $DOVANEL_BUILD_DIR) first.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
corpus=${1:-$root/../shared/corpus/peer}
build=${DOVANEL_BUILD_DIR:-$root/build}
if [[ ! -f $corpus/MANIFEST.tsv ]]; then
  echo "no MANIFEST.tsv in $corpus" >&2
  exit 2
fi
DOVANEL_BUILD_DIR=$build \
  DOVANEL_BUILD_TARGETS="dv_unlha32 dv_unzip32 dv_zip32j dv_lmzip32 dv_cab32 dv_unarj32j dv_tar32 dv_unrar32" \
  "$root/scripts/build.sh"
# The zone the expected local times are worked out in; C locale as the tests.
TZ=JST-9 LC_ALL=C exec python3 -B "$(dirname "$0")/check.py" "$build/bin" "$corpus"
