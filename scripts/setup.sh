#!/usr/bin/env bash
# Installs everything the two builds and their tests need on a fresh Debian 12
# machine (run as root). Safe to run again.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi

packages=(
  # toolchains and build
  build-essential cmake ninja-build pkg-config ccache
  g++-mingw-w64-i686 mingw-w64-tools
  # tests: GoogleTest natively and its sources for the cross build
  libgtest-dev libgmock-dev googletest
  # Wine runs the Windows build's tests (32-bit prefix, null display driver);
  # ps lists what is still running when wine-run.sh stops a hung program
  wine wine32:i386 procps
  # image writers and their comparison tools
  libjpeg-dev libgif-dev libjpeg-turbo-progs
  # fetching and unpacking Debian source packages for the cross build
  dpkg-dev
  # the SIMD code of libjpeg-turbo in the Windows build
  nasm
  # the office stand-ins on Linux: LibreOffice, its UNO SDK, and zlib for
  # their tests (which read inside the saved zip-based files)
  libreoffice-core libreoffice-writer libreoffice-calc libreoffice-impress libreoffice-dev zlib1g-dev
  # the quillet command line: its argument parser and its JSON Lines records
  libcli11-dev nlohmann-json3-dev
  # the peer benchmark (bench/peers): unoconv over the system Python's UNO bridge
  unoconv python3-uno
  # the Acrobat plug-in bridge on Linux reads PDF files with poppler
  libpoppler-cpp-dev
  # PDF output: Ghostscript's library and qpdf for the PDF software on Linux,
  # the CUPS client (its headers; libcups2:i386 for Wine's spooler), poppler's
  # tools to check the PDFs
  libgs-dev libqpdf-dev libcups2-dev libcups2:i386 poppler-utils
  # the tests' own print server: CUPS with its generic PostScript driver and a
  # driver that is no PostScript device
  cups cups-daemon cups-client cups-common cups-filters cups-core-drivers cups-ppdc
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Source packages of the libraries that Debian ships no mingw build of; they
# are cross-compiled into quillet.dll at build time and never committed.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
if [ -x "$here/fetch-sources.sh" ]; then
  "$here/fetch-sources.sh"
fi
