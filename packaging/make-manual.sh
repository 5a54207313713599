#!/bin/bash
# Writes the manual pages quillet(1) and quillet-serve(1) from the command
# line's own --help with help2man, so that the manual never says other than
# the program, compressed as Debian installs them (gzip -9n: no time stamp).
#
#   packaging/make-manual.sh PROGRAM OUT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
out=$(mkdir -p "$2" && cd "$2" && pwd)
bin=$(mktemp -d)
trap 'rm -rf "$bin"' EXIT
# The help shows the program as it was called: called through PATH by its
# installed name, not by its path in the build tree.
ln -s "$program" "$bin/quillet"
export PATH="$bin:$PATH"

help2man --no-info --no-discard-stderr --section 1 --name "convert documents by driving LibreOffice" \
  --include "$here/quillet.h2m" --output "$out/quillet.1" quillet
# The service's options are the subcommand's; the page is named for it.
help2man --no-info --no-discard-stderr --section 1 --help-option "serve --help" \
  --name "convert documents posted over HTTP" --include "$here/quillet-serve.h2m" quillet |
  sed -e 's/^\.TH QUILLET /.TH QUILLET-SERVE /' -e '/^\.SH NAME/{n;s/^quillet /quillet-serve /}' \
  >"$out/quillet-serve.1"
for page in quillet quillet-serve; do
  grep -q '^\.SH OPTIONS' "$out/$page.1" || { echo "$page.1 has no options: was the help read?" >&2; exit 1; }
  gzip -9nf "$out/$page.1"
done
