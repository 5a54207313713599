#!/usr/bin/env bash
# Installs what quillet needs on a fresh Debian 12 machine (run as root, or
# with sudo). Safe to run again.
#
#   scripts/setup.sh           the main job: the native build, LibreOffice and
#                              the command line's libraries
#   scripts/setup.sh --tests   also everything the tests need: both Windows
#                              toolchains, 64-bit Wine, the tests' print server,
#                              the sanitizer runtimes, the benchmark peers, the
#                              sources of the libraries cross-built for Windows,
#                              chromiumly for the compatible routes' tests,
#                              and 32-bit Wine where this machine runs 32-bit
#                              programs
#   scripts/setup.sh --containers
#                              also podman, runc and debootstrap, which build
#                              and run the container image (deploy/); the
#                              flags combine
#
# A package index that fails to download (Debian's i386 index of the security
# suite now and then does) does not stop the set-up: only a package that
# cannot be installed does, and it is named.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

tests=0 containers=0
for arg in "$@"; do
  case "$arg" in
    --tests) tests=1 ;;
    --containers) containers=1 ;;
    *) echo "usage: $0 [--tests] [--containers]" >&2; exit 2 ;;
  esac
done

packages=(
  # toolchain and build
  build-essential cmake ninja-build pkg-config ccache
  # the native preset configures its test suites along with the library
  libgtest-dev libgmock-dev zlib1g-dev
  # the image writers
  libjpeg-dev libgif-dev
  # the office stand-ins on Linux: LibreOffice and its UNO SDK
  libreoffice-core libreoffice-writer libreoffice-calc libreoffice-impress libreoffice-dev
  # the metric-compatible families of Calibri, Cambria, Arial and Times New
  # Roman: without them documents in those fonts lay out with other widths
  fonts-crosextra-carlito fonts-crosextra-caladea fonts-liberation2
  # the PDF software on Linux: Ghostscript's library, qpdf, the CUPS client's
  # headers, and poppler for the Acrobat plug-in bridge
  libgs-dev libqpdf-dev libcups2-dev libpoppler-cpp-dev
  # the quillet command line: its argument parser and its JSON Lines records
  libcli11-dev nlohmann-json3-dev
  # quillet serve: its HTTP server and the zip archives of results of
  # several files; bubblewrap walls in the offices of its workers
  # (QUILLET_OFFICE_ISOLATION=bwrap: no network, no files but their own)
  libcpp-httplib-dev libzip-dev bubblewrap
  # the manual pages, written from the command line's own --help
  help2man
)
test_packages=(
  # both Windows toolchains (posix threads) and widl for the type library
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  # GoogleTest's sources, compiled by the Windows builds
  googletest
  # the sanitizer runtimes of the native-san and native-tsan presets
  libasan8 libubsan1 libtsan2
  # 64-bit Wine runs the 64-bit Windows build's tests (called by the loader's
  # path, /usr/lib/wine/wine64); ps lists what is still running when
  # wine-run.sh stops a hung program
  wine wine64 procps
  # fetching and unpacking the Debian source packages cross-built for Windows,
  # and the SIMD code of libjpeg-turbo there
  dpkg-dev nasm
  # the image comparison tools and poppler's tools that check PDFs
  libjpeg-turbo-progs poppler-utils
  # the tests' own print server: CUPS with its generic PostScript driver and a
  # driver that is no PostScript device
  cups cups-daemon cups-client cups-common cups-filters cups-core-drivers cups-ppdc
  # the peer benchmark (bench/peers): unoconv over the system Python's UNO bridge
  unoconv python3-uno
  # the server's load benchmark (bench/serve)
  wrk
  # packaging: the Debian packages' checks (lintian, systemd-analyze for the
  # service unit, man for the manual pages), and the Python package's
  # installation and tests (a fresh venv for the wheel)
  lintian fakeroot python3-pytest python3-pip python3-setuptools python3-wheel python3-venv systemd man-db
  # the deployment tests: the Kubernetes manifests' reader, and the scale-out
  # test's load balancer and network namespaces
  python3-yaml haproxy iproute2
  # the formatter the tree is checked against (scripts/check-format.sh)
  clang-format-14
  # the compatible routes' tests with chromiumly (Node 18 or later; Debian 12
  # has 18), installed from its lock file by scripts/install-chromiumly.sh
  nodejs
)
# The container image's tools (deploy/build-image.sh); CI does not build it.
container_packages=(podman runc debootstrap)
# Only where 32-bit programs run: 32-bit Wine and the 32-bit CUPS client for
# its spooler. They are wanted, not needed: without them the 32-bit Windows
# suite is skipped and said so.
wanted_i386=()

if [ $tests -eq 1 ]; then
  packages+=("${test_packages[@]}")
  # Debian's npm, unless a Node of another source brought its own.
  command -v npm >/dev/null || packages+=(npm)
  if reason="$("$here/runs-32bit.sh")"; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      $SUDO dpkg --add-architecture i386
    fi
    wanted_i386=(wine32:i386 libcups2:i386)
  else
    echo "setup: this machine cannot run 32-bit programs ($reason): no 32-bit Wine."
  fi
fi

[ $containers -eq 0 ] || packages+=("${container_packages[@]}")

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done
missing_i386=()
for p in "${wanted_i386[@]}"; do installed "$p" || missing_i386+=("$p"); done

if [ ${#missing[@]} -gt 0 ] || [ ${#missing_i386[@]} -gt 0 ]; then
  # apt-get update fails as a whole when one index fails to download, though
  # the others are fresh; whether that matters shows in the installs below.
  if ! $SUDO apt-get update -qq; then
    echo "setup: apt-get update reported a failed index; going on with the indexes it has."
  fi
fi

if [ ${#missing[@]} -gt 0 ]; then
  if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
    # Name the packages that cannot be installed, one by one.
    failed=()
    for p in "${missing[@]}"; do
      installed "$p" || $SUDO apt-get install -y -qq --no-install-recommends "$p" >/dev/null 2>&1 ||
        failed+=("$p")
    done
    if [ ${#failed[@]} -gt 0 ]; then
      echo "setup: these needed packages cannot be installed: ${failed[*]}" >&2
      exit 1
    fi
  fi
fi

if [ ${#missing_i386[@]} -gt 0 ]; then
  if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing_i386[@]}"; then
    echo "setup: 32-bit Wine cannot be installed (${missing_i386[*]}):" \
         "the 32-bit Windows tests will be skipped."
  fi
fi

if [ $containers -eq 1 ] && [ ! -e /etc/containers/containers.conf ]; then
  # podman as root on a machine that may not raise resource limits.
  $SUDO mkdir -p /etc/containers
  printf '[containers]\ndefault_ulimits = []\n' | $SUDO tee /etc/containers/containers.conf >/dev/null
fi

if [ $tests -eq 1 ]; then
  # The Debian source packages of the libraries that Debian ships no mingw
  # build of; they are cross-compiled into quillet.dll at build time and
  # never committed.
  "$here/fetch-sources.sh"
  # chromiumly at its locked version, for cli_serve_routes_tests (npm's
  # registry is reachable where the set-up runs; the tests never fetch), as
  # the user who called sudo, so that the build tree stays theirs.
  # A registry that does not answer costs that one test (it skips and says
  # why), not the whole set-up.
  chromiumly=("$here/install-chromiumly.sh")
  if [ -n "${SUDO_USER:-}" ] && [ "$(id -u)" -eq 0 ]; then
    chromiumly=(sudo -u "$SUDO_USER" "${chromiumly[@]}")
  fi
  if ! "${chromiumly[@]}"; then
    echo "setup: WARNING: chromiumly could not be installed from npm's registry;" \
      "cli_serve_routes_tests will skip its chromiumly run" >&2
  fi
fi
