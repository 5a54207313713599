#!/bin/bash
# Builds the container image of `quillet serve` with podman and converts a
# .docx through it: the base image from debootstrap (no registry is needed),
# the Debian packages from a built tree, deploy/Containerfile over both; then a
# container on a read-only root with a tmpfs /tmp converts a document posted
# to /convert, and stops on SIGTERM.
#
#   deploy/build-image.sh [--debs DIR] [--build-dir DIR] [--tag NAME] [--no-run]
#
# --debs: a folder of the packages made already (else packaging/make-deb.sh
# makes them from the build tree, default build/native); the image installs
# libquillet1 and quillet. Needs root, podman, runc and debootstrap.
# Prints the figures: base and image build time, image size, first request.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
debs="" build="$source_dir/build/native" tag="localhost/quillet:2.0" run=1
base=localhost/quillet-base:bookworm
while [ $# -gt 0 ]; do
  case "$1" in
    --debs) debs=$2; shift 2 ;;
    --build-dir) build=$2; shift 2 ;;
    --tag) tag=$2; shift 2 ;;
    --no-run) run=0; shift ;;
    *) echo "usage: $0 [--debs DIR] [--build-dir DIR] [--tag NAME] [--no-run]" >&2; exit 2 ;;
  esac
done

# crun refuses a hybrid cgroup layout, and a machine without the right to raise
# resource limits needs default_ulimits = [] in /etc/containers/containers.conf.
podman() { command podman --runtime runc --cgroup-manager=cgroupfs "$@"; }
if ! grep -qs '^default_ulimits *= *\[\]' /etc/containers/containers.conf; then
  echo "note: without 'default_ulimits = []' under [containers] in /etc/containers/containers.conf" \
       "podman may fail with 'setrlimit RLIMIT_NOFILE: Operation not permitted'" >&2
fi

work=$(mktemp -d)
container=""
cleanup() {
  [ -z "$container" ] || podman rm -f -t 0 "$container" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }

"$source_dir/deploy/base-image.sh" "$base"

mkdir "$work/context"
if [ -z "$debs" ]; then
  debs="$work/deb"
  "$source_dir/packaging/make-deb.sh" "$build" "$debs" >/dev/null
fi
cp "$debs"/libquillet1_*.deb "$debs"/quillet_*.deb "$source_dir/deploy/Containerfile" "$work/context/"

started=$(now)
# The docker format keeps the HEALTHCHECK, which OCI images have no field for.
podman build --format docker --build-arg BASE="$base" -t "$tag" -f "$work/context/Containerfile" "$work/context" \
  >"$work/build.log" 2>&1 || { tail -40 "$work/build.log"; exit 1; }
echo "image $tag: built in $(since "$started") s, $(podman image inspect "$tag" --format '{{.Size}}' |
  awk '{printf "%.0f MB", $1 / 1e6}')"
[ "$run" = 1 ] || exit 0

# The container as a cluster runs it: read-only root, /tmp its only writable folder.
python3 "$source_dir/tests/packaging/make_docx.py" "$work/memo.docx" "Converted in a container"
started=$(now)
# The periodic health check needs systemd's timers (podman says so where there
# are none): the check is run once below.
container=$(podman run -d --read-only --tmpfs /tmp:rw,mode=1777,size=1g -p 127.0.0.1::8080 \
  --health-interval disable "$tag" --listen 0.0.0.0:8080 --workers 1 --drain-timeout 10 2>"$work/run.log") ||
  { cat "$work/run.log"; exit 1; }
port=$(podman port "$container" 8080/tcp | head -1 | sed 's/.*://')
for _ in $(seq 1 120); do
  curl -fs -o /dev/null "http://127.0.0.1:$port/health" 2>/dev/null && break
  sleep 0.5
done
curl -fsS -o /dev/null "http://127.0.0.1:$port/health" || { podman logs "$container"; exit 1; }
healthy=$(since "$started")
started=$(now)
curl -fsS -F "file=@$work/memo.docx" -F format=pdf -o "$work/memo.pdf" "http://127.0.0.1:$port/convert" ||
  { podman logs "$container"; exit 1; }
first=$(since "$started")
podman healthcheck run "$container" || { echo "the image's health check failed"; exit 1; }
[ "$(head -c 5 "$work/memo.pdf")" = "%PDF-" ] || { echo "the answer is no PDF"; exit 1; }
if command -v pdftotext >/dev/null; then
  pdftotext "$work/memo.pdf" - | grep -q "Converted in a container" || { echo "the PDF lacks the text"; exit 1; }
fi
started=$(now)
curl -fsS -F "file=@$work/memo.docx" -F format=pdf -o "$work/again.pdf" "http://127.0.0.1:$port/convert"
second=$(since "$started")
user=$(podman exec "$container" id -u)
podman stop -t 20 "$container" >/dev/null 2>"$work/stop.log" || { cat "$work/stop.log"; exit 1; }
status=$(podman inspect "$container" --format '{{.State.ExitCode}}')
echo "container: healthy after ${healthy} s, first conversion ${first} s, second ${second} s," \
     "user $user, exit status $status after SIGTERM"
[ "$user" != 0 ] || { echo "the server runs as root"; exit 1; }
[ "$status" = 0 ] || { podman logs "$container" | tail -20; exit 1; }
