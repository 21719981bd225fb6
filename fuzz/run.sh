#!/usr/bin/env bash
# Builds the fuzzers with clang (libFuzzer, address and undefined-behaviour
# sanitizers) and runs them one after another, one job each, niced.
#   fuzz/run.sh                          build, make seeds, run every target
#   fuzz/run.sh arj|sevenzip|listing|commandline|extract|create|bzip2  the same for one target
#   fuzz/run.sh show TARGET FILE...      the outcome of inputs, as the regression test compares it
# FUZZ_SECONDS (180 per target), FUZZ_MAX_LEN (65536), DOVANEL_FUZZ_BUILD_DIR (build-fuzz/).
# Findings land in <build>/findings/<target>/; kept ones go to tests/data/fuzz/<target>/.
# Needs clang and its libFuzzer runtime (Debian: apt-get install clang libclang-rt-14-dev);
# scripts/setup.sh leaves them out, since CI does not fuzz.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DOVANEL_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-180}
max_len=${FUZZ_MAX_LEN:-65536}
corpus=$root/../shared/corpus/peer

binary() {
  case $1 in
    arj) echo "$build/bin/ArjFuzzer" ;;
    sevenzip) echo "$build/bin/SevenZipHeaderFuzzer" ;;
    listing) echo "$build/bin/ListingFuzzer" ;;
    commandline) echo "$build/bin/CommandLineFuzzer" ;;
    extract) echo "$build/bin/ExtractFuzzer" ;;
    create) echo "$build/bin/CreateFuzzer" ;;
    bzip2) echo "$build/bin/Bzip2Fuzzer" ;;
    *) echo "unknown target $1 (arj, sevenzip, listing, commandline, extract, create, bzip2)" >&2; exit 2 ;;
  esac
}

build_fuzzers() {
  command -v clang++ >/dev/null ||
    { echo "needs clang and libFuzzer: apt-get install clang libclang-rt-14-dev" >&2; exit 1; }
  cmake -S "$root/fuzz" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  nice -n 10 cmake --build "$build" -j2 >/dev/null
}

# Small valid inputs of each kind, made with the tools the tests use.
make_seeds() {
  local seeds=$build/seeds work=$build/seeds/work
  rm -rf "$seeds"
  mkdir -p "$seeds/arj" "$seeds/sevenzip" "$seeds/listing" "$seeds/commandline" "$seeds/extract" "$seeds/create" "$seeds/bzip2" "$work/in/sub"
  printf 'one\n' >"$work/in/one.txt"
  printf 'two two two two two two\n' >"$work/in/sub/two.txt"
  touch -d '2001-02-03 04:05:06' "$work/in/one.txt" "$work/in/sub/two.txt"
  (
    cd "$work/in"
    arj a -y ../a.arj one.txt sub/two.txt >/dev/null 2>&1 || true
    arj a -y -m0 ../stored.arj one.txt sub/two.txt >/dev/null 2>&1 || true
    jlha a ../a.lzh one.txt sub/two.txt >/dev/null 2>&1 || true
    zip -q -X ../a.zip one.txt sub/two.txt || true
    tar cf ../a.tar one.txt sub
    gzip -c ../a.tar >../a.tgz
    bzip2 -c ../a.tar >../a.tbz
    gzip -c one.txt >../one.txt.gz
    xz -c ../a.tar >../a.txz
    # Several blocks in one stream, for tar32's threaded xz path.
    xz -T2 --block-size=2KiB -c ../a.tar >../blocks.txz
    xz -c one.txt >../one.txt.xz
    zstd -q -c ../a.tar >../a.tzst
    zstd -q -c one.txt >../one.txt.zst
    bsdtar -cZf ../a.taz one.txt sub
    7z a -bd ../a.7z one.txt sub >/dev/null
    7z a -bd -m0=Copy -ms=off ../stored.7z one.txt sub >/dev/null
    7z a -bd -psecret ../secret.7z one.txt >/dev/null
  )
  for made in a.arj stored.arj; do
    [ -f "$work/$made" ] && cp "$work/$made" "$seeds/arj/$made"
  done
  for made in a.7z stored.7z secret.7z; do
    [ -f "$work/$made" ] && cp "$work/$made" "$seeds/sevenzip/$made"
  done
  # The first byte picks the library, in the order of kListingLibraries.
  local -a picks=(
    "0 $work/a.lzh" "0 $corpus/test_read_format_lha_header1.lzh" "0 $corpus/test_read_format_lha_header3.lzh"
    "1 $work/a.zip" "1 $corpus/test_read_format_zip_zip64a.zip" "1 $corpus/test_read_format_zip_sfx"
    "2 $corpus/test_read_format_zip_ux.zip" "3 $corpus/test_read_format_zip_length_at_end.zip"
    "4 $corpus/test_read_format_cab_1.cab" "4 $corpus/test_read_format_cab_3.cab"
    "5 $work/a.arj" "5 $work/stored.arj"
    "6 $work/a.tar" "6 $work/a.tgz" "6 $work/a.tbz" "6 $work/one.txt.gz" "6 $work/a.txz" "6 $work/one.txt.xz"
    "6 $work/a.tzst" "6 $work/one.txt.zst" "6 $work/a.taz" "6 $work/blocks.txz"
    "7 $corpus/test_read_format_rar.rar" "7 $corpus/test_read_format_rar5_stored.rar"
    "7 $corpus/test_read_format_rar5_multiple_files.rar"
    "8 $work/a.7z" "8 $work/stored.7z" "8 $work/secret.7z")
  local pick library file
  for pick in "${picks[@]}"; do
    library=${pick%% *}
    file=${pick#* }
    [ -f "$file" ] || continue
    { printf "\\x0$library"; cat "$file"; } >"$seeds/listing/$library-$(basename "$file")"
  done
  local -a lines=(
    'x -+  "/a.lzh" "/out/" "x.txt" '
    'x -+ -x0 -c1 -jx*.bak "-w/tmp/" "a.lzh" "" "b c.txt"'
    '-x -o --i -j -q  "/a.zip" "/src/" "x[[]1].txt" '
    ' -S -D -v -q -r -o -u -j -FF -k -9 -J  "/a.zip" "/src/" "sub/x.txt" -x *.o'
    '-A /arc/my self.EXE'
    '-x -o -i -r -j -q -v "/a.cab" "/out/" "x.txt"'
    '-e -u -y -s  "/a.rar" "@list"'
    'x  -f "/a.tar" -o "/out/" --use-directory=0 --exclude=*.o "sub\x.txt" '
    'c -z9 -B -f "/a.tgz" --display-dialog=0 --check-all-path=1 "x"'
    'x -aos -y  "/a.7z" "/out/" "x.txt" '
    'a -aoa -mx=9 -t7z "-o/out dir/" -x!*.o -r -bd "/a.7z" "d"')
  # bzip2 of several small blocks (level 1, repetitive text), of two
  # streams, of one block, and of bytes that spell a magic in each block's
  # header.
  python3 -c "
import random
random.seed(5)
words = ['archive', 'block', 'stream', 'entry', 'time', 'name']
open('$work/text', 'w').write(' '.join(random.choice(words) for _ in range(30000)))
spelled = []
while len(spelled) < 110000:
    c = random.choice(b'!#\$\'*-.13679;<?p\x90\xf0')
    if spelled[-3:] != [c, c, c]: spelled.append(c)
open('$work/spelled', 'wb').write(bytes(spelled))"
  bzip2 -1 -c "$work/text" >"$seeds/bzip2/text-level1.bz2"
  bzip2 -9 -c "$work/in/one.txt" >"$work/one.bz2"
  cat "$work/one.bz2" "$work/one.bz2" >"$seeds/bzip2/two-streams.bz2"
  cp "$work/one.bz2" "$seeds/bzip2/one-block.bz2"
  bzip2 -1 -c "$work/spelled" >"$seeds/bzip2/chance-magic.bz2"
  local i=0 line
  for line in "${lines[@]}"; do
    printf '%s' "$line" >"$seeds/commandline/line$i"
    i=$((i + 1))
  done
  make_extract_seeds "$seeds/extract" "$work"
  make_create_seeds "$seeds/create"
}

# Archives to extract, with links, special files and names that climb; the
# first byte picks the library, in the order of kExtractLibraries.
make_extract_seeds() {
  local seeds=$1 work=$2
  (
    cd "$work/in"
    ln -sf one.txt link
    ln -f one.txt hard
    rm -f fifo && mkfifo fifo
    gcab -c ../a.cab one.txt sub/two.txt >/dev/null 2>&1 || true
    tar cf ../special.tar one.txt link hard fifo sub
    zip -q -y -X ../links.zip one.txt link
    rm -f link hard fifo
  )
  python3 - "$work" <<'PY'
import io, sys, tarfile, zipfile
work = sys.argv[1]
with tarfile.open(f"{work}/climb.tar", "w") as tar:
    for name, kind in [("../up.txt", tarfile.REGTYPE), ("/abs.txt", tarfile.REGTYPE), ("ok.txt", tarfile.REGTYPE),
                       ("dir", tarfile.DIRTYPE), ("dir/lnk", tarfile.SYMTYPE), ("dev", tarfile.CHRTYPE),
                       ("hl", tarfile.LNKTYPE)]:
        info = tarfile.TarInfo(name)
        info.type = kind
        info.linkname = "ok.txt" if kind in (tarfile.SYMTYPE, tarfile.LNKTYPE) else ""
        data = b"data\n" if kind == tarfile.REGTYPE else b""
        info.size = len(data)
        tar.addfile(info, io.BytesIO(data))
with zipfile.ZipFile(f"{work}/climb.zip", "w") as archive:
    for name in ["../up.txt", "ok.txt", "表示/ソフト.txt"]:
        archive.writestr(name, b"data\n")
PY
  # The same hostile names, links and devices in a 7z (-P keeps the names as they are).
  (cd "$work" && bsdtar --format 7zip -P -cf climb.7z @climb.tar)
  local -a picks=(
    "0 $work/a.lzh" "1 $work/a.zip" "1 $work/links.zip" "1 $work/climb.zip" "2 $work/a.zip" "3 $work/a.cab"
    "4 $work/a.arj" "4 $work/stored.arj" "5 $work/a.tar" "5 $work/a.tgz" "5 $work/a.tbz" "5 $work/one.txt.gz"
    "5 $work/a.txz" "5 $work/blocks.txz" "5 $work/one.txt.xz" "5 $work/a.tzst" "5 $work/one.txt.zst"
    "5 $work/special.tar" "5 $work/climb.tar"
    "7 $work/a.7z" "7 $work/stored.7z" "7 $work/secret.7z" "7 $work/climb.7z")
  local pick library file
  for pick in "${picks[@]}"; do
    library=${pick%% *}
    file=${pick#* }
    [ -f "$file" ] || continue
    { printf "\x0$library"; cat "$file"; } >"$seeds/$library-$(basename "$file")"
  done
}

# Trees and lines for the creating libraries (FuzzEntries.h describes the
# lines); the first byte picks ZIP32J.DLL (0), LMZIP32.DLL (1) or tar32.dll (2).
make_create_seeds() {
  local seeds=$1
  printf '\x00f a.txt=alpha\nd sub\nf sub/b.txt=bravo\nl lnk>a.txt\np fifo\ns -r -D\nn *\n' >"$seeds/zip-tree"
  printf '\x00f a.txt=alpha\no\ns -d\nn old.txt\n' >"$seeds/zip-delete"
  printf '\x00f a.txt=1\no\ns -u -o\nn a.txt\nn ../old\n' >"$seeds/zip-update"
  printf '\x00O\nf a.txt=1\nn a.txt\n' >"$seeds/zip-over-junk"
  printf '\x01f a.txt=alpha\nf .hidden=h\no\nn *\n' >"$seeds/lmzip-star"
  printf '\x01p fifo\no\nn fifo\n' >"$seeds/lmzip-fifo"
  printf '\x02f a.txt=alpha\np fifo\no\ns -z9\nn fifo\n' >"$seeds/tar-fifo"
  printf '\x02f %%95%%5C.txt=sjis\nh hl>%%95%%5C.txt\nf %%E8%%A1%%A8.txt=\ni\nn .\n' >"$seeds/tar-inside"
  printf '\x02d empty\ns -B --exclude=*.o\nn empty\nn ../arc\n' >"$seeds/tar-bzip2"
}

fuzz() {
  local target=$1 bin
  bin=$(binary "$target")
  local kept=$root/tests/data/fuzz/$target logs=$build/logs/$target
  mkdir -p "$build/corpus/$target" "$build/findings/$target" "$logs" "$build/tmp"
  local -a dirs=("$build/corpus/$target" "$build/seeds/$target")
  [ -d "$kept" ] && dirs+=("$kept")
  echo "fuzzing $target for ${seconds}s" >&2
  # -jobs=1 runs the fuzzer in one child whose log is fuzz-0.log in the
  # current folder; a finding makes it stop early. libarchive reserves its
  # read-ahead for whatever size a header claims (up to 4 GiB for an LHA
  # level-3 extension) and its 7z reader a record for every item a header
  # claims (up to 10^8 of some 130 bytes, 13 GiB), and touches only what it
  # reads: a single large malloc is no finding, the resident-memory limit
  # (2 GiB) still is one. A 7z header can also make it ask for more than the
  # sanitizer's allocator serves at all (hundreds of TiB): there, as without
  # the sanitizer, malloc answers null and libarchive refuses the archive.
  # The inputs are written to a file each run: in memory where there is room.
  local scratch
  scratch=$(mktemp -d "${FUZZ_TMPDIR:-$( [ -d /dev/shm ] && echo /dev/shm || echo "$build/tmp")}/dovanel-fuzz-XXXXXX")
  (cd "$logs" && rm -f fuzz-0.log &&
    TMPDIR=$scratch ASAN_OPTIONS=allocator_may_return_null=1${ASAN_OPTIONS:+:$ASAN_OPTIONS} nice -n 10 "$bin" -jobs=1 -workers=1 -max_total_time="$seconds" -max_len="$max_len" \
      -timeout=30 -malloc_limit_mb=16384 -print_final_stats=1 -artifact_prefix="$build/findings/$target/" "${dirs[@]}" >/dev/null 2>&1 || true)
  rm -rf "$scratch"
  grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|stat::new_units_added|stat::peak_rss_mb)|^==[0-9]+==(ERROR|WARNING)|^SUMMARY|^fault:|^Done|ALARM|deadly signal|Test unit written' \
    "$logs/fuzz-0.log" >&2 || true
  ls "$build/findings/$target" >&2
}

show() {
  local bin
  bin=$(binary "$1")
  shift
  local file out scratch
  # A fuzzer that aborts on a finding leaves its scratch folder behind.
  scratch=$(mktemp -d)
  for file in "$@"; do
    printf '%s\t' "$(basename "$file")"
    out=$(TMPDIR=$scratch ASAN_OPTIONS=allocator_may_return_null=1${ASAN_OPTIONS:+:$ASAN_OPTIONS} DOVANEL_FUZZ_SHOW=1 \
      "$bin" -malloc_limit_mb=16384 "$file" 2>&1 || true)
    grep -E -m1 '^(outcome|fault):' <<<"$out" || echo "no outcome: $(tail -n 3 <<<"$out")"
  done
  rm -rf "$scratch"
}

case ${1:-all} in
  show) shift; show "$@" ;;
  all) build_fuzzers; make_seeds; for target in arj sevenzip listing commandline extract create bzip2; do fuzz "$target"; done ;;
  *) binary "$1" >/dev/null; build_fuzzers; make_seeds; fuzz "$1" ;;
esac
