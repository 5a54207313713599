#!/usr/bin/env bash
# The soak benchmark: COUNT (default 1000) conversions of a small .docx to
# text in one process through the library and the LibreOffice stand-ins.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
count=${1:-1000}
cmake --preset native >/dev/null
cmake --build --preset native --target quillet_cli quillet quillet_office soak_bench >/dev/null
bin=$PWD/build/native
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ns='xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.3"'
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text>' "$ns"
  for i in $(seq 1 12); do
    printf '<text:p>Paragraph %d. A small document, converted again and again as a server would.</text:p>' "$i"
  done
  printf '</office:text></office:body></office:document>\n'
} > "$work/doc.fodt"
"$bin/tools/quillet" convert "$work/doc.fodt" "$work/doc.docx" >/dev/null
echo "cores: $(nproc); $(soffice --version 2>/dev/null | head -1)"
"$bin/bench/soak/soak_bench" "$work/doc.docx" "$work/doc.txt" 2 "$count" 100
