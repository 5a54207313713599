"""The exceptions of quillet: one family, told apart by what happened.

Each carries the library's own text in ``text``.
"""
from __future__ import annotations


class QuilletError(Exception):
    """Anything quillet reports."""

    def __init__(self, text: str, hint: str = "") -> None:
        super().__init__(f"{text} ({hint})" if hint else text)
        self.text = text


class LibraryNotFoundError(QuilletError, OSError):
    """libquillet.so.1 could not be loaded; the text says what to install."""


class ConversionError(QuilletError):
    """A conversion failed (the base of the more particular failures below)."""


class PasswordError(ConversionError):
    """The document is protected and the password is missing or wrong."""


class CorruptFileError(ConversionError):
    """The source is no document the application can open."""


class DeadlineError(ConversionError):
    """The conversion took longer than its deadline (``timeout``)."""


class UnsupportedFormatError(ConversionError):
    """The format is unknown, or not one the application can save in."""


# The library's texts, as it words them, and the error each one means.
_KINDS: tuple[tuple[str, type[ConversionError]], ...] = (
    ("the password is incorrect", PasswordError),
    ("the file is corrupt", CorruptFileError),
    ("longer than its deadline", DeadlineError),
    ("this file format is not available", UnsupportedFormatError),
)

# What the library says when it finds no office application to drive.
_NO_OFFICE = "you must install microsoft"


def error_for(text: str) -> ConversionError:
    """The exception for a failure the library reported with ``text``."""
    lowered = text.lower()
    if _NO_OFFICE in lowered:
        return ConversionError(
            text, "on Linux the applications are LibreOffice's: "
            "apt install libreoffice-writer libreoffice-calc libreoffice-impress")
    for words, kind in _KINDS:
        if words in lowered:
            return kind(text)
    return ConversionError(text)
