#!/bin/bash
# Makes the base image of quillet's containers once, when podman has none by
# that name: Debian 12 from debootstrap (--variant=minbase), packed with tar
# and loaded with podman import, so that no image registry is needed.
#
#   deploy/base-image.sh [NAME]        (default localhost/quillet-base:bookworm)
#
# Needs root, podman, runc and debootstrap. Prints the time it took when it
# made one.
set -euo pipefail
base=${1:-localhost/quillet-base:bookworm}
# crun refuses a hybrid cgroup layout.
podman() { command podman --runtime runc --cgroup-manager=cgroupfs "$@"; }
podman image exists "$base" && exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
started=$(date +%s)
debootstrap --variant=minbase bookworm "$work/rootfs" http://deb.debian.org/debian >"$work/debootstrap.log" 2>&1 ||
  { tail -20 "$work/debootstrap.log"; exit 1; }
tar -C "$work/rootfs" -c . | podman import --change 'CMD ["/bin/bash"]' - "$base" >/dev/null
echo "base image $base: $(($(date +%s) - started)) s (debootstrap and import)"
