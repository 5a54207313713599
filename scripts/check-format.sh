#!/usr/bin/env bash
# Fails when a C or C++ file of the tree is not as clang-format writes it
# (.clang-format), naming the files; with --fix, formats them instead. The
# version is pinned: another clang-format may lay out the same code otherwise.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

formatter=clang-format-14
if ! command -v "$formatter" >/dev/null; then
  echo "check-format: $formatter is not installed (scripts/setup.sh --tests installs it)" >&2
  exit 1
fi
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
  "$formatter" -i "${files[@]}"
  exit 0
fi
# One run over every file; its complaints name the files.
mapfile -t unformatted < <("$formatter" --dry-run "${files[@]}" 2>&1 |
  sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning: code should be clang-formatted.*/\1/p' | sort -u)
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "check-format: ${#unformatted[@]} file(s) are not formatted (scripts/check-format.sh --fix):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files formatted"
