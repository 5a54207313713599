#!/usr/bin/env bash
# Fetches the Debian source packages of the image libraries that Debian ships no
# mingw-w64 build of (libjpeg-turbo and giflib) into <repo>/.deps/, unpacked with
# Debian's patches applied. The Windows build cross-compiles them statically; the
# native build links the system's libjpeg-dev and libgif-dev instead. .deps/ is
# git-ignored: nothing of these sources is committed.
#
# Needs root (or sudo) only the first time, to add the deb-src entries. Safe to
# run again: a package already unpacked is left alone.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deps="$repo/.deps"
packages=(libjpeg-turbo giflib)

# One unpacked tree per package: <deps>/<package>-<upstream version>/.
have_tree() {
  compgen -G "$deps/$1-[0-9]*/" >/dev/null
}

todo=()
for p in "${packages[@]}"; do
  have_tree "$p" || todo+=("$p")
done
if [ ${#todo[@]} -eq 0 ]; then
  exit 0
fi

# A deb-src twin of each deb stanza of apt's Debian sources (same URIs, suites,
# components and key), in a file of its own so the system's file stays as it is.
src_list=/etc/apt/sources.list.d/quillet-src.sources
if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -qx Sources; then
  origin=/etc/apt/sources.list.d/debian.sources
  tmp="$(mktemp)"
  if [ -f "$origin" ]; then
    # Keep each stanza's URIs/Suites/Components/Signed-By, replace its Types.
    awk '
      /^Types:/ { print "Types: deb-src"; next }
      /^(URIs|Suites|Components|Signed-By):/ { print; next }
      /^[[:space:]]*$/ { print ""; next }
    ' "$origin" >"$tmp"
    $SUDO install -m 0644 "$tmp" "$src_list"
  elif grep -qs '^deb ' /etc/apt/sources.list; then
    # An older one-line sources.list: the same lines with deb-src.
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$tmp"
    $SUDO install -m 0644 "$tmp" /etc/apt/sources.list.d/quillet-src.list
  else
    rm -f "$tmp"
    echo "fetch-sources: no Debian apt sources found; add deb-src entries by hand" >&2
    exit 1
  fi
  rm -f "$tmp"
  # One index that fails to download (another architecture's, say) makes
  # apt-get update fail as a whole; the source indexes may still be there.
  $SUDO apt-get update -qq ||
    echo "fetch-sources: apt-get update reported a failed index; going on with the indexes it has."
fi

mkdir -p "$deps"
cd "$deps"
for p in "${todo[@]}"; do
  echo "fetch-sources: fetching and unpacking $p into $deps"
  # apt-get source runs dpkg-source -x, which applies Debian's patches.
  apt-get source -qq "$p"
  have_tree "$p" || { echo "fetch-sources: $p did not unpack" >&2; exit 1; }
done
# The downloaded archives are not needed once unpacked.
rm -f ./*.dsc ./*.orig.tar.* ./*.debian.tar.* ./*.diff.gz
