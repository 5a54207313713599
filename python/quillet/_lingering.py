"""The command line's lingering office, used by this process's conversions.

``quillet convert --keep-office SECONDS`` leaves its LibreOffice running for
the user's next call. A Python process that asks for the same
(``keep_office=SECONDS``, or ``QUILLET_KEEP_OFFICE=SECONDS``) shares that
office with the command line's calls: the command line attaches to it, or
starts it, with all of its checks (the user's own folder, the same version,
the very office listening), and holds it for this process until the process
ends (``quillet lease-office SECONDS``: its input ending ends the hold, also
when this process is killed). The library then attaches to the office's pipe
at its first conversion.
"""
from __future__ import annotations

import atexit
import os
import shutil
import subprocess
import threading
from typing import Optional

from .errors import QuilletError

_lock = threading.Lock()
_lease: Optional[subprocess.Popen] = None
# QUILLET_OFFICE_PIPE before the lease set it, given back when it ends.
_pipe_before: Optional[str] = None
# Asked once a process: a later ask changes nothing, since the library keeps
# the office it attached to for the process.
_asked = False
# The codes after which the lingering office is not used again.
_DROPPING = {"deadline", "applicationended"}


def seconds_asked(keep_office: Optional[int]) -> tuple[int, bool]:
    """The seconds to keep the office, and whether the caller named them (not the environment)."""
    if keep_office is not None:
        if isinstance(keep_office, bool) or not isinstance(keep_office, int) or not 0 <= keep_office <= 86400:
            raise ValueError(f"keep_office must be whole seconds from 0 to 86400, not {keep_office!r}")
        return keep_office, True
    text = os.environ.get("QUILLET_KEEP_OFFICE", "")
    if not text:
        return 0, False
    if not text.isdigit() or len(text) > 5 or int(text) > 86400:
        raise ValueError(f"QUILLET_KEEP_OFFICE is not a whole number of seconds from 0 to 86400: {text}")
    return int(text), False


def _program() -> Optional[str]:
    named = os.environ.get("QUILLET_PROGRAM")
    if named:
        return named
    return shutil.which("quillet")


def use(keep_office: Optional[int]) -> None:
    """Before a conversion: holds the lingering office for this process when it is asked for."""
    global _lease, _asked, _pipe_before
    with _lock:
        if _asked:
            return
        seconds, named = seconds_asked(keep_office)
        if seconds == 0:
            return
        _asked = True
        program = _program()
        if program is None:
            if named:
                raise QuilletError("keep_office needs quillet's command line: install it, or name it with "
                                   "QUILLET_PROGRAM=/path/to/quillet", code="notinstalled")
            return  # asked by the environment only: this process converts with an office of its own
        try:
            lease = subprocess.Popen([program, "lease-office", str(seconds)], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        except OSError as error:
            raise QuilletError(f"{program} cannot be started: {error.strerror}", code="notinstalled") from None
        line = lease.stdout.readline() if lease.stdout else ""
        if not line.startswith("pipe="):
            said = lease.stderr.read().strip() if lease.stderr else ""
            lease.wait()
            raise QuilletError(said or "the lingering office could not be had", code="notinstalled")
        pipe = line[len("pipe="):].strip()
        if not pipe:
            # Nothing to hold (walled-in offices, or the shared office listens).
            lease.stdin.close()
            lease.wait()
            return
        _lease, _pipe_before = lease, os.environ.get("QUILLET_OFFICE_PIPE")
        os.environ["QUILLET_OFFICE_PIPE"] = pipe
        atexit.register(_release)


def done(code: Optional[str]) -> None:
    """After a conversion: counts it in the lingering office, or drops the office after a failure of it."""
    global _lease
    with _lock:
        if _lease is None:
            return
        try:
            if code in _DROPPING:
                _lease.stdin.write("drop\n")
                _lease.stdin.flush()
                _release_locked()
            elif code is None:
                _lease.stdin.write("document\n")
                _lease.stdin.flush()
        except OSError:
            _lease = None  # the lease ended: the office is not held any more


def _release_locked() -> None:
    global _lease
    lease, _lease = _lease, None
    if lease is None:
        return
    # An office started later for this process is one of its own.
    if _pipe_before is None:
        os.environ.pop("QUILLET_OFFICE_PIPE", None)
    else:
        os.environ["QUILLET_OFFICE_PIPE"] = _pipe_before
    try:
        lease.stdin.close()
    except OSError:
        pass
    try:
        lease.wait(timeout=15)
    except subprocess.TimeoutExpired:
        lease.kill()
        lease.wait()


def _release() -> None:
    with _lock:
        _release_locked()
