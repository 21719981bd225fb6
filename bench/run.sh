#!/usr/bin/env bash
# The benchmark in one command: sets up, builds dovanel and its libraries in
# their own build folder, makes the corpora (once per size) and times dovanel
# against the alternatives on a copy of them.
#   bench/run.sh [--small N] [--other N] [--large-mb MB] [--entries N] [--repeat N]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DOVANEL_BENCH_BUILD_DIR:-$root/build-bench}
corpus_args=()
bench_args=()
while [ $# -gt 0 ]; do
  case $1 in
    --small|--other|--large-mb|--entries) corpus_args+=("$1" "$2"); shift 2 ;;
    --repeat) bench_args+=("$1" "$2"); shift 2 ;;
    *) echo "bench/run.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target dovanel dv_unlha32 dv_unzip32 dv_zip32j dv_lmzip32 dv_cab32 \
  dv_unarj32j dv_tar32 dv_unrar32 dv_sevenzip32 >/dev/null
python3 "$root/bench/corpus.py" "$build/bench-corpus" "${corpus_args[@]}"
mkdir -p "$build/bench-results"
python3 "$root/bench/bench.py" "$build" "$build/bench-corpus" "$build/bench-work" \
  --report "$build/bench-results/report.json" "${bench_args[@]}" | tee "$build/bench-results/report.txt"
