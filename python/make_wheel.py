#!/usr/bin/env python3
"""Writes the wheel quillet-<version>-py3-none-any.whl of the package in this folder.

A wheel is a zip of the package with its metadata (METADATA, WHEEL, and RECORD, which
names every file with its sha256 and size); the standard library writes one, so the
build needs neither the network nor a build backend. The package is pure Python (it
loads libquillet.so.1 through ctypes at run time), hence py3-none-any.

    make_wheel.py OUT_DIR        prints the wheel's path

The archive is the same for the same sources: its entries are sorted and carry the
time of SOURCE_DATE_EPOCH (else 1980-01-01, the earliest a zip can hold).
"""
from __future__ import annotations

import base64
import hashlib
import os
import re
import sys
import time
import zipfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
NAME = "quillet"
# What the package holds besides its modules (pyproject.toml's package-data).
DATA = ("py.typed", "formats.json")


def version() -> str:
    text = (HERE / NAME / "_version.py").read_text(encoding="utf-8")
    found = re.search(r'^__version__ = "([^"]+)"$', text, re.M)
    if not found:
        raise SystemExit(f"{NAME}/_version.py names no __version__")
    return found.group(1)


def package_files() -> list[Path]:
    folder = HERE / NAME
    files = sorted(p for p in folder.glob("*.py"))
    files += [folder / name for name in DATA]
    missing = [str(p) for p in files if not p.is_file()]
    if missing:
        raise SystemExit("missing from the package: " + ", ".join(missing))
    return sorted(files)


def metadata(release: str) -> str:
    # pyproject.toml's [project] table, as core metadata 2.1 writes it.
    lines = [
        "Metadata-Version: 2.1",
        f"Name: {NAME}",
        f"Version: {release}",
        "Summary: Document conversion by driving LibreOffice: a typed layer over libquillet",
        "Requires-Python: >=3.9",
        "Classifier: Programming Language :: Python :: 3",
        "Classifier: Operating System :: POSIX :: Linux",
        "Classifier: Typing :: Typed",
        "Description-Content-Type: text/markdown",
    ]
    return "\n".join(lines) + "\n\n" + (HERE / "README.md").read_text(encoding="utf-8")


WHEEL = "Wheel-Version: 1.0\nGenerator: quillet make_wheel.py\nRoot-Is-Purelib: true\nTag: py3-none-any\n"


def record_line(name: str, data: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def stamp() -> tuple[int, int, int, int, int, int]:
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "315532800"))
    return time.gmtime(max(epoch, 315532800))[:6]


def write(out_dir: Path) -> Path:
    release = version()
    dist_info = f"{NAME}-{release}.dist-info"
    entries: list[tuple[str, bytes]] = []
    for path in package_files():
        entries.append((f"{NAME}/{path.name}", path.read_bytes()))
    entries.append((f"{dist_info}/METADATA", metadata(release).encode()))
    entries.append((f"{dist_info}/WHEEL", WHEEL.encode()))
    entries.append((f"{dist_info}/top_level.txt", f"{NAME}\n".encode()))
    record = [record_line(name, data) for name, data in entries] + [f"{dist_info}/RECORD,,"]
    entries.append((f"{dist_info}/RECORD", ("\n".join(record) + "\n").encode()))

    out_dir.mkdir(parents=True, exist_ok=True)
    wheel = out_dir / f"{NAME}-{release}-py3-none-any.whl"
    # Written beside and renamed: a wheel that exists is a whole one.
    partial = wheel.with_suffix(".partial")
    when = stamp()
    with zipfile.ZipFile(partial, "w", compression=zipfile.ZIP_DEFLATED) as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=when)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            archive.writestr(info, data)
    partial.replace(wheel)
    return wheel


def main() -> int:
    if len(sys.argv) != 2:
        print(f"usage: {sys.argv[0]} OUT_DIR", file=sys.stderr)
        return 2
    print(write(Path(sys.argv[1])))
    return 0


if __name__ == "__main__":
    sys.exit(main())
