"""The exceptions of quillet: one family, told apart by what happened.

Each carries the library's own text in ``text`` and the library's code of the
failure in ``code``: one of the lowercase words of quillet.h's
``QUILLET_ERROR_*`` (``"password"``, ``"corrupt"``, ``"deadline"`` ...).
"""
from __future__ import annotations

from typing import Optional


class QuilletError(Exception):
    """Anything quillet reports."""

    # The code of a failure of this kind when none more particular is known.
    default_code = "failure"

    def __init__(self, text: str, hint: str = "", code: Optional[str] = None) -> None:
        super().__init__(f"{text} ({hint})" if hint else text)
        self.text = text
        self.code: str = self.default_code if code is None else code


class LibraryNotFoundError(QuilletError, OSError):
    """libquillet.so.1 could not be loaded; the text says what to install."""

    default_code = "notinstalled"


class ConversionError(QuilletError):
    """A conversion failed (the base of the more particular failures below)."""


class PasswordError(ConversionError):
    """The document is protected and the password is missing or wrong."""

    default_code = "password"


class CorruptFileError(ConversionError):
    """The source is no document the application can open."""

    default_code = "corrupt"


class DeadlineError(ConversionError):
    """The conversion took longer than its deadline (``timeout``)."""

    default_code = "deadline"


class UnsupportedFormatError(ConversionError):
    """The format is unknown, or not one the application can save in."""

    default_code = "unsupportedformat"


class FontsMissingError(ConversionError):
    """STRICTFONTS refused the document: a font it names would be replaced by one of other metrics."""

    default_code = "fontsmissing"


# The library's codes that have an exception of their own.
KINDS: dict[str, type[ConversionError]] = {
    kind.default_code: kind for kind in (PasswordError, CorruptFileError, DeadlineError, UnsupportedFormatError,
                                        FontsMissingError)}

# The code of a failure to find an office application (or another part the
# conversion needs) to drive.
NOT_INSTALLED = "notinstalled"
_INSTALL_HINT = ("on Linux the applications are LibreOffice's: "
                 "apt install libreoffice-writer libreoffice-calc libreoffice-impress")


def error_for(text: str, code: str) -> ConversionError:
    """The exception for a failure the library reported with ``text`` and ``code``."""
    if code == NOT_INSTALLED:
        return ConversionError(text, _INSTALL_HINT, code)
    return KINDS.get(code, ConversionError)(text, code=code)
