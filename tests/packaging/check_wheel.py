#!/usr/bin/env python3
"""Checks a wheel of the Python package against its sources and its own RECORD.

    check_wheel.py WHEEL PACKAGE_DIR

Every archive member is in RECORD with the sha256 and size of its bytes (RECORD
itself without), every file of PACKAGE_DIR that the package ships (modules,
py.typed, formats.json) is in the archive with the same bytes, the file name's
version is METADATA's and the package's, and WHEEL says pure Python for any
platform. Exit status 1 with the faults listed.
"""
import base64
import hashlib
import pathlib
import re
import sys
import zipfile


def faults(wheel: pathlib.Path, package: pathlib.Path) -> list[str]:
    found = []
    name_match = re.fullmatch(r"quillet-([0-9][0-9.]*)-py3-none-any\.whl", wheel.name)
    if not name_match:
        return [f"{wheel.name} is not named quillet-<version>-py3-none-any.whl"]
    version = name_match.group(1)
    dist_info = f"quillet-{version}.dist-info"
    with zipfile.ZipFile(wheel) as archive:
        members = {info.filename: archive.read(info) for info in archive.infolist()}
    record_name = f"{dist_info}/RECORD"
    if record_name not in members:
        return [f"{record_name} is missing"]
    recorded = {}
    for line in members[record_name].decode().splitlines():
        path, digest, size = line.rsplit(",", 2)
        recorded[path] = (digest, size)
    for path, data in members.items():
        if path not in recorded:
            found.append(f"{path} is not in RECORD")
            continue
        digest, size = recorded[path]
        if path == record_name:
            if digest or size:
                found.append("RECORD names a hash of itself")
            continue
        want = "sha256=" + base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
        if digest != want or size != str(len(data)):
            found.append(f"{path}: RECORD says {digest},{size}, the file is {want},{len(data)}")
    found += [f"RECORD names {path}, which is not in the wheel" for path in recorded if path not in members]

    shipped = sorted(p for p in package.iterdir()
                     if p.is_file() and (p.suffix == ".py" or p.name in ("py.typed", "formats.json")))
    for source in shipped:
        member = f"quillet/{source.name}"
        if member not in members:
            found.append(f"{member} is missing from the wheel")
        elif members[member] != source.read_bytes():
            found.append(f"{member} differs from {source}")
    extra = [m for m in members if m.startswith("quillet/") and not (package / m[len("quillet/"):]).is_file()]
    found += [f"{m} is in the wheel but not in the sources" for m in extra]

    metadata = members.get(f"{dist_info}/METADATA", b"").decode()
    if not re.search(r"^Name: quillet$", metadata, re.M):
        found.append("METADATA names no package quillet")
    if not re.search(rf"^Version: {re.escape(version)}$", metadata, re.M):
        found.append(f"METADATA's version is not the file name's ({version})")
    package_version = re.search(r'^__version__ = "([^"]+)"', (package / "_version.py").read_text(), re.M)
    if not package_version or package_version.group(1) != version:
        found.append(f"the package's _version.py is not {version}")
    wheel_file = members.get(f"{dist_info}/WHEEL", b"").decode()
    for line in ("Wheel-Version: 1.0", "Root-Is-Purelib: true", "Tag: py3-none-any"):
        if line not in wheel_file.splitlines():
            found.append(f"WHEEL lacks '{line}'")
    return found


def main() -> int:
    if len(sys.argv) != 3:
        print(f"usage: {sys.argv[0]} WHEEL PACKAGE_DIR", file=sys.stderr)
        return 2
    found = faults(pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2]))
    for fault in found:
        print(fault)
    if not found:
        print(f"{pathlib.Path(sys.argv[1]).name}: RECORD, sources and metadata agree")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
