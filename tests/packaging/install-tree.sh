#!/bin/bash
# The install tree as a user's project sees it: installs the built tree into a
# temporary prefix (cmake --install builds nothing), builds a C program against
# it through the CMake package and through pkg-config, and converts a .docx
# to text with each.
#
#   install-tree.sh BUILD_DIR
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" >"$work/install.log"
python3 "$here/make_docx.py" "$work/memo.docx" "Installed trees convert too"

# Each program converts the .docx and must leave the document's text.
converts() {
  local program=$1 out=$2
  "$program" "$work/memo.docx" "$out" 2
  grep -q "Installed trees convert too" "$out" || { echo "$out does not hold the document's text"; exit 1; }
}

# What the library loads itself is in its private folder, out of the
# loader's path; only the library and its links are beside it.
for file in libquillet-office.so libquillet-pdf.so libquillet-plugkit.so libfmtbridge.so quillet.dot; do
  [ -f "$(dirname "$(find "$prefix" -name libquillet.so.1)")/quillet/$file" ] || { echo "$file is not in the private folder"; exit 1; }
  [ -z "$(find "$prefix" -maxdepth 3 -name "$file" -not -path '*/quillet/*')" ] || { echo "$file lies in the library's folder"; exit 1; }
done

cmake -S "$here/consumer" -B "$work/cmake-build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >"$work/configure.log" ||
  { cat "$work/configure.log"; exit 1; }
cmake --build "$work/cmake-build" >"$work/build.log" || { cat "$work/build.log"; exit 1; }
converts "$work/cmake-build/consumer" "$work/through-cmake.txt"

# The libraries' folder is lib/<triplet> on Debian, lib elsewhere.
pcdir=$(dirname "$(find "$prefix" -name quillet.pc -path '*/pkgconfig/*' | head -1)")
libdir=$(PKG_CONFIG_PATH="" PKG_CONFIG_LIBDIR="$pcdir" pkg-config --variable=libdir quillet)
# shellcheck disable=SC2046
cc -Wall -Wextra -Werror -o "$work/pc-consumer" "$here/consumer/consumer.c" \
  $(PKG_CONFIG_PATH="" PKG_CONFIG_LIBDIR="$pcdir" pkg-config --cflags --libs quillet) \
  -Wl,-rpath,"$libdir"
converts "$work/pc-consumer" "$work/through-pkg-config.txt"

# The command line installed beside them says its release.
"$prefix/bin/quillet" --version | grep -qx "quillet [0-9][0-9.]*" || { echo "quillet --version says no release"; exit 1; }
# The macro route opens the template from the library's private folder.
"$prefix/bin/quillet" convert "$work/memo.docx" "$work/macro.txt" --format txt --option "MS Word USEMACRO" >/dev/null
grep -q "Installed trees convert too" "$work/macro.txt" || { echo "the macro route's text lacks the document's"; exit 1; }
echo "the installed tree builds and converts through CMake, pkg-config and the macro route"
