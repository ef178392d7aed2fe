#!/usr/bin/env bash
# Installs what building, running and testing the editor need on Debian 12,
# only the packages that are missing. Run as root.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libpng-dev
  xvfb xauth xdotool x11-utils imagemagick
  fonts-dejavu-core fonts-liberation2
  clang libfuzzer-14-dev libclang-rt-14-dev
  e2fsprogs strace openbox
  desktop-file-utils appstream librsvg2-bin libglib2.0-bin
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installiere: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
