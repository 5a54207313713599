#!/usr/bin/env bash
# The shell loop people write: N `quillet convert` calls one after another,
# without a lingering office (each call starts and ends its own), with one
# (--keep-office: the first call starts it, the others attach), against N
# `soffice --headless --convert-to` calls; the same small .docx to text, in
# the same run. No shared office ("quillet office start") runs meanwhile.
#
#   bench/loop.sh [N]        N calls of each (default 20)
#
# Prints the whole loop's seconds and each call's median milliseconds.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source bench/lib.sh
n=${1:-20}
echo "load: $(uptime)"
echo "cores: $(nproc); $(soffice --version 2>/dev/null | head -1)"
cmake --preset native >/dev/null
cmake --build --preset native --target quillet_cli quillet quillet_office >/dev/null
q=$PWD/build/native/tools/quillet
work=$(mktemp -d)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quillet/bench
mkdir -p "$cache"
# A pipe and runtime folder of the benchmark's own: nothing of the user's is
# attached to, and the lingering office is ended at the end.
export QUILLET_OFFICE_PIPE=quillet-bench-loop XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QUILLET_KEEP_OFFICE
cleanup() {
  "$q" office stop >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

ns='xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.3"'
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text>' "$ns"
  for i in $(seq 1 12); do printf '<text:p>Paragraph %d of a small document.</text:p>' "$i"; done
  printf '</office:text></office:body></office:document>\n'
} > "$work/doc.fodt"
"$q" convert "$work/doc.fodt" "$work/doc.docx" >/dev/null
mkdir -p "$work"/{docs,cold,kept,soffice}
for i in $(seq -w 1 "$n"); do cp "$work/doc.docx" "$work/docs/d$i.docx"; done
soffice_profile="file://$cache/soffice-profile"
# soffice's profile made before the timing, as quillet's are.
soffice --headless -env:UserInstallation="$soffice_profile" --convert-to txt --outdir "$work/soffice" \
  "$work/doc.docx" >/dev/null 2>&1 || true

# Runs "$@" once per document ({} the document's name), prints the loop's
# seconds and the median call.
loop() {
  local times=() start t
  start=$(now)
  for f in "$work"/docs/*.docx; do
    t=$(now)
    "${@//\{\}/$f}" >/dev/null 2>&1
    times+=($((($(now) - t) / 1000000)))
  done
  printf '%8.2f s  %8s ms a call\n' "$(echo "($(now) - $start) / 1000000000" | bc -l)" \
    "$(printf '%s\n' "${times[@]}" | median)"
}
printf '%-34s' "quillet convert"; loop "$q" convert {} "$work/cold/x.txt"
printf '%-34s' "quillet convert --keep-office 30"; loop "$q" convert {} "$work/kept/x.txt" --keep-office 30
printf '%-34s' "soffice --convert-to"
loop soffice --headless -env:UserInstallation="$soffice_profile" --convert-to txt --outdir "$work/soffice" {}
"$q" office status | head -1
