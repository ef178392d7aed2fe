#!/usr/bin/env bash
# Installs what building, running and testing the editor need on Debian 12,
# only the packages that are missing. Run as root. Quiet unless something
# is installed (one line) or fails (apt's own words).
set -euo pipefail
packages=(
  # compilers and build; Qt's CMake packages look up some of their own
  # dependencies (xkbcommon) with pkg-config
  build-essential cmake pkg-config
  # the editor: Qt 6 Widgets, Qt's German texts (message box buttons), zlib
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev zlib1g-dev
  # the window's English: lupdate and lrelease, and their CMake functions
  qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  # tests and benchmarks; libpng is the reference decoder of the logo tests
  libgtest-dev libgmock-dev libbenchmark-dev libpng-dev
  # the start-up benchmark watches the X root for the first window map
  libx11-dev
  # fonts the widget tests measure captions with
  fonts-dejavu-core fonts-liberation2
  # end-to-end tests: virtual display, input, window manager, window
  # properties (xdpyinfo, xprop), system calls, file reads (inotifywait);
  # chattr for the read-only file
  xvfb xdotool openbox x11-utils strace inotify-tools e2fsprogs
  # install test: desktop entry, AppStream data, icon, launching the entry
  desktop-file-utils appstream librsvg2-bin libglib2.0-bin
  # the command line's manual page is checked with groff
  groff-base
  # the Ansible module and role (deploy/ansible) and their test; flock
  # holds a settings file locked as another program would
  ansible-core util-linux
  # fuzz targets (clang and libFuzzer) and readable stacks in their reports
  clang-14 libfuzzer-14-dev libclang-rt-14-dev llvm-14
  # tools/screenshot.sh
  imagemagick
  # the formatting check (tools/check-format.sh): clang-format 14 exactly
  clang-format-14
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installiere: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  log=$(mktemp)
  if ! { apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
    cat "$log"
    rm -f "$log"
    echo "install-deps: apt-get failed" >&2
    exit 1
  fi
  rm -f "$log"
fi
