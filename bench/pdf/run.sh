#!/usr/bin/env bash
# Makes a small .docx, .xlsx and .pptx with LibreOffice and times PDF output
# for each (see PdfBench.cpp). Build first: cmake --build --preset native.
#   bench/pdf/run.sh [rounds]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$here/../../build/native"
rounds="${1:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# No server registry: the stand-ins over LibreOffice and the PDF software of
# libquillet-pdf.so; a pipe of our own, so no office of the user's is used.
unset QUILLET_AUTOMATION_REGISTRY
export XDG_CONFIG_HOME="$work/config" QUILLET_OFFICE_PIPE="quillet-pdf-bench-$$" TMPDIR="$work"

cd "$work"
ns='xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" office:version="1.2"'
{
  echo '<?xml version="1.0" encoding="UTF-8"?>'
  echo "<office:document $ns office:mimetype=\"application/vnd.oasis.opendocument.text\"><office:body><office:text>"
  echo "<text:h text:outline-level=\"1\">Quarterly memo</text:h>"
  for i in $(seq 1 40); do echo "<text:p>Line $i of the memo, with words enough to fill a line of the page.</text:p>"; done
  echo "</office:text></office:body></office:document>"
} > memo.fodt
{
  echo '<?xml version="1.0" encoding="UTF-8"?>'
  echo "<office:document $ns office:mimetype=\"application/vnd.oasis.opendocument.spreadsheet\"><office:body>"
  echo "<office:spreadsheet><table:table table:name=\"Figures\">"
  for i in $(seq 1 60); do
    echo "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>Item $i</text:p></table:table-cell>"
    echo "<table:table-cell office:value-type=\"float\" office:value=\"$((i * 12))\"><text:p>$((i * 12))</text:p>"
    echo "</table:table-cell></table:table-row>"
  done
  echo "</table:table></office:spreadsheet></office:body></office:document>"
} > book.fods
{
  echo '<?xml version="1.0" encoding="UTF-8"?>'
  echo "<office:document $ns office:mimetype=\"application/vnd.oasis.opendocument.presentation\"><office:body>"
  echo "<office:presentation>"
  for i in 1 2 3; do
    echo "<draw:page draw:name=\"s$i\"><draw:frame svg:x=\"2cm\" svg:y=\"2cm\" svg:width=\"20cm\" svg:height=\"4cm\">"
    echo "<draw:text-box><text:p>Slide $i</text:p><text:p>North and south</text:p></draw:text-box></draw:frame></draw:page>"
  done
  echo "</office:presentation></office:body></office:document>"
} > deck.fodp
profile="file://$work/make-profile"
soffice -env:UserInstallation="$profile" --headless --convert-to "docx:MS Word 2007 XML" memo.fodt >/dev/null 2>&1
soffice -env:UserInstallation="$profile" --headless --convert-to "xlsx:Calc MS Excel 2007 XML" book.fods >/dev/null 2>&1
soffice -env:UserInstallation="$profile" --headless --convert-to "pptx:Impress MS PowerPoint 2007 XML" deck.fodp >/dev/null 2>&1
files=("$work/memo.docx" "$work/book.xlsx" "$work/deck.pptx")
for f in "${files[@]}"; do [ -f "$f" ] || { echo "could not make $f" >&2; exit 1; }; done
uptime
"$build/bench/pdf/pdf_bench" "$rounds" "${files[@]}"
