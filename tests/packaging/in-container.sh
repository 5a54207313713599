#!/bin/bash
# Run by container.sh inside a fresh Debian 12 container: /debs holds the four
# packages, /wheel the wheel, /checks this folder (read-only). Installs them as
# a user does and uses each; any failure ends it with a message.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8
step() { echo "--- $*"; }

step "apt-get install ./*.deb"
printf '%s\n' \
  'deb http://deb.debian.org/debian bookworm main' \
  'deb http://deb.debian.org/debian bookworm-updates main' \
  'deb http://deb.debian.org/debian-security bookworm-security main' >/etc/apt/sources.list
apt-get update -qq
# The tools of the checks beside them: a compiler, CMake, pkg-config, man,
# systemd (and its analyzer), venv, and curl and ps for the service's check.
cd /debs
apt-get install -y -qq ./*.deb gcc libc6-dev make cmake pkg-config man-db systemd python3-venv curl procps \
  >/tmp/install.log 2>&1 || { tail -40 /tmp/install.log; exit 1; }
[ -z "${LD_LIBRARY_PATH:-}" ] || { echo "LD_LIBRARY_PATH is set: $LD_LIBRARY_PATH"; exit 1; }

work=$(mktemp -d)
cd "$work"
python3 /checks/make_docx.py memo.docx "Converted where a user installs it"
has_text() { grep -q "Converted where a user installs it" "$1" || { echo "$1 lacks the document's text"; exit 1; }; }

step "the command line"
quillet --version
quillet convert memo.docx memo.pdf
[ "$(head -c 5 memo.pdf)" = "%PDF-" ] || { echo "memo.pdf is no PDF"; exit 1; }
quillet convert memo.docx memo.txt --format txt
has_text memo.txt

step "Python: the system's, with python3-quillet"
/usr/bin/python3 - <<'PY'
import quillet
assert quillet.__file__.startswith("/usr/lib/python3/dist-packages/"), quillet.__file__
assert b"Converted where a user installs it" in quillet.convert("memo.docx", format="txt")
print("python3-quillet", quillet.__version__, "converted memo.docx")
PY

step "Python: a venv with the wheel, no index"
python3 -m venv "$work/venv"
"$work/venv/bin/pip" install --no-index --quiet /wheel/quillet-*-py3-none-any.whl
"$work/venv/bin/python" - "$work" <<'PY'
import pathlib, sys
import quillet
assert pathlib.Path(sys.argv[1], "venv") in pathlib.Path(quillet.__file__).resolve().parents, quillet.__file__
assert b"Converted where a user installs it" in quillet.convert("memo.docx", format="txt")
print("the wheel's quillet", quillet.__version__, "converted memo.docx")
PY

step "a CMake consumer"
cmake -S /checks/consumer -B "$work/cmake-build" >/tmp/cmake.log || { cat /tmp/cmake.log; exit 1; }
cmake --build "$work/cmake-build" >/tmp/build.log || { cat /tmp/build.log; exit 1; }
"$work/cmake-build/consumer" "$work/memo.docx" "$work/cmake.txt" 2
has_text cmake.txt

step "a pkg-config consumer"
# shellcheck disable=SC2046
cc -Wall -Wextra -Werror -o pc-consumer /checks/consumer/consumer.c $(pkg-config --cflags --libs quillet)
./pc-consumer "$work/memo.docx" "$work/pkg-config.txt" 2
has_text pkg-config.txt

step "the manual page"
man -P cat quillet | grep -q "quillet - " || { echo "man quillet opens no page"; exit 1; }
man -P cat quillet-serve | grep -q -- "--listen" || { echo "man quillet-serve lacks --listen"; exit 1; }

step "the service unit"
verify=$(systemd-analyze verify /lib/systemd/system/quillet.service 2>&1) && [ -z "$verify" ] ||
  { echo "systemd-analyze verify: $verify"; exit 1; }
systemd-analyze security --offline=yes /lib/systemd/system/quillet.service | tail -1
[ -e /etc/systemd/system/multi-user.target.wants/quillet.service ] && { echo "the unit was enabled"; exit 1; }
echo "all checks passed"
