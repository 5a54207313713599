#!/usr/bin/env bash
# The server benchmark: quillet serve under a bounded load of small documents
# from a second process (bench/serve/load.py), beside the library's own time
# per document and one unoconv call per document, in the same run.
#
#   bench/serve/run.sh [N]     N requests per client and concurrency (default 15)
#
# For --workers 1 and --workers 2: .docx to PDF at concurrency 1, 2, 4 and 8
# (requests per second, p50 and p99 milliseconds); then an overload of 16
# clients against 2 workers and a queue of 2 (only 200 and 429 expected;
# a client told 429 waits 100 ms);
# then a folder of 40 documents to PDF with `quillet folder --jobs 1` and
# `--jobs 2` on warm offices (`quillet office start --instances 2`).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
source bench/lib.sh
n=${1:-15}
echo "load: $(uptime)"
echo "cores: $(nproc); $(soffice --version 2>/dev/null | head -1)"
if [ -z "${QUILLET_BENCH_BUILT:-}" ]; then  # (set it when the targets below are built already)
  cmake --preset native >/dev/null
  cmake --build --preset native --target quillet_cli quillet quillet_office peers_library_bench >/dev/null
fi
bin=$PWD/build/native
q=$bin/tools/quillet
load=$PWD/bench/serve/load.py
work=$(mktemp -d)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quillet/bench
mkdir -p "$cache"
export XDG_CACHE_HOME=$cache
export QUILLET_OFFICE_PIPE=quillet-bench-serve
server_pid=""
unoconv_pid=""
unoconv_port=20991
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true
  "$q" office stop >/dev/null 2>&1 || true
  [ -z "$unoconv_pid" ] || stop_unoconv "$unoconv_pid" "$unoconv_port"
  rm -rf "$work"
}
trap cleanup EXIT

# The documents: a text of twelve paragraphs, a sheet of 40 rows, three slides.
ns='xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0" office:version="1.3"'
flat() {  # KIND BODY
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:mimetype="application/vnd.oasis.opendocument.%s"><office:body><office:%s>%s</office:%s></office:body></office:document>\n' \
    "$ns" "$1" "$1" "$2" "$1"
}
flat text "$(for i in $(seq 1 12); do printf '<text:p>Paragraph %d. Documents are converted every day on servers; this one has a few sentences so that the layout and the PDF export have something to do.</text:p>' "$i"; done)" > "$work/doc.fodt"
flat spreadsheet "<table:table table:name=\"Data\">$(for i in $(seq 1 40); do printf '<table:table-row><table:table-cell office:value-type="string"><text:p>Row %d</text:p></table:table-cell><table:table-cell office:value-type="float" office:value="%d"><text:p>%d</text:p></table:table-cell></table:table-row>' "$i" "$i" "$i"; done)</table:table>" > "$work/book.fods"
flat presentation "$(for i in 1 2 3; do printf '<draw:page draw:name="p%d"><draw:frame svg:x="2cm" svg:y="2cm" svg:width="20cm" svg:height="3cm"><draw:text-box><text:p>Slide %d</text:p></draw:text-box></draw:frame></draw:page>' "$i" "$i"; done)" > "$work/deck.fodp"

"$q" office stop >/dev/null
"$q" office start >/dev/null
mkdir -p "$work/docs"
"$q" convert "$work/doc.fodt" "$work/docs/doc.docx" >/dev/null
"$q" convert "$work/book.fods" "$work/docs/book.xlsx" >/dev/null
"$q" convert "$work/deck.fodp" "$work/docs/deck.pptx" >/dev/null
mkdir -p "$work/docx"
for i in $(seq -w 1 10); do cp "$work/docs/doc.docx" "$work/docx/d$i.docx"; done
docs=("$work"/docx/*.docx)

# The library's own time per document, office warm (median of 10, twice).
mkdir -p "$work/library"
library=$( { "$bin/bench/peers/peers_library_bench" 17 "" "$work/library" .pdf "${docs[@]}";
             "$bin/bench/peers/peers_library_bench" 17 "" "$work/library" .pdf "${docs[@]}"; } | awk '{print $2}' | median)
"$q" office stop >/dev/null

# unoconv once per document against its listener.
export UNOCONV_PYTHON=/usr/bin/python3
unoconv="-"
if start_unoconv || start_unoconv; then
  mkdir -p "$work/unoconv"
  unoconv=$(for f in "${docs[@]}"; do
    t=$(now)
    XDG_CONFIG_HOME="$cache/unoconv-config" /usr/bin/python3 /usr/bin/unoconv --port=$unoconv_port -f pdf \
      -o "$work/unoconv/$(basename "${f%.*}").pdf" "$f" >/dev/null 2>&1
    echo $(( ($(now) - t) / 1000 ))
  done | awk '{print $1 / 1000}' | median)
  kill "$unoconv_pid" 2>/dev/null || true
fi

# A server on a free port; its address once /health says 200.
serve() {
  "$q" serve --listen 127.0.0.1:0 "$@" >"$work/serve.out" 2>"$work/serve.log" &
  server_pid=$!
  local port=""
  for _ in $(seq 1 600); do
    port=$(grep -o 'listening on 127.0.0.1:[0-9]*' "$work/serve.out" 2>/dev/null | sed 's/.*://') || true
    if [ -n "$port" ] && [ "$(curl -s -o /dev/null -w '%{http_code}' "127.0.0.1:$port/health")" = 200 ]; then
      address=127.0.0.1:$port
      return 0
    fi
    sleep 0.1
  done
  echo "the server did not start" >&2
  exit 1
}
unserve() { kill -TERM "$server_pid"; wait "$server_pid" || echo "warning: the server exited with $?" >&2; server_pid=""; }
field() { python3 -c "import json,sys; d=json.loads(sys.argv[1]); print(d[sys.argv[2]])" "$1" "$2"; }

rows=()
for workers in 1 2; do
  serve --workers "$workers" --max-queue 64
  python3 "$load" "$address" pdf "$workers" $((5 * workers)) "${docs[@]}" >/dev/null  # warm-up
  for c in 1 2 4 8; do
    r=$(python3 "$load" "$address" pdf "$c" $((n * c)) "${docs[@]}")
    rows+=("$workers|$c|$(field "$r" per_second)|$(field "$r" p50_ms)|$(field "$r" p99_ms)|$(field "$r" statuses)")
  done
  unserve
done

# Overload: 16 clients, 2 workers, a queue of 2; a client told 429 waits 100 ms.
serve --workers 2 --max-queue 2
overload=$(python3 "$load" --backoff 100 "$address" pdf 16 $((n * 16)) "${docs[@]}")
unserve

# A folder of 40 documents to PDF on warm offices.
mkdir -p "$work/folder"
for i in $(seq -w 1 14); do cp "$work/docs/doc.docx" "$work/folder/doc$i.docx"; done
for i in $(seq -w 1 13); do cp "$work/docs/book.xlsx" "$work/folder/book$i.xlsx"; cp "$work/docs/deck.pptx" "$work/folder/deck$i.pptx"; done
"$q" office start --instances 2 >/dev/null
folder_run() {
  local t
  t=$(now)
  "$q" folder "$work/folder" "$work/folder-out-$1" --format pdf --jobs "$1" >/dev/null 2>&1
  awk -v t=$(( ($(now) - t) / 1000 )) 'BEGIN {printf "%.2f", t / 1e6}'
}
folder_run 2 >/dev/null  # the offices' first conversions of each kind
jobs1=$(folder_run 1); jobs2=$(folder_run 2); jobs1b=$(folder_run 1); jobs2b=$(folder_run 2)
"$q" office stop >/dev/null

echo
echo "Per document, .docx to PDF: library $library ms (median, office warm), unoconv $unoconv ms (one call each)"
echo
echo "| workers | clients | requests/s | p50 ms | p99 ms | answers |"
echo "|---|---|---|---|---|---|"
for r in "${rows[@]}"; do
  IFS='|' read -r w c rate p50 p99 statuses <<< "$r"
  echo "| $w | $c | $rate | $p50 | $p99 | $statuses |"
done
echo
echo "Overload (2 workers, queue 2, 16 clients backing off 100 ms after a 429): $overload"
echo
echo "Folder of 40 documents to PDF on warm offices, wall seconds: --jobs 1 $jobs1 and $jobs1b, --jobs 2 $jobs2 and $jobs2b"
