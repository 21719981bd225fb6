#!/usr/bin/env bash
# Installs what the Windows build needs, once, with apt-get: the mingw-w64
# cross compilers (the posix thread model, for std::thread), zlib built for
# them, wine to run the programs (wine32 for i686, wine64 for x86_64) and
# dpkg-dev, which unpacks the Debian sources the other dependencies are built
# from; Xvfb for the window's test, zip for the release, and the locales'
# sources the tests compile a Japanese and an English locale from. As root,
# or through sudo; quiet when everything is there.
set -euo pipefail

packages=(
  mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  cmake ninja-build ccache dpkg-dev xz-utils xvfb zip locales
  wine wine64 wine32:i386
)

as_root=()
if [ "$(id -u)" != 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "setup-windows: packages must be installed; run this as root, or install sudo" >&2
    exit 1
  fi
  as_root=(sudo)
fi
apt_get() {
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -qq "$@" >&2
}

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

# wine32 is an i386 package: the architecture must be known before the
# package lists are read.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup-windows: adding the i386 architecture for wine32" >&2
  "${as_root[@]}" dpkg --add-architecture i386
fi
echo "setup-windows: installing ${missing[*]} with apt-get" >&2
apt_get update
apt_get install -y --no-install-recommends "${missing[@]}"
