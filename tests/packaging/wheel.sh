#!/bin/bash
# The wheel as a user installs it: its archive is whole (every file in RECORD
# with its sha256 and size, every file of the package's sources in it), pip
# installs it into a fresh venv with no index, and the installed package
# converts a .docx to text with the built library.
#
#   wheel.sh SOURCE_DIR WHEEL LIBRARY
set -euo pipefail
source_dir=$1 wheel=$2 library=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 "$here/check_wheel.py" "$wheel" "$source_dir/python/quillet"

/usr/bin/python3 -m venv "$work/venv" >"$work/venv.log" 2>&1 || { cat "$work/venv.log"; exit 1; }
# No index, no cache, no configuration of the machine's: what the wheel holds is all pip has.
PIP_CONFIG_FILE=/dev/null "$work/venv/bin/pip" install --no-index --no-cache-dir --quiet "$wheel" \
  >"$work/pip.log" 2>&1 || { cat "$work/pip.log"; exit 1; }

python3 "$here/make_docx.py" "$work/memo.docx" "Installed from a wheel"
cd "$work"
# The venv's own copy is imported, not the sources: the test runs outside them
# with no PYTHONPATH.
env -u PYTHONPATH PYTHONDONTWRITEBYTECODE=1 QUILLET_LIBRARY="$library" "$work/venv/bin/python" - "$work" <<'PY'
import pathlib, sys
import quillet
work = pathlib.Path(sys.argv[1])
where = pathlib.Path(quillet.__file__).resolve()
assert (work / "venv") in where.parents, f"quillet was imported from {where}, not from the venv"
assert any("pdf" in f.names for f in quillet.formats()), "the installed package lists no pdf format"
text = quillet.convert(str(work / "memo.docx"), format="txt")
assert b"Installed from a wheel" in text, f"the conversion gave {text[:200]!r}"
print(f"quillet {quillet.__version__} from the wheel converted memo.docx ({len(text)} bytes of text)")
PY
