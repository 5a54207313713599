#!/usr/bin/env bash
# Installs chromiumly, the Node client of the service whose routes quillet
# serve also answers, at the version tests/clients/chromiumly/package-lock.json
# pins, with npm ci into DIR (default: build/clients/chromiumly, where
# cli_serve_routes_tests looks). Nothing is installed at test time: without
# this folder that test is skipped and says why.
#
#   scripts/install-chromiumly.sh [DIR]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="${1:-$root/build/clients/chromiumly}"
mkdir -p "$dir"
cp "$root/tests/clients/chromiumly/package.json" "$root/tests/clients/chromiumly/package-lock.json" "$dir/"
cd "$dir"
# --ignore-scripts: no package's install script runs.
npm ci --ignore-scripts --no-audit --no-fund
