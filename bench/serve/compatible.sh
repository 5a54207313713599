#!/usr/bin/env bash
# The compatible route's benchmark: POST /forms/libreoffice/convert of quillet
# serve, whose files of one request go to as many workers as are idle,
# against the same files sent one by one, and its throughput against one
# soffice process per document (what a one-office-per-call service does).
#
#   bench/serve/compatible.sh [N]     N rounds of each measure (default 10)
#
# With --workers 2: one request of 4 .docx files merged into one PDF, against
# the 4 files in 4 requests one after another (seconds for the 4, from the
# requests per second of N rounds); then single-file requests at concurrency
# 1, 2 and 4 (requests per second, p50 and p99 ms), beside
# `soffice --headless --convert-to pdf` run once per document at the same
# concurrency, each process with a profile of its own, warmed first.
# A benchmark, not a test: it asserts nothing and prints a table.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."
source bench/lib.sh
n=${1:-10}
echo "load: $(uptime)"
echo "cores: $(nproc); $(soffice --version 2>/dev/null | head -1)"
if [ -z "${QUILLET_BENCH_BUILT:-}" ]; then  # (set it when the targets below are built already)
  cmake --preset native >/dev/null
  cmake --build --preset native --target quillet_cli quillet quillet_office >/dev/null
fi
q=$PWD/build/native/tools/quillet
load=$PWD/bench/serve/load.py
work=$(mktemp -d)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quillet/bench
mkdir -p "$cache"
export XDG_CACHE_HOME=$cache
export QUILLET_OFFICE_PIPE=quillet-bench-compatible
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null || true
  "$q" office stop >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# Four documents of twelve paragraphs each, made .docx by quillet itself.
ns='xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.3"'
"$q" office stop >/dev/null
"$q" office start >/dev/null
mkdir -p "$work/docs"
for d in 1 2 3 4; do
  body=$(for i in $(seq 1 12); do printf '<text:p>Document %d, paragraph %d. Documents are converted every day on servers; this one has a few sentences so that the layout and the PDF export have something to do.</text:p>' "$d" "$i"; done)
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<office:document %s office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text>%s</office:text></office:body></office:document>\n' \
    "$ns" "$body" > "$work/doc$d.fodt"
  "$q" convert "$work/doc$d.fodt" "$work/docs/doc$d.docx" >/dev/null
done
"$q" office stop >/dev/null
docs=("$work"/docs/*.docx)

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
seconds_for() {  # REQUESTS_PER_SECOND REQUESTS: the seconds that many take one after another
  python3 -c "import sys; r=float(sys.argv[1]); print(round(float(sys.argv[2]) / r, 3) if r else '-')" "$1" "$2"
}

serve --workers 2 --max-queue 16
python3 "$load" --compatible "$address" pdf 2 8 "${docs[@]}" >/dev/null  # warm-up
together=$(python3 "$load" --compatible --batch 4 "$address" pdf 1 "$n" "${docs[@]}")
apart=$(python3 "$load" --compatible "$address" pdf 1 $((4 * n)) "${docs[@]}")
rows=()
for c in 1 2 4; do
  r=$(python3 "$load" --compatible "$address" pdf "$c" $((n * c)) "${docs[@]}")
  rows+=("$c|$(field "$r" per_second)|$(field "$r" p50_ms)|$(field "$r" p99_ms)|$(field "$r" statuses)")
done
unserve

# One soffice per document, C at once, each slot with its own warmed profile.
soffice_rate() {  # CONCURRENCY
  local c=$1 total=$((n * $1)) t
  mkdir -p "$work/soffice-out"
  for slot in $(seq 1 "$c"); do  # the profiles' first start is not counted
    soffice -env:UserInstallation="file://$work/profile-$slot" --headless --convert-to pdf \
      --outdir "$work/soffice-out" "${docs[0]}" >/dev/null 2>&1
  done
  t=$(now)
  for i in $(seq 0 $((total - 1))); do echo "$((i % c + 1)) ${docs[$((i % 4))]}"; done |
    xargs -P "$c" -L 1 sh -c 'soffice -env:UserInstallation="file://'"$work"'/profile-$0" --headless \
      --convert-to pdf --outdir "'"$work"'/soffice-out/$0" "$1" >/dev/null 2>&1'
  python3 -c "import sys; print(round(int(sys.argv[1]) / ((int(sys.argv[2])) / 1e9), 2))" "$total" $(( $(now) - t ))
}
baseline=()
for c in 1 2 4; do baseline+=("$(soffice_rate "$c")"); done

echo
echo "4 .docx files to PDF with --workers 2 (from the rate over $n rounds):"
echo "  one request of the 4 (merged): $(seconds_for "$(field "$together" per_second)" 1) s" \
     "(p50 $(field "$together" p50_ms) ms; answers $(field "$together" statuses))"
echo "  the 4 in 4 requests, one after another: $(seconds_for "$(field "$apart" per_second)" 4) s" \
     "(answers $(field "$apart" statuses))"
echo
echo "| clients | quillet requests/s | p50 ms | p99 ms | answers | soffice per call, documents/s |"
echo "|---|---|---|---|---|---|"
i=0
for r in "${rows[@]}"; do
  IFS='|' read -r c rate p50 p99 statuses <<< "$r"
  echo "| $c | $rate | $p50 | $p99 | $statuses | ${baseline[$i]} |"
  i=$((i + 1))
done
