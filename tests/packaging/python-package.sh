#!/bin/bash
# The Python package as a user installs it: pip installs python/ without the
# network into a temporary folder (Debian's pip keeps the system's own
# packages to itself), and pytest runs its tests against it with the built
# library.
#
#   python-package.sh SOURCE_DIR LIBRARY PROGRAM
set -euo pipefail
source_dir=$1
python=/usr/bin/python3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# pip builds in the folder it installs from: a copy keeps the sources clean.
cp -r "$source_dir/python" "$work/src"
"$python" -m pip install --quiet --no-build-isolation --no-deps --no-index --target "$work/site" "$work/src" \
  >"$work/pip.log" 2>&1 || { cat "$work/pip.log"; exit 1; }
cd "$work"
PYTHONDONTWRITEBYTECODE=1 PYTHONPATH="$work/site" QUILLET_LIBRARY="$2" QUILLET_PROGRAM="$3" QUILLET_HEADER="$source_dir/include/quillet/quillet.h" \
  "$python" -m pytest -q -p no:cacheprovider "$source_dir/tests/packaging/python"
