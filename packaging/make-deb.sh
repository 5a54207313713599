#!/bin/bash
# Makes the Debian packages libquillet1, libquillet-dev, quillet and
# python3-quillet (<name>_<version>-1_<arch>.deb) from a built tree (CPack's
# DEB generator over the tree's install rules: nothing is built again) and
# checks them with lintian: an error or a warning that no override explains
# fails them.
#
#   packaging/make-deb.sh [BUILD_DIR [OUT_DIR]]    (default: build/native, .)
#
# Prints the packages' paths, one a line.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$source_dir/build/native}" && pwd)
out=$(mkdir -p "${2:-.}" && cd "${2:-.}" && pwd)

# The manual pages and the wheel are made by the build; installing never builds.
for made in packaging/man/quillet.1.gz packaging/man/quillet-serve.1.gz; do
  [ -f "$build/$made" ] || { echo "$build/$made is missing: build the tree first (help2man writes the manual pages)" >&2; exit 1; }
done
cd "$out"
# Earlier packages of ours go; other files of the folder stay.
packages=(libquillet1 libquillet-dev quillet python3-quillet)
for package in "${packages[@]}"; do rm -f "$out/${package}"_*.deb; done
cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
rm -rf "$out/_CPack_Packages"
debs=()
for package in "${packages[@]}"; do debs+=("$(ls "$out/${package}"_*.deb)"); done
printf '%s\n' "${debs[@]}"
lintian --fail-on error,warning "${debs[@]}"
