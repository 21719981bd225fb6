#!/usr/bin/env bash
# Installs what building, running and testing need (Debian packages), once.
set -euo pipefail

packages=(
  build-essential cmake ccache pkg-config
  qt6-base-dev libarchive-dev zlib1g-dev libbz2-dev libgtest-dev libgmock-dev
  # Tools the tests make real archives with, and the bench compares against.
  zip unzip p7zip-full gcab arj jlha-utils libarchive-tools bzip2 lbzip2 pbzip2 gzip tar python3 time
  # A display for screenshots, and fonts that hold Japanese text.
  xvfb fonts-noto-cjk
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq >&2
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi
