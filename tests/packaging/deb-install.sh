#!/bin/bash
# The Debian package installed the way a user installs it, on this machine:
# apt-get installs it (its LibreOffice dependencies are there already, so
# nothing is downloaded), the installed /usr/bin/quillet converts a .docx to
# PDF, and the package is removed again, leaving the machine as it was.
# Exit status 77 (skipped) when not root or when a quillet package is installed
# already.
#
#   deb-install.sh DEB_FOLDER
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ "$(id -u)" != 0 ]; then
  echo "skipped: installing a package needs root"
  exit 77
fi
if dpkg-query -W -f '${Status}' quillet 2>/dev/null | grep -q "ok installed"; then
  echo "skipped: a quillet package is installed already, and is left as it is"
  exit 77
fi
deb=$(ls "$1"/quillet_*.deb)
work=$(mktemp -d)
remove() {
  apt-get purge -y quillet >"$work/remove.log" 2>&1 || cat "$work/remove.log"
  rm -rf "$work"
}
trap remove EXIT

apt-get install -y "$deb" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
[ "$(command -v quillet)" = /usr/bin/quillet ] || { echo "quillet is not /usr/bin/quillet"; exit 1; }
/usr/bin/quillet --version

python3 "$here/make_docx.py" "$work/memo.docx" "Packaged for Debian"
/usr/bin/quillet convert "$work/memo.docx" "$work/memo.pdf"
[ "$(head -c 5 "$work/memo.pdf")" = "%PDF-" ] || { echo "memo.pdf is no PDF"; exit 1; }
if command -v pdftotext >/dev/null; then
  pdftotext "$work/memo.pdf" - | grep -q "Packaged for Debian" || { echo "memo.pdf lacks the document's text"; exit 1; }
fi
echo "the installed package converted $work/memo.docx to PDF"
