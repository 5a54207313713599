#!/usr/bin/env bash
# The main job: build libquillet.so, the LibreOffice stand-ins of Word, Excel
# and PowerPoint and the quillet command line, make a few documents through
# LibreOffice, and convert them through the library: a .docx to PDF, text and
# a web page, an .xlsx to CSV, a .pptx to its slide text and to JPEG slides,
# and a folder with a broken file in it. The conversions attach to a shared
# office started for the run (one started by the user is left running).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target quillet_cli quillet quillet_office >/dev/null
q=$PWD/build/native/tools/quillet
work=$(mktemp -d)
ours=""
cleanup() {
  if [ -n "$ours" ]; then "$q" office stop >/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

if ! "$q" office status >/dev/null; then
  "$q" office start
  ours=1
fi

ns='xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" office:version="1.3"'
cat > "$work/report.fodt" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<office:document $ns office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text>
<text:p>Quarterly report</text:p>
<text:p>Sales grew in every region. Größe, café and naïve survive as UTF-8.</text:p>
<text:p>Next quarter: more of the same.</text:p>
</office:text></office:body></office:document>
XML
cell() { printf '<table:table-cell office:value-type="%s"%s><text:p>%s</text:p></table:table-cell>' "$@"; }
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:body><office:spreadsheet><table:table table:name="Sales">' "$ns"
  printf '<table:table-row>%s%s</table:table-row>' "$(cell string '' Region)" "$(cell string '' Sales)"
  for row in North:1200 South:950 "East, far:400"; do
    printf '<table:table-row>%s%s</table:table-row>' "$(cell string '' "${row%%:*}")" \
      "$(cell float " office:value=\"${row##*:}\"" "${row##*:}")"
  done
  printf '</table:table></office:spreadsheet></office:body></office:document>\n'
} > "$work/sales.fods"
slide() { printf '<draw:page draw:name="%s"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="3cm"><draw:text-box><text:p>%s</text:p></draw:text-box></draw:frame><draw:frame svg:x="2cm" svg:y="7cm" svg:width="20cm" svg:height="3cm"><draw:text-box><text:p>%s</text:p></draw:text-box></draw:frame></draw:page>' "$@"; }
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:mimetype="application/vnd.oasis.opendocument.presentation"><office:body><office:presentation>' "$ns"
  slide p1 "Quillet" "Converts documents on Linux"
  slide p2 "How" "LibreOffice stays warm between files"
  printf '</office:presentation></office:body></office:document>\n'
} > "$work/deck.fodp"

run() { echo "--- quillet $*"; "$q" "$@" || true; }
echo "=== documents made through LibreOffice"
run convert "$work/report.fodt" "$work/report.docx"
run convert "$work/sales.fods" "$work/sales.xlsx"
run convert "$work/deck.fodp" "$work/deck.pptx"

echo "=== conversions"
run convert "$work/report.docx" "$work/report.pdf"
echo "    report.pdf: $(wc -c < "$work/report.pdf") bytes, $(head -c 8 "$work/report.pdf")"
run convert "$work/report.docx" "$work/report.txt"
sed 's/^/    /' "$work/report.txt"
run convert "$work/report.docx" "$work/report.htm" --option NOCREATEIMAGEDIR
echo "    report.htm: $(wc -c < "$work/report.htm") bytes, $(grep -c '<p' "$work/report.htm") paragraphs, no image folder:" \
  "$(ls -d "$work/report.files" 2>/dev/null || echo none)"
run convert "$work/sales.xlsx" "$work/sales.csv"
sed 's/^/    /' "$work/sales.csv"
run convert "$work/deck.pptx" "$work/deck.txt"
sed 's/^/    /' "$work/deck.txt" | tr '\r' ' '
run convert "$work/deck.pptx" "$work/deck.jpg" --option "JPEGWIDTH=640 JPEGKEEPASPECT"
for f in "$work"/deck/*.jpg; do
  echo "    $(basename "$f"): $(rdjpgcom -verbose "$f" | grep -o '[0-9]*w \* [0-9]*h')"
done
echo "    log: $(cat "$work/deck/deck.log")"
run convert "$work/missing.docx" "$work/missing.txt"

echo "=== a folder with a broken file"
mkdir -p "$work/in"
cp "$work/report.docx" "$work/sales.xlsx" "$work/deck.pptx" "$work/in/"
printf 'not a document' > "$work/in/broken.docx"
run folder "$work/in" "$work/out" --format pdf --report "$work/report.log" --json "$work/results.jsonl"
echo "    report:"
sed 's/^/    /' "$work/report.log"
echo "    JSON lines:"
sed 's/^/    /' "$work/results.jsonl"
