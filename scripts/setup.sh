#!/usr/bin/env bash
# Installs the Debian packages that building and running need, once, with
# apt-get: as root, or through sudo. `--program` installs only what building
# and running the program needs; without it, also what the tests, the
# screenshots and the bench use.
set -euo pipefail

program_packages=(
  build-essential cmake ccache pkg-config
  qt6-base-dev qt6-svg-dev libarchive-dev zlib1g-dev libbz2-dev liblzma-dev
  # What cpack needs to name the package's dependencies.
  dpkg-dev file
  # msgfmt, which makes the message catalogues.
  gettext
)
development_packages=(
  libgtest-dev libgmock-dev
  # Tools the tests make real archives with, and the bench compares against.
  zip unzip p7zip-full gcab arj jlha-utils libarchive-tools bzip2 lbzip2 pbzip2 gzip xz-utils zstd tar python3 time
  # What the install test checks the desktop files, the manual and the package
  # with, and the desktop it asks which program opens a type.
  desktop-file-utils appstream man-db lintian libglib2.0-bin xdg-utils shared-mime-info
  # Locale sources, for the test of regional date formats and the locales the language tests name.
  locales
  # A display for screenshots, and fonts that hold Japanese text.
  xvfb fonts-noto-cjk
)

packages=("${program_packages[@]}")
case "${1:-}" in
  --program) ;;
  "") packages+=("${development_packages[@]}") ;;
  *) echo "usage: $0 [--program]" >&2; exit 2 ;;
esac

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  as_root=()
  if [ "$(id -u)" != 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "setup: ${missing[*]} must be installed; run this as root, or install sudo" >&2
      exit 1
    fi
    as_root=(sudo)
  fi
  echo "setup: installing ${missing[*]} with apt-get" >&2
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq >&2
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi
