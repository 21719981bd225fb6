#!/usr/bin/env bash
# Cross-builds the archive libraries' dependencies for Windows as static
# libraries (bzip2, liblzma, zstd, libarchive) from Debian's source packages: windows-deps.sh i686|x86_64 BUILD_DIR
# They are installed into BUILD_DIR/deps/prefix; zlib comes from
# libz-mingw-w64-dev (scripts/setup-windows.sh). Each package is built once
# per version and recipe (a stamp in BUILD_DIR/deps/prefix/.stamps): a second run
# builds nothing and needs no network.
set -euo pipefail
shopt -s inherit_errexit
root=$(cd "$(dirname "$0")/.." && pwd)
usage() { echo "usage: $0 i686|x86_64 BUILD_DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
arch=$1
case "$arch" in
  i686) wine_arch=win32 ;;
  x86_64) wine_arch=win64 ;;
  *) usage ;;
esac
mkdir -p "$2"
build=$(cd "$2" && pwd)
deps=$build/deps
prefix=$deps/prefix
toolchain=$root/cmake/toolchain-mingw-$arch.cmake
# The stamps live in the prefix: a prefix removed builds everything again.
stamps=$prefix/.stamps
mkdir -p "$deps/src" "$deps/build" "$stamps"
log() { echo "windows-deps: $*" >&2; }

# apt-get source with a state of its own under deps/apt: its source entries are
# the machine's own package entries as deb-src, so nothing of the system's apt
# configuration changes and the mirror is whatever this machine uses.
apt_dir=$deps/apt
apt_options=(
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
)
# As root apt hands downloads to its _apt user, who may not write here.
[ "$(id -u)" = 0 ] && apt_options+=(-o APT::Sandbox::User=root)

source_entries() {
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    # Each stanza with a deb type, again with the type deb-src.
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         /(^|\n)Types:[^\n]*[[:space:]]deb([[:space:]]|$)/ {
           sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' "$file"
  done
}
source_lines() {
  local file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file"
  done
  return 0
}

prepare_apt() {
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  local entries lines
  entries=$(source_entries)
  lines=$(source_lines)
  [ -n "$entries$lines" ] || { log "no deb entry in /etc/apt/sources.list{,.d} to take the sources from"; exit 1; }
  # The lists are fetched again only when the machine's entries change.
  if [ "$entries" != "$(cat "$apt_dir/sources.list.d/machine.sources" 2>/dev/null)" ] ||
     [ "$lines" != "$(cat "$apt_dir/sources.list" 2>/dev/null)" ] ||
     ! compgen -G "$apt_dir/lists/*_Sources*" >/dev/null; then
    printf '%s\n' "$entries" >"$apt_dir/sources.list.d/machine.sources"
    printf '%s\n' "$lines" >"$apt_dir/sources.list"
    log "fetching the source package lists"
    apt-get -qq "${apt_options[@]}" update >&2
  fi
}

# The versions of source package $1 in the lists, newest first.
source_versions() {
  local version sorted=() i
  while read -r version; do
    for ((i = ${#sorted[@]}; i > 0; i--)); do
      dpkg --compare-versions "$version" gt "${sorted[i - 1]}" || break
      sorted[i]=${sorted[i - 1]}
    done
    sorted[i]=$version
  done < <(apt-cache "${apt_options[@]}" showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -u)
  printf '%s\n' "${sorted[@]}"
}

# Fetches and unpacks package $1 at version $2 (Debian's patches applied) into
# deps/src once; fails, and remembers it, when the mirror does not have it (a
# mirror may list a security update it does not hold).
unpack_source() {
  local package=$1 version=$2
  local folder=$deps/src/${package}_$version
  [ -f "$folder/.unpacked" ] && return 0
  [ -f "$folder.unavailable" ] && return 1
  rm -rf "$folder"
  mkdir -p "$folder"
  log "fetching the source of $package $version"
  if ! (cd "$folder" && apt-get -qq "${apt_options[@]}" source --download-only "$package=$version" >&2); then
    log "$package $version cannot be fetched; an older version is taken (remove $folder.unavailable to try again)"
    rm -rf "$folder"
    touch "$folder.unavailable"
    return 1
  fi
  (cd "$folder" && dpkg-source --no-check -x ./*.dsc tree >/dev/null)
  touch "$folder/.unpacked"
}

cmake_common=(
  -G Ninja
  -DCMAKE_TOOLCHAIN_FILE="$toolchain"
  -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_INSTALL_PREFIX="$prefix"
  -DDOVANEL_WINDOWS_DEPS_PREFIX="$prefix"
  -DDOVANEL_WINE_PREFIX="$build/wine-$wine_arch"
  -DBUILD_SHARED_LIBS=OFF
)
command -v ccache >/dev/null && cmake_common+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache)

# Configures the CMake project in $1 as deps/build/$2, builds its target $3
# and installs its component $4 ("" for all); the rest are its options.
cmake_build() {
  local source_dir=$1 name=$2 target=$3 component=$4
  shift 4
  local binary_dir=$deps/build/$name
  rm -rf "$binary_dir"
  cmake -S "$source_dir" -B "$binary_dir" "${cmake_common[@]}" "$@" >"$binary_dir.log" 2>&1 ||
    { log "configuring $name failed: $binary_dir.log"; exit 1; }
  { cmake --build "$binary_dir" -j"$(nproc)" --target "$target" &&
    cmake --install "$binary_dir" ${component:+--component "$component"}; } >>"$binary_dir.log" 2>&1 ||
    { log "building $name failed: $binary_dir.log"; exit 1; }
}

# The recipes: what each package is built with. A changed recipe builds again.
bzip2_options=()
xz_utils_options=(-DBUILD_TESTING=OFF)
libzstd_options=(-DZSTD_BUILD_SHARED=OFF -DZSTD_BUILD_STATIC=ON -DZSTD_BUILD_PROGRAMS=OFF -DZSTD_BUILD_TESTS=OFF
                 -DZSTD_BUILD_CONTRIB=OFF -DZSTD_LEGACY_SUPPORT=OFF)
# libarchive with the compressors above and zlib, and nothing else optional.
libarchive_options=(-DENABLE_ZLIB=ON -DZLIB_USE_STATIC_LIBS=ON -DENABLE_BZip2=ON -DENABLE_LZMA=ON -DENABLE_ZSTD=ON
                    -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_LIBB2=OFF
                    -DENABLE_LZ4=OFF -DENABLE_LZO=OFF -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF
                    -DENABLE_PCREPOSIX=OFF -DENABLE_ICONV=OFF -DENABLE_ACL=OFF -DENABLE_XATTR=OFF
                    -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF -DENABLE_TEST=OFF -DENABLE_COVERAGE=OFF
                    -DENABLE_WERROR=OFF
                    # Windows' own cryptography (Windows 7 and later) for encrypted ZIP entries.
                    -DWINDOWS_VERSION=WIN7 -DENABLE_CNG=ON)

build_bzip2() {
  # bzip2 has only a Makefile for the build machine: our own small project.
  cmake_build "$root/cmake/deps/bzip2" bzip2 all "" -DBZIP2_SOURCE_DIR="$1" "${bzip2_options[@]}"
}
build_xz_utils() {
  cmake_build "$1" xz-utils liblzma liblzma_Development "${xz_utils_options[@]}"
}
build_libzstd() {
  cmake_build "$1/build/cmake" libzstd all "" "${libzstd_options[@]}"
}
build_libarchive() {
  # libarchive looks for "Bcrypt.h", which mingw-w64 spells in lower case.
  local shim=$deps/build/libarchive-include
  mkdir -p "$shim"
  echo '#include <bcrypt.h>' >"$shim/Bcrypt.h"
  # Its install would build the DLL as well: the static library and the two
  # public headers by hand, under the name find modules look for.
  cmake_build "$1" libarchive archive_static "" "${libarchive_options[@]}" -DENABLE_INSTALL=OFF \
    -DCMAKE_C_FLAGS="-isystem $shim"
  cp "$deps/build/libarchive/libarchive/libarchive_static.a" "$prefix/lib/libarchive.a"
  cp "$1/libarchive/archive.h" "$1/libarchive/archive_entry.h" "$prefix/include/"
}

# What a package's stamp holds: a change in any of it (this script and the
# toolchain files included) builds the package again.
recipe() {
  local -n options=${1//-/_}_options
  printf '%s\n' "$arch" "${options[@]}"
  cat "$0" "$toolchain" "$root/cmake/MingwToolchain.cmake" | sha256sum
  [ "$1" != bzip2 ] || sha256sum <"$root/cmake/deps/bzip2/CMakeLists.txt"
}

prepare_apt
# Source packages, in the order they build: libarchive needs the others.
for package in bzip2 xz-utils libzstd libarchive; do
  built=
  for version in $(source_versions "$package"); do
    stamp=$stamps/${package}_$version
    if [ "$(cat "$stamp" 2>/dev/null)" = "$(recipe "$package")" ]; then
      built=1
      break
    fi
    unpack_source "$package" "$version" || continue
    log "building $package $version for $arch"
    start=$SECONDS
    "build_${package//-/_}" "$deps/src/${package}_$version/tree"
    recipe "$package" >"$stamp"
    log "built $package $version in $((SECONDS - start)) s"
    built=1
    break
  done
  [ -n "$built" ] || { log "no version of the source package $package could be fetched"; exit 1; }
done
