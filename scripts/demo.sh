#!/usr/bin/env bash
# The main job: build libquillet.so and its command-line front end, and
# convert documents through the library's entry points. Until the Linux
# office stand-ins are installed, the applications are the test doubles of
# Word, Excel and PowerPoint, registered for this run only: they answer every
# call the converter makes and write small result files, so the whole road
# (routing, open, save, close, web-page merge, slide pictures, folder report)
# runs for real.
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

doubles=$(find "$PWD/build/native" -name 'liboffice_doubles.so' -print -quit)
{
  printf 'Word.Application {6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7701} WordGetClassObject %s\n' "$doubles"
  printf 'Excel.Application {6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7702} ExcelGetClassObject %s\n' "$doubles"
  printf 'PowerPoint.Application {6F0A8F52-3C1D-4B7E-9E21-5A4C0D1E7703} PowerPointGetClassObject %s\n' "$doubles"
} > "$work/automation-servers"
mkdir -p "$work/doubles" "$work/in"
printf 'Sheets=3\n' > "$work/doubles/Excel.script"
printf 'Slide=text:Quillet;picture\nSlide=text:Converts documents\nSlideSize=320x240\n' \
  > "$work/doubles/PowerPoint.script"
printf 'Fail=Word.Document(broken.doc).SaveAs|The disk is full.\n' > "$work/doubles/Word.script"
export QUILLET_AUTOMATION_REGISTRY="$work/automation-servers" QUILLET_DOUBLES_DIR="$work/doubles"
for f in report.doc letter.doc broken.doc; do printf 'A document.\n' > "$work/in/$f"; done
printf 'cells\n' > "$work/in/book.xls"
printf 'slides\n' > "$work/in/deck.ppt"

run() { echo "--- quillet-convert $*"; "$cli" "$@" || true; }
run "$work/in/report.doc" "$work/report.txt" 2 ""
echo "    $(cat "$work/report.txt")"
run "$work/in/book.xls" "$work/book.htm" 44 "MS Excel MERGEHTML"
echo "    book.htm: $(grep -c '<table' "$work/book.htm") sheet tables merged into one page"
run "$work/in/deck.ppt" "$work/deck.txt" 9999 "MS Powerpoint"
sed 's/^/    /' "$work/deck.txt"
run "$work/in/deck.ppt" "$work/deck.jpg" 17 "MS Powerpoint JPEGWIDTH=160 JPEGKEEPASPECT"
echo "    $(ls "$work/deck" | tr '\n' ' ')"
echo "    log: $(cat "$work/deck/deck.log")"
run "$work/in/missing.doc" "$work/out.txt" 2 ""
run --folder "$work/in/*.doc" "$work/out" 7 "$work/report.log" ""
echo "    report:"
sed 's/^/    /' "$work/report.log"
