#!/usr/bin/env bash
# The main job, as far as the library goes today: build libquillet.so and the
# command-line front end, ask the library who it is, and hand it a document.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target quillet-convert >/dev/null
cli=build/native/tools/quillet-convert
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for field in softwarename softwarebigversion dateversion; do
  printf '%-20s %s\n' "$field" "$("$cli" --field "$field")"
done

printf 'Quillet demo document.\n' > "$work/demo.doc"
echo "--- converting $work/demo.doc to text"
"$cli" "$work/demo.doc" "$work/demo.txt" 2 "" || true
echo "--- a source that does not exist"
"$cli" "$work/missing.doc" "$work/out.txt" 2 "" || true
