"""The format names of the command line, and which application opens what."""
from __future__ import annotations

import os
from dataclasses import dataclass
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


FORMATS: tuple[Format, ...] = (
    Format(("txt", "text"), ".txt", 2, -4158, 9999,
           "text: Word's plain text, Excel's tab-separated cells, PowerPoint's text of the slides (UTF-8)"),
    Format(("unicode",), ".txt", 7, 42, None, "UTF-16 text with a byte-order mark"),
    Format(("encoded",), ".txt", -3, None, None, "text in the document's own code page"),
    Format(("pdf",), ".pdf", 17, 57, 32, "PDF from the application's own export (the text stays searchable)"),
    Format(("html", "htm"), ".html", 8, 44, 12, "a web page"),
    Format(("doc",), ".doc", 0, None, None, "Word 97-2003 document"),
    Format(("docx",), ".docx", 16, None, None, "Word document"),
    Format(("rtf",), ".rtf", 6, None, None, "Rich Text Format"),
    Format(("odt",), ".odt", 23, None, None, "OpenDocument text"),
    Format(("csv",), ".csv", None, 6, None, "comma-separated cells of the first sheet (UTF-8)"),
    Format(("xls",), ".xls", None, 56, None, "Excel 97-2003 workbook"),
    Format(("xlsx",), ".xlsx", None, 51, None, "Excel workbook"),
    Format(("ods",), ".ods", None, 60, None, "OpenDocument spreadsheet"),
    Format(("ppt",), ".ppt", None, None, 1, "PowerPoint 97-2003 presentation"),
    Format(("pptx",), ".pptx", None, None, 24, "PowerPoint presentation"),
    Format(("odp",), ".odp", None, None, 35, "OpenDocument presentation"),
    Format(("jpg", "jpeg"), ".jpg", None, None, 17, "one JPEG picture per slide, in a folder named after DEST"),
    Format(("gif",), ".gif", None, None, 16, "one GIF picture per slide"),
    Format(("png",), ".png", None, None, 18, "one PNG picture per slide"),
)

_EXCEL_SOURCES = {".xls", ".xlsx", ".xlsm", ".xlsb", ".xlt", ".xltx", ".ods", ".fods", ".ots", ".csv"}
_POWERPOINT_SOURCES = {".ppt", ".pptx", ".pptm", ".pps", ".ppsx", ".pot", ".potx", ".odp", ".fodp", ".otp"}
_WORD_SOURCES = {".doc", ".docx", ".docm", ".dot", ".dotx", ".rtf", ".odt", ".fodt", ".ott", ".txt", ".htm",
                 ".html", ".mht", ".mhtml", ".xml", ".wpd", ".wps"}


def extension_of(path: str) -> str:
    return os.path.splitext(path)[1].lower()


def app_of_source(path: str) -> str:
    extension = extension_of(path)
    if extension in _EXCEL_SOURCES:
        return EXCEL
    if extension in _POWERPOINT_SOURCES:
        return POWERPOINT
    return WORD


def is_document(path: str) -> bool:
    return app_of_source(path) != WORD or extension_of(path) in _WORD_SOURCES


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
