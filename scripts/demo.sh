#!/usr/bin/env bash
# The main job, as far as the library goes today: build libquillet.so and the
# command-line front end, ask the library who it is, and hand it a document.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target quillet-convert office_doubles >/dev/null
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

# The same library against the Word double, registered as "Word.Application"
# for this run only: the destination format table is built from Word's answers
# over late-bound calls, and the double's transcript shows every call it got.
doubles=$(find "$PWD/build/native" -name 'liboffice_doubles.so' -print -quit)
printf 'Word.Application {6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7701} WordGetClassObject %s\n' "$doubles" \
  > "$work/automation-servers"
mkdir -p "$work/doubles"
echo "--- destformatlist, answered by the Word double"
QUILLET_AUTOMATION_REGISTRY="$work/automation-servers" QUILLET_DOUBLES_DIR="$work/doubles" \
  "$cli" --field destformatlist
for transcript in "$work"/doubles/*; do
  [ -f "$transcript" ] || continue
  echo "--- $(basename "$transcript")"
  cat "$transcript"
done
