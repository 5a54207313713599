"""What the module's functions and the Client share: the source's kind and the option text."""
from __future__ import annotations

import math
import os
import zipfile
from io import BytesIO
from typing import Optional, Union

from . import _library
from .errors import QuilletError

PathLike = Union[str, "os.PathLike[str]"]
Source = Union[PathLike, bytes, bytearray, memoryview]


def password_keyword(password: str) -> str:
    """PASSWORD= with the password, quoted by the library itself (its field "passwordoption"),
    so that it reads the password back as it was given."""
    # The library's texts end at a NUL: the rest of the password would be lost.
    if "\0" in password:
        raise ValueError("a password cannot hold a NUL character")
    keyword, error = _library.get_field_value("passwordoption", password)
    if not keyword:
        raise QuilletError(error or "the library did not quote the password", code=_library.last_error_code())
    return keyword


def option_text_for(options: str, timeout: Optional[float], password: Optional[str]) -> str:
    """The option text with the deadline and the password as keywords, in front: a value at
    the end of the text (that of OPENFORMAT=) runs to its end."""
    keywords = []
    if timeout is not None:
        if timeout <= 0:
            raise ValueError(f"timeout must be positive, not {timeout}")
        keywords.append(f"TIMEOUT={max(1, math.ceil(timeout))}")
    if password is not None:
        keywords.append(password_keyword(password))
    return " ".join(keywords + ([options] if options else []))


def sniff(data: bytes, app: Optional[str]) -> str:
    """The extension that names what the bytes are (the application's own format when unknown)."""
    default = {"excel": ".xlsx", "powerpoint": ".pptx"}.get((app or "").lower(), ".docx")
    if data.startswith(b"%PDF"):
        return ".pdf"
    if data.startswith(b"{\\rtf"):
        return ".rtf"
    if data.startswith(b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1"):
        return {".xlsx": ".xls", ".pptx": ".ppt"}.get(default, ".doc")
    if data.startswith(b"PK\x03\x04"):
        try:
            with zipfile.ZipFile(BytesIO(data)) as z:
                names = z.namelist()
                mimetype = z.read("mimetype").decode(errors="replace") if "mimetype" in names else ""
        except (zipfile.BadZipFile, KeyError, OSError):
            return default
        for prefix, extension in (("word/", ".docx"), ("xl/", ".xlsx"), ("ppt/", ".pptx")):
            if any(n.startswith(prefix) for n in names):
                return extension
        for kind, extension in (("text", ".odt"), ("spreadsheet", ".ods"), ("presentation", ".odp")):
            if mimetype == "application/vnd.oasis.opendocument." + kind:
                return extension
        return default
    head = data[:512].lstrip().lower()
    if head.startswith(b"<!doctype html") or head.startswith(b"<html"):
        return ".html"
    return default
