"""libquillet.so.1 loaded through ctypes, and its four C functions.

ctypes needs no compiler and no build step, so the package installs from its
sources with Debian's Python alone; the C interface is four functions over
plain strings, which ctypes describes exactly.
"""
from __future__ import annotations

import ctypes
import ctypes.util
import os
import threading
from typing import NamedTuple, Optional

from .errors import LibraryNotFoundError

SONAME = "libquillet.so.1"
# QUILLET_ERROR_TEXT_MAX of quillet.h.
ERROR_TEXT_MAX = 4096

_lock = threading.Lock()
_library: Optional[ctypes.CDLL] = None


def _candidates() -> list[str]:
    named = os.environ.get("QUILLET_LIBRARY")
    if named:
        return [named]
    found = ctypes.util.find_library("quillet")
    return [SONAME] + ([found] if found and found != SONAME else [])


def _load() -> ctypes.CDLL:
    tried = []
    for name in _candidates():
        try:
            library = ctypes.CDLL(name)
        except OSError as error:
            tried.append(f"{name}: {error}")
            continue
        _declare(library)
        return library
    raise LibraryNotFoundError(
        "quillet's library could not be loaded (" + "; ".join(tried) + ")",
        "install the Debian package libquillet1 (apt install ./libquillet1_*.deb), or install quillet from "
        "its sources with cmake --install, or name the library with QUILLET_LIBRARY=/path/to/" + SONAME)


def _declare(library: ctypes.CDLL) -> None:
    text = ctypes.c_char_p
    library.ConvertSingleFile.argtypes = [text, text, text, text, ctypes.c_char_p]
    library.ConvertSingleFile.restype = ctypes.c_uint8
    library.GetFieldValue.argtypes = [text, text, ctypes.c_char_p, ctypes.c_int32, ctypes.c_char_p]
    library.GetFieldValue.restype = ctypes.c_int32


def library() -> ctypes.CDLL:
    """The loaded library (loaded at the first call)."""
    global _library
    with _lock:
        if _library is None:
            _library = _load()
        return _library


class Failure(NamedTuple):
    """A failed call: the library's error text and its code of the failure."""

    text: str
    code: str


def convert_single_file(source: str, destination: str, format_number: str, option: str) -> Optional[Failure]:
    """ConvertSingleFile: None when it converted, else the library's error text and code."""
    error = ctypes.create_string_buffer(ERROR_TEXT_MAX)
    ok = library().ConvertSingleFile(os.fsencode(source), os.fsencode(destination), format_number.encode(),
                                     option.encode(), error)
    if ok & 0xFF:
        return None
    return Failure(error.value.decode(errors="replace") or "the conversion failed without a reason",
                   last_error_code())


def last_error_code() -> str:
    """The code of the failure of this thread's last call of the library ("failure" when the
    library names none); asking for it changes nothing."""
    code, _ = get_field_value("errorcode")
    return code or "failure"


def get_field_value(name: str, param: str = "") -> tuple[str, str]:
    """GetFieldValue: the field's value and the error text (empty when none)."""
    lib = library()
    error = ctypes.create_string_buffer(ERROR_TEXT_MAX)
    length = lib.GetFieldValue(name.encode(), param.encode(), None, 0, error)
    if length <= 0:
        return "", error.value.decode(errors="replace")
    value = ctypes.create_string_buffer(length + 1)
    lib.GetFieldValue(name.encode(), param.encode(), value, length, error)
    return value.value.decode(errors="replace"), error.value.decode(errors="replace")


class SubstitutedFont(NamedTuple):
    """A font a document named that the machine lacks, and the family that stood in for it."""

    requested: str
    used: str
    same_metrics: bool  # a metric-compatible substitute, not a fallback of other metrics


def substituted_fonts() -> tuple[SubstitutedFont, ...]:
    """The fonts replaced in the document of this process's last conversion."""
    substituted, _ = get_field_value("substitutedfonts")
    fallbacks, _ = get_field_value("fallbackfonts")
    others = set(fallbacks.splitlines())
    fonts = []
    for line in substituted.splitlines():
        # A requested name may hold "=": the used one, a family of the machine's, does not.
        requested, equals, used = line.rpartition("=")
        if equals:
            fonts.append(SubstitutedFont(requested, used, requested not in others))
    return tuple(fonts)
