#!/bin/bash
# The Debian packages installed the way a user installs them, on this
# machine: apt-get installs the four (their LibreOffice dependencies are
# there already, so nothing is downloaded), the installed /usr/bin/quillet
# converts a .docx to PDF, the system's Python converts it with
# python3-quillet, a C program builds against libquillet-dev through
# pkg-config, the manual page opens, the unit verifies; then the packages are
# purged again, leaving the machine as it was.
# Exit status 77 (skipped) when not root or when a quillet package is installed
# already.
#
#   deb-install.sh DEB_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
packages=(libquillet1 libquillet-dev quillet python3-quillet)
if [ "$(id -u)" != 0 ]; then
  echo "skipped: installing a package needs root"
  exit 77
fi
for package in "${packages[@]}"; do
  if dpkg-query -W -f '${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
    echo "skipped: the package $package is installed already, and is left as it is"
    exit 77
  fi
done
debs=()
for package in "${packages[@]}"; do debs+=("$(ls "$1"/"$package"_*.deb)"); done
work=$(mktemp -d)
remove() {
  apt-get purge -y "${packages[@]}" >"$work/remove.log" 2>&1 || cat "$work/remove.log"
  rm -rf "$work"
}
trap remove EXIT

apt-get install -y "${debs[@]}" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
[ "$(command -v quillet)" = /usr/bin/quillet ] || { echo "quillet is not /usr/bin/quillet"; exit 1; }
/usr/bin/quillet --version

python3 "$here/make_docx.py" "$work/memo.docx" "Packaged for Debian"
/usr/bin/quillet convert "$work/memo.docx" "$work/memo.pdf"
[ "$(head -c 5 "$work/memo.pdf")" = "%PDF-" ] || { echo "memo.pdf is no PDF"; exit 1; }
if command -v pdftotext >/dev/null; then
  pdftotext "$work/memo.pdf" - | grep -q "Packaged for Debian" || { echo "memo.pdf lacks the document's text"; exit 1; }
fi

# The system's Python with python3-quillet alone: no PYTHONPATH, no QUILLET_LIBRARY.
(cd "$work" && env -u PYTHONPATH -u QUILLET_LIBRARY /usr/bin/python3 -c '
import quillet, sys
assert quillet.__file__.startswith("/usr/lib/python3/dist-packages/"), quillet.__file__
text = quillet.convert("memo.docx", format="txt")
assert b"Packaged for Debian" in text, text[:200]
print("python3-quillet converted memo.docx")')

# A C program of a user, through the system's pkg-config, with no search path of its own.
# shellcheck disable=SC2046
cc -Wall -Wextra -Werror -o "$work/pc-consumer" "$here/consumer/consumer.c" $(pkg-config --cflags --libs quillet)
"$work/pc-consumer" "$work/memo.docx" "$work/memo.txt" 2 >/dev/null
grep -q "Packaged for Debian" "$work/memo.txt" || { echo "the pkg-config consumer's text lacks the document's"; exit 1; }

man -P cat quillet 2>/dev/null | grep -q "quillet - " || { echo "man quillet does not open the manual page"; exit 1; }
verify=$(systemd-analyze verify --man=no /lib/systemd/system/quillet.service 2>&1) && [ -z "$verify" ] ||
  { echo "systemd-analyze verify: $verify"; exit 1; }
echo "the installed packages converted $work/memo.docx with the command line, Python and a C program"
