"""quillet: documents converted by driving LibreOffice, from Python.

A thin, typed layer over the four C functions of libquillet.so.1 (loaded with
ctypes at the first call; ``QUILLET_LIBRARY`` names it when the system's
loader does not find it)::

    import quillet
    quillet.convert("memo.docx", "memo.pdf", format="pdf")
    pdf = quillet.convert(docx_bytes, format="pdf")
    for record in quillet.convert_folder("in", "out", format="txt", recurse=True):
        print(record.source, record.ok, record.error)

``quillet.Client(url, token)`` converts the same way through a running
``quillet serve``.

Failures raise exceptions of one family (``QuilletError``); conversions raise
``ConversionError`` or one of its kinds: ``PasswordError``,
``CorruptFileError``, ``DeadlineError``, ``UnsupportedFormatError``. Each
carries the library's code of the failure in ``code`` (quillet.h's
``QUILLET_ERROR_*``: ``"password"``, ``"corrupt"``, ``"filesystem"`` ...).
"""
from __future__ import annotations

import multiprocessing
import os
import shutil
import tempfile
import time
from concurrent.futures import ProcessPoolExecutor, as_completed
from dataclasses import dataclass
from typing import Iterator, Optional, Union

from . import _formats, _library, _lingering
from ._formats import Format
from ._library import SubstitutedFont, substituted_fonts
from ._request import PathLike, Source, option_text_for, sniff
from ._version import __version__
from .client import Client
from .errors import (ConversionError, CorruptFileError, DeadlineError, FontsMissingError, LibraryNotFoundError,
                     PasswordError, QuilletError, UnsupportedFormatError, error_for)

__all__ = [
    "__version__", "convert", "convert_folder", "formats", "field", "FileResult", "Format", "Client",
    "QuilletError", "LibraryNotFoundError", "ConversionError", "PasswordError", "CorruptFileError",
    "DeadlineError", "UnsupportedFormatError", "FontsMissingError", "SubstitutedFont", "substituted_fonts",
]

# The formats whose result is a folder of pictures rather than one file.
_PICTURE_EXTENSIONS = {".jpg", ".gif", ".png"}


@dataclass(frozen=True)
class FileResult:
    """One file of a folder run, as the command line's JSON Lines record gives it."""

    source: str
    destination: str
    ok: bool
    error: str
    milliseconds: int
    code: str = ""  # the library's kind of the failure (``quillet.h``'s QUILLET_ERROR_*); "" when it converted
    # The fonts replaced in the document (see ``substituted_fonts``).
    substituted_fonts: tuple[SubstitutedFont, ...] = ()


def formats() -> tuple[Format, ...]:
    """The format names ``convert`` takes, with each application's number for them."""
    return _formats.FORMATS


def field(name: str, param: str = "") -> str:
    """A named field of the library (``softwarename``, ``sourceformatlist`` ...)."""
    value, error = _library.get_field_value(name, param)
    if error and not value:
        raise QuilletError(error, code=_library.last_error_code())
    return value


def _plan_request(source: str, format: Union[str, int], app: Optional[str], options: str) -> tuple[str, str, str]:
    """The format number, the result's extension and the option text for one source."""
    chosen = _formats.choose_app(source, app, options)
    number, extension = _formats.resolve(format, chosen)
    return str(number), extension, _formats.option_text(chosen, app, options)


def _convert_path(source: str, destination: str, format: Union[str, int], app: Optional[str],
                  options: str) -> None:
    number, _, option = _plan_request(source, format, app, options)
    folder = os.path.dirname(os.path.abspath(destination))
    if os.path.isdir(folder) and not os.access(folder, os.W_OK):
        raise ConversionError(f"The destination folder {folder} cannot be written", code="filesystem")
    failure = _library.convert_single_file(os.path.abspath(source), os.path.abspath(destination), number, option)
    _lingering.done(failure.code if failure else None)
    if failure is not None:
        raise error_for(failure.text, failure.code)


def convert(source: Source, destination: Optional[PathLike] = None, *, format: Union[str, int],
            app: Optional[str] = None, options: str = "", timeout: Optional[float] = None,
            password: Optional[str] = None, suffix: Optional[str] = None,
            keep_office: Optional[int] = None) -> Union[str, bytes]:
    """Converts one document.

    ``source`` is a path, or the document's bytes. With a ``destination`` path
    the result is written there and its path returned; without one the result
    comes back as bytes (its files are made in a temporary folder that is
    removed again, also when the conversion fails).

    ``format`` is a name of ``formats()`` (``"pdf"``, ``"txt"`` ...) or the
    application's own number. ``app`` is ``"word"``, ``"excel"`` or
    ``"powerpoint"``; by default the source's extension decides (bytes: what
    they hold, or ``suffix``, e.g. ``".csv"``). ``options`` is the library's
    option text (``"PDFA PAGES=2-3"``); ``timeout`` the deadline in seconds;
    ``password`` opens a protected source.

    ``keep_office`` (seconds; by default ``QUILLET_KEEP_OFFICE``) converts in
    the user's lingering office, the one ``quillet convert --keep-office``
    leaves running, starting it when none runs: a new process's first
    conversion then costs what the next ones do, and the office stays that
    many idle seconds after the process ends. Decided at the process's first
    conversion.

    Raises ``ConversionError`` or one of its kinds with the library's text.
    """
    options = option_text_for(options, timeout, password)
    _lingering.use(keep_office)
    if isinstance(source, (bytes, bytearray, memoryview)):
        data = bytes(source)
        with tempfile.TemporaryDirectory(prefix="quillet-") as work:
            path = os.path.join(work, "document" + (suffix or sniff(data, app)))
            with open(path, "wb") as f:
                f.write(data)
            return _convert_from_path(path, destination, format, app, options, work)
    if destination is None:
        with tempfile.TemporaryDirectory(prefix="quillet-") as work:
            return _convert_from_path(os.fspath(source), None, format, app, options, work)
    return _convert_from_path(os.fspath(source), destination, format, app, options, None)


def _convert_from_path(source: str, destination: Optional[PathLike], format: Union[str, int], app: Optional[str],
                       options: str, work: Optional[str]) -> Union[str, bytes]:
    if destination is not None:
        _convert_path(source, os.fspath(destination), format, app, options)
        return os.fspath(destination)
    assert work is not None
    _, extension, _ = _plan_request(source, format, app, options)
    if extension in _PICTURE_EXTENSIONS:
        raise UnsupportedFormatError(f"format {format} gives a picture per slide in a folder: give a destination")
    result = os.path.join(work, "result" + (extension or ".out"))
    _convert_path(source, result, format, app, options)
    with open(result, "rb") as f:
        return f.read()


def _documents(source: str, recurse: bool) -> Iterator[str]:
    for folder, subfolders, files in os.walk(source):
        subfolders.sort()
        if not recurse:
            subfolders.clear()
        for name in sorted(files):
            path = os.path.join(folder, name)
            if os.path.isfile(path) and _formats.is_document(path):
                yield path


def _plan(source: str, destination: str, path: str, format: Union[str, int], app: Optional[str],
          options: str) -> tuple[str, str, str]:
    """The destination, format number and option text of one file (raises for a format its application lacks)."""
    number, extension, option = _plan_request(path, format, app, options)
    relative = os.path.relpath(path, source)
    stem = os.path.splitext(relative)[0]
    return os.path.join(destination, stem + (extension or os.path.splitext(path)[1])), number, option


def _timed(source: str, destination: str, number: str,
           option: str) -> tuple[str, int, str, tuple[SubstitutedFont, ...]]:
    """Converts one file of a folder run: the error text (empty when it converted), the milliseconds, the
    code of its failure and the fonts replaced in it."""
    start = time.monotonic()
    failure = _library.convert_single_file(source, destination, number, option)
    ms = int((time.monotonic() - start) * 1000)
    _lingering.done(failure.code if failure else None)
    return (failure.text, ms, failure.code, substituted_fonts()) if failure else ("", ms, "", substituted_fonts())


def _start_worker(temporary_root: str) -> None:
    # Each worker converts in a temporary folder of its own: the library's
    # files of fixed names there are never shared by two workers.
    os.environ["TMPDIR"] = tempfile.mkdtemp(dir=temporary_root)
    tempfile.tempdir = None


def convert_folder(source: PathLike, destination: PathLike, *, format: Union[str, int] = "txt",
                   recurse: bool = False, jobs: int = 1, app: Optional[str] = None, options: str = "",
                   timeout: Optional[float] = None, keep_office: Optional[int] = None) -> Iterator[FileResult]:
    """Converts every document of a folder, yielding one ``FileResult`` per file as it ends.

    ``recurse`` takes the subfolders too, whose results go into the same
    subfolders of ``destination`` (made when missing). ``jobs`` above 1
    converts in that many worker processes, each with an office of its own.
    A file that fails is a record with ``ok`` false and the library's text;
    the run goes on. ``keep_office`` is ``convert``'s, with ``jobs`` 1 only
    (the workers' offices are their own).
    """
    if jobs < 1:
        raise ValueError(f"jobs must be at least 1, not {jobs}")
    if jobs > 1 and keep_office:
        raise ValueError("keep_office converts in one office: not with jobs above 1")
    source, destination = os.path.abspath(source), os.path.abspath(destination)
    if not os.path.isdir(source):
        raise ConversionError(f"The source folder {source} does not exist", code="invalidrequest")
    try:
        os.makedirs(destination, exist_ok=True)
    except OSError as error:
        raise ConversionError(f"The destination folder {destination} cannot be made: {error.strerror}",
                              code="filesystem") from None
    options = option_text_for(options, timeout, None)

    work: list[tuple[str, str, str, str]] = []
    for path in _documents(source, recurse):
        try:
            target, number, option = _plan(source, destination, path, format, app, options)
        except QuilletError as error:
            yield FileResult(path, "", False, error.text, 0, error.code)
            continue
        os.makedirs(os.path.dirname(target), exist_ok=True)
        work.append((path, target, number, option))

    if jobs == 1:
        _lingering.use(keep_office)
        for path, target, number, option in work:
            error, ms, code, fonts = _timed(path, target, number, option)
            yield FileResult(path, target, not error, error, ms, code, fonts)
        return

    _library.library()  # a missing library is reported here, not by each worker
    temporary_root = tempfile.mkdtemp(prefix="quillet-workers-")
    try:
        context = multiprocessing.get_context("spawn")
        with ProcessPoolExecutor(max_workers=jobs, mp_context=context, initializer=_start_worker,
                                 initargs=(temporary_root,)) as pool:
            futures = {pool.submit(_timed, *item): item for item in work}
            for future in as_completed(futures):
                path, target = futures[future][0], futures[future][1]
                fonts: tuple[SubstitutedFont, ...] = ()
                try:
                    error, ms, code, fonts = future.result()
                except Exception as failure:  # a worker that died fails its file
                    error, ms, code = f"the worker converting it ended: {failure}", 0, "failure"
                yield FileResult(path, target, not error, error, ms, code, fonts)
    finally:
        shutil.rmtree(temporary_root, ignore_errors=True)
