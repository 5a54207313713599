#!/usr/bin/env bash
# The peer benchmark: quillet against the tools people convert documents with
# on Linux, on the same small documents in the same run.
#
#   bench/peers/run.sh [N]        N documents of each kind (default 10)
#
# Per document (median milliseconds):
#   library      quillet through libquillet.so, N documents in one process,
#                office warm (bench/peers/LibraryBench.cpp)
#   floor        a minimal UNO client: load, store, close and nothing else
#                (bench/peers/UnoFloor.cpp): LibreOffice's own work
#   font record  the floor again inside the office's record of the fonts it
#                maps, which the library keeps for every document; its cost is
#                the difference to the floor (printed below the table)
#   one-shot     one `quillet convert` process per file, attached to `quillet office`
#   soffice      one `soffice --headless --convert-to` call per file
#   soffice-all  one `soffice --convert-to` call for all N files (time / N)
#   unoconv      one `unoconv` call per file against its listener
# for docx to txt, docx to pdf, xlsx to csv and pptx to pdf; the library and
# the floor use the same office as the one-shot calls. Then a folder of 40
# documents with `quillet folder --jobs 1` and `--jobs 2` (each starting its
# own offices). Measure on an otherwise quiet machine: the load comes first.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
source bench/lib.sh
n=${1:-10}
echo "load: $(uptime)"
echo "cores: $(nproc); $(soffice --version 2>/dev/null | head -1)"
cmake --preset native >/dev/null
cmake --build --preset native --target quillet_cli quillet quillet_office peers_library_bench peers_uno_floor >/dev/null
bin=$PWD/build/native
q=$bin/tools/quillet
work=$(mktemp -d)
# Profiles are kept between runs (a start then costs what LibreOffice needs).
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quillet/bench
mkdir -p "$cache"
export QUILLET_OFFICE_PIPE=quillet-bench
unoconv_pid=""
unoconv_port=20990
cleanup() {
  "$q" office stop >/dev/null 2>&1 || true
  [ -z "$unoconv_pid" ] || stop_unoconv "$unoconv_pid" "$unoconv_port"
  rm -rf "$work"
}
trap cleanup EXIT

# The documents, made through LibreOffice: a text of some paragraphs, a
# sheet of 40 rows, a presentation of three slides.
ns='xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" office:version="1.3"'
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text>' "$ns"
  for i in $(seq 1 12); do
    printf '<text:p>Paragraph %d. Documents are converted every day on servers; this one has a few sentences so that the text, the layout and the PDF export have something to do.</text:p>' "$i"
  done
  printf '</office:text></office:body></office:document>\n'
} > "$work/doc.fodt"
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:body><office:spreadsheet><table:table table:name="Data">' "$ns"
  for i in $(seq 1 40); do
    printf '<table:table-row><table:table-cell office:value-type="string"><text:p>Row %d</text:p></table:table-cell>' "$i"
    for j in 1 2 3 4; do
      printf '<table:table-cell office:value-type="float" office:value="%d"><text:p>%d</text:p></table:table-cell>' $((i * j)) $((i * j))
    done
    printf '</table:table-row>'
  done
  printf '</table:table></office:spreadsheet></office:body></office:document>\n'
} > "$work/book.fods"
{
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:mimetype="application/vnd.oasis.opendocument.presentation"><office:body><office:presentation>' "$ns"
  for i in 1 2 3; do
    printf '<draw:page draw:name="p%d"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="3cm"><draw:text-box><text:p>Slide %d</text:p></draw:text-box></draw:frame><draw:frame svg:x="2cm" svg:y="6cm" svg:width="20cm" svg:height="8cm"><draw:text-box><text:p>A point</text:p><text:p>Another point</text:p></draw:text-box></draw:frame></draw:page>' "$i" "$i"
  done
  printf '</office:presentation></office:body></office:document>\n'
} > "$work/deck.fodp"

"$q" office stop >/dev/null
"$q" office start >/dev/null
mkdir -p "$work/docs"
"$q" convert "$work/doc.fodt" "$work/docs/doc.docx" >/dev/null
"$q" convert "$work/book.fods" "$work/docs/book.xlsx" >/dev/null
"$q" convert "$work/deck.fodp" "$work/docs/deck.pptx" >/dev/null
for kind in docx xlsx pptx; do
  mkdir -p "$work/$kind"
  base=$(ls "$work"/docs/*."$kind")
  for i in $(seq -w 1 "$n"); do cp "$base" "$work/$kind/d$i.$kind"; done
done

# A listener for unoconv, with a profile of its own, started before the timing.
export UNOCONV_PYTHON=/usr/bin/python3
unoconv() { XDG_CONFIG_HOME="$cache/unoconv-config" /usr/bin/python3 /usr/bin/unoconv --port=$unoconv_port "$@"; }
# A brand-new profile makes the first listener end at once: once more then.
start_unoconv || start_unoconv || { echo "the unoconv listener does not start" >&2; exit 1; }
soffice_profile="file://$cache/soffice-profile"
soffice --headless -env:UserInstallation="$soffice_profile" --convert-to txt --outdir "$work/warm" \
  "$work/docx/d$(printf '%0*d' ${#n} 1).docx" >/dev/null 2>&1 || true

# kind target | library format and option | floor filter and options | quillet name | soffice target | unoconv format
cases=(
  "docx txt|2||Text (encoded)|UTF8,CRLF,,,|txt|txt:Text (encoded):UTF8|txt"
  "docx pdf|17||writer_pdf_Export||pdf|pdf|pdf"
  "xlsx csv|6|MS Excel|Text - txt - csv (StarCalc)|44,34,76,1,,0,false|csv|csv|csv"
  "pptx pdf|32|MS Powerpoint|impress_pdf_Export||pdf|pdf|pdf"
)
results=()
fonts=()
for c in "${cases[@]}"; do
  # (A program that starts an office of its own at the same moment may take
  # the shared office's pipe file for its own and remove it: start it again.)
  "$q" office status >/dev/null || { "$q" office stop >/dev/null; "$q" office start >/dev/null; }
  IFS='|' read -r what format option filter filteroptions name sofficeto unoconvto <<< "$c"
  kind=${what% *}
  ext=${what#* }
  files=("$work/$kind"/*."$kind")
  out=$work/out-$kind-$ext
  mkdir -p "$out"/{library,floor,oneshot,soffice,all,unoconv}
  # The library and the floor share the office: each runs twice, in turns,
  # after a round of both that is not counted (the office's first
  # conversions of a kind cost more).
  lib() { "$bin/bench/peers/peers_library_bench" "$format" "$option" "$out/library" ".$ext" "${files[@]}" | awk '{print $2}'; }
  bare() { "$bin/bench/peers/peers_uno_floor" "$QUILLET_OFFICE_PIPE" "$filter" "$filteroptions" "$out/floor" ".$ext" "${files[@]}" | awk '{print $2}'; }
  tracked() { QUILLET_BENCH_TRACK_FONTS=1 bare; }
  lib >/dev/null
  bare >/dev/null
  tracked >/dev/null
  lib >"$work/library.ms"
  bare >"$work/floor.ms"
  tracked >"$work/tracked.ms"
  lib >>"$work/library.ms"
  bare >>"$work/floor.ms"
  tracked >>"$work/tracked.ms"
  library=$(median < "$work/library.ms")
  floor=$(median < "$work/floor.ms")
  fonts+=("$what $(awk -v t="$(median < "$work/tracked.ms")" -v f="$floor" 'BEGIN {printf "%+.1f", t - f}')")
  oneshot=$(for f in "${files[@]}"; do
    t=$(now); "$q" convert "$f" "$out/oneshot/$(basename "${f%.*}").$ext" --format "$name" >/dev/null; echo $(( ($(now) - t) / 1000 ))
  done | awk '{print $1 / 1000}' | median)
  soffice=$(for f in "${files[@]}"; do
    t=$(now); soffice --headless -env:UserInstallation="$soffice_profile" --convert-to "$sofficeto" --outdir "$out/soffice" "$f" >/dev/null 2>&1
    echo $(( ($(now) - t) / 1000 ))
  done | awk '{print $1 / 1000}' | median)
  t=$(now)
  soffice --headless -env:UserInstallation="$soffice_profile" --convert-to "$sofficeto" --outdir "$out/all" "${files[@]}" >/dev/null 2>&1
  all=$(awk -v t=$(( ($(now) - t) / 1000 )) -v n=${#files[@]} 'BEGIN {printf "%.1f", t / 1000 / n}')
  unoconv=$(for f in "${files[@]}"; do
    # (unoconv 0.7 loses the file's name when -o is a folder)
    t=$(now); unoconv -f "$unoconvto" -o "$out/unoconv/$(basename "${f%.*}").$ext" "$f" >/dev/null 2>&1
    echo $(( ($(now) - t) / 1000 ))
  done | awk '{print $1 / 1000}' | median)
  for d in library floor oneshot soffice all unoconv; do
    made=$(ls "$out/$d" | wc -l)
    [ "$made" -ge "${#files[@]}" ] || echo "warning: $what $d made $made of ${#files[@]} files" >&2
  done
  results+=("$what|$library|$floor|$oneshot|$soffice|$all|$unoconv")
done

# A folder of 40 documents to PDF, each run starting its own offices.
mkdir -p "$work/folder"
for i in $(seq -w 1 14); do cp "$work/docs/doc.docx" "$work/folder/doc$i.docx"; done
for i in $(seq -w 1 13); do cp "$work/docs/book.xlsx" "$work/folder/book$i.xlsx"; cp "$work/docs/deck.pptx" "$work/folder/deck$i.pptx"; done
# Wall time, and the processor time of the run with its offices (their
# processes are children of the run), in seconds.
folder_run() {
  local TIMEFORMAT="%R %U %S"
  { time QUILLET_OFFICE_PIPE=quillet-bench-none "$q" folder "$work/folder" "$work/folder-out-$1" --format pdf \
      --jobs "$1" >/dev/null 2>&1; } 2>&1 | awk '{printf "%.2f %.2f", $1, $2 + $3}'
}
read -r jobs1 cpu1 <<< "$(folder_run 1)"
read -r jobs2 cpu2 <<< "$(folder_run 2)"
read -r jobs1b cpu1b <<< "$(folder_run 1)"
read -r jobs2b cpu2b <<< "$(folder_run 2)"

echo
echo "| conversion | library | floor | library / floor | one-shot quillet | soffice per call | soffice one call | unoconv | soffice / one-shot |"
echo "|---|---|---|---|---|---|---|---|---|"
for r in "${results[@]}"; do
  IFS='|' read -r what library floor oneshot soffice all unoconv <<< "$r"
  awk -v w="$what" -v l="$library" -v f="$floor" -v o="$oneshot" -v s="$soffice" -v a="$all" -v u="$unoconv" \
    'BEGIN {printf "| %s | %.1f | %.1f | %.2f | %.1f | %.1f | %.1f | %.1f | %.1f x |\n", w, l, f, l / f, o, s, a, u, s / o}'
done
echo
echo "the font record per document, floor with it minus floor without, ms: $(IFS=,; echo "${fonts[*]}" | sed 's/,/, /g')"
echo "folder of 40 documents to PDF, wall (processor) seconds: --jobs 1 ${jobs1} (${cpu1}) and ${jobs1b} (${cpu1b})," \
  "--jobs 2 ${jobs2} (${cpu2}) and ${jobs2b} (${cpu2b}); speed-up" \
  "$(awk -v a="$jobs1" -v b="$jobs2" -v c="$jobs1b" -v d="$jobs2b" 'BEGIN {x = (a < c ? a : c); y = (b < d ? b : d); printf "%.2f", x / y}') x (best of each)"
echo "milliseconds per document, medians of $n; load afterwards: $(uptime)"
