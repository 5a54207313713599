"""The format names of the command line, and which application opens what."""
from __future__ import annotations

import json
import os
from dataclasses import dataclass
from importlib import resources
from typing import Optional, Union

from .errors import UnsupportedFormatError

WORD, EXCEL, POWERPOINT = "word", "excel", "powerpoint"
APPS = (WORD, EXCEL, POWERPOINT)
# The keyword that names each application in the library's option text.
KEYWORDS = {WORD: "MS Word", EXCEL: "MS Excel", POWERPOINT: "MS Powerpoint"}


@dataclass(frozen=True)
class Format:
    """A destination format: its names, extension, and each application's number for it."""

    names: tuple[str, ...]
    extension: str
    word: Optional[int]
    excel: Optional[int]
    powerpoint: Optional[int]
    description: str

    def number(self, app: str) -> Optional[int]:
        return {WORD: self.word, EXCEL: self.excel, POWERPOINT: self.powerpoint}[app]


def _read_table() -> tuple[tuple[Format, ...], dict[str, str]]:
    """The formats and, by extension, the application that opens a source: formats.json, the
    table the command line is built from as well."""
    table = json.loads(resources.files(__package__).joinpath("formats.json").read_text(encoding="utf-8"))
    formats = tuple(Format(tuple(f["names"]), f["extension"], f["word"], f["excel"], f["powerpoint"],
                           f["description"]) for f in table["formats"])
    sources = {extension: app for app in APPS for extension in table["sources"][app]}
    return formats, sources


FORMATS, _SOURCES = _read_table()


def extension_of(path: str) -> str:
    return os.path.splitext(path)[1].lower()


def app_of_source(path: str) -> str:
    """The application that opens the source by its extension: Word for any it does not know."""
    return _SOURCES.get(extension_of(path), WORD)


def is_document(path: str) -> bool:
    return extension_of(path) in _SOURCES


def resolve(format: Union[str, int], app: str) -> tuple[int, str]:
    """The application's number for a format name (or number) and the extension of its results."""
    if isinstance(format, int) or str(format).lstrip("-").isdigit():
        number = int(format)
        extension = next((f.extension for f in FORMATS if f.number(app) == number), "")
        return number, extension
    name = str(format).lower()
    for f in FORMATS:
        if name in f.names:
            number = f.number(app)
            if number is None:
                raise UnsupportedFormatError(f"{app.capitalize()} has no format {name}")
            return number, f.extension
    raise UnsupportedFormatError(f"unknown format {format} (quillet.formats() lists the names)")


def choose_app(source_name: str, app: Optional[str], options: str) -> str:
    """The application given, else the one the option text names, else the source's."""
    if app is not None:
        if app.lower() not in APPS:
            raise ValueError(f"unknown application {app} (word, excel or powerpoint)")
        return app.lower()
    named = [a for a in APPS if KEYWORDS[a] in options]
    if named:
        return named[-1]
    return app_of_source(source_name)


def option_text(chosen: str, app: Optional[str], options: str) -> str:
    """The option text with the application's keyword in front where the library needs it."""
    def with_keyword() -> str:
        return KEYWORDS[chosen] + (" " + options if options else "")
    if app is not None:
        return with_keyword()
    if any(KEYWORDS[a] in options for a in APPS) or "Adobe Acrobat" in options or "No MS Word" in options:
        return options
    return options if chosen == WORD else with_keyword()
