#!/usr/bin/env bash
# Installs the Debian 12 packages that the build, the tests and the program need.
# Safe to run again: it does nothing when everything is present.
# Usage: install-deps.sh [fuzz | deb]
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-gtk-platformtheme
  libqt6printsupport6 libqt6network6 libqt6test6 libgl-dev libxkbcommon-dev libfontconfig-dev
  libcups2-dev cups-daemon cups-client cups-filters
  fonts-ipafont fonts-ipafont-gothic fonts-ipafont-mincho fonts-ipamj-mincho fonts-dejavu-core
  qt6-translations-l10n
  poppler-utils xvfb xauth
  librsvg2-bin
  # the validators of the installed desktop entry and metainfo (the install test)
  desktop-file-utils appstream
  # the shared order book: its Qt driver, and the server the tests start privately
  libqt6sql6-psql postgresql
  # its client library: the socket of a connection is cut when the server stops answering
  libpq-dev
  # the postal-code data: unpacked by the build
  liblzma-dev xz-utils
  # the local order book and the reader of shop exports
  libqt6sql6-sqlite libcsv-dev
)

# "fuzz": also the compiler and runtime of the fuzz targets (make fuzz).
if [ "${1:-}" = "fuzz" ]; then
  packages+=(clang libclang-rt-14-dev)
fi
# "deb": also the tools of the Debian package (make deb) and of its check (make
# deb-check): shlibdeps and the hardening flags, the ELF detection CPack uses, lintian,
# and the key presses of the start check.
if [ "${1:-}" = "deb" ]; then
  packages+=(dpkg-dev file lintian xdotool)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
