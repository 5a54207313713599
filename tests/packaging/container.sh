#!/bin/bash
# The packages as a new user on Debian 12 gets them, in a fresh container of
# the debootstrap base that deploy/ uses: apt-get installs the four .deb files
# (LibreOffice and the rest from Debian's mirror), then in-container.sh
# converts a .docx with the command line, with Python from a venv holding the
# wheel and from python3-quillet, builds a CMake and a pkg-config consumer and
# runs them, opens the manual page and verifies the service unit. Then the
# same container runs again with systemd as its first process, privileged so
# that systemd may make the unit's namespaces, and unit-in-container.sh starts
# quillet.service and converts through it.
# Several minutes (the downloads): not part of the default test run.
# Exit status 77 (skipped) without root, podman or the means to make the base.
#
#   container.sh DEB_FOLDER WHEEL SOURCE_DIR
set -euo pipefail
debs=$(cd "$1" && pwd) wheel=$2 source_dir=$3
base=localhost/quillet-base:bookworm
if [ "$(id -u)" != 0 ]; then
  echo "skipped: podman runs as root here"
  exit 77
fi
for tool in podman runc; do
  command -v $tool >/dev/null || { echo "skipped: $tool is missing (scripts/setup.sh --containers)"; exit 77; }
done
podman() { command podman --runtime runc --cgroup-manager=cgroupfs "$@"; }
if ! podman image exists "$base" && ! command -v debootstrap >/dev/null; then
  echo "skipped: no base image $base and no debootstrap to make it (scripts/setup.sh --containers)"
  exit 77
fi
"$source_dir/deploy/base-image.sh" "$base"

work=$(mktemp -d)
name=quillet-packages-$$
image=localhost/quillet-packages-$$
cleanup() {
  podman rm -f -t 0 "$name" "$name-systemd" >/dev/null 2>&1 || true
  podman rmi -f "$image" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/debs" "$work/wheel"
for package in libquillet1 libquillet-dev quillet python3-quillet; do cp "$debs"/"$package"_*.deb "$work/debs/"; done
cp "$wheel" "$work/wheel/"

started=$(date +%s)
podman run --name "$name" \
  -v "$work/debs:/debs:ro" -v "$work/wheel:/wheel:ro" -v "$source_dir/tests/packaging:/checks:ro" \
  "$base" /bin/bash /checks/in-container.sh
echo "the packages installed and worked in a fresh container in $(($(date +%s) - started)) s"

started=$(date +%s)
podman commit -q "$name" "$image" >/dev/null
podman run -d --name "$name-systemd" --privileged --systemd=always -v "$source_dir/tests/packaging:/checks:ro" \
  "$image" /lib/systemd/systemd >/dev/null
podman exec "$name-systemd" /bin/bash /checks/unit-in-container.sh
echo "the service ran under systemd in $(($(date +%s) - started)) s"
