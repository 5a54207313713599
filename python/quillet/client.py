"""quillet.Client: the same conversions through a running ``quillet serve``."""
from __future__ import annotations

import json
import os
import urllib.error
import urllib.request
import uuid
from typing import Optional, Union

from ._request import PathLike, Source, option_text_for, sniff
from .errors import ConversionError, DeadlineError, QuilletError, error_for


class Client:
    """Converts through ``quillet serve`` at ``url`` (``http://host:port``), with its token when it wants one."""

    def __init__(self, url: str, token: Optional[str] = None, *, request_timeout: float = 600) -> None:
        self.url = url.rstrip("/")
        self.token = token
        self.request_timeout = request_timeout

    def convert(self, source: Source, destination: Optional[PathLike] = None, *, format: Union[str, int],
                app: Optional[str] = None, options: str = "", timeout: Optional[float] = None,
                password: Optional[str] = None, suffix: Optional[str] = None) -> Union[str, bytes]:
        """As ``quillet.convert``, by the server: the document is posted, the result written or returned.

        A result of several files (slide pictures) comes as a zip archive.
        """
        if isinstance(source, (bytes, bytearray, memoryview)):
            data = bytes(source)
            name = "document" + (suffix or sniff(data, app))
        else:
            with open(source, "rb") as f:
                data = f.read()
            name = os.path.basename(os.fspath(source))
        fields = {"format": str(format), "option": option_text_for(options, None, password)}
        if app is not None:
            fields["app"] = app
        if timeout is not None:
            fields["timeout"] = str(max(1, int(-(-timeout // 1))))
        result = self._post("/convert", fields, name, data)
        if destination is None:
            return result
        with open(destination, "wb") as f:
            f.write(result)
        return os.fspath(destination)

    def _post(self, path: str, fields: dict[str, str], name: str, data: bytes) -> bytes:
        boundary = uuid.uuid4().hex
        body = bytearray()
        for key, value in fields.items():
            body += (f'--{boundary}\r\nContent-Disposition: form-data; name="{key}"\r\n\r\n{value}\r\n').encode()
        quoted = name.replace("\\", "_").replace('"', "_").replace("\r", "_").replace("\n", "_")
        body += (f'--{boundary}\r\nContent-Disposition: form-data; name="file"; filename="{quoted}"\r\n'
                 "Content-Type: application/octet-stream\r\n\r\n").encode()
        body += data + f"\r\n--{boundary}--\r\n".encode()
        request = urllib.request.Request(self.url + path, data=bytes(body), method="POST")
        request.add_header("Content-Type", f"multipart/form-data; boundary={boundary}")
        if self.token:
            request.add_header("Authorization", f"Bearer {self.token}")
        try:
            with urllib.request.urlopen(request, timeout=self.request_timeout) as answer:
                return answer.read()
        except urllib.error.HTTPError as answer:
            raise _error_of(answer.code, answer.read(), answer.headers.get(_CODE_HEADER) or "") from None
        except (urllib.error.URLError, OSError) as failure:
            raise QuilletError(f"quillet serve at {self.url} cannot be reached: {failure}") from None


# quillet serve names the library's kind of a failure in this header; the
# client chooses the exception by it, never by the text.
_CODE_HEADER = "Quillet-Error-Code"


def _error_of(status: int, body: bytes, code: str = "") -> QuilletError:
    try:
        text = str(json.loads(body)["error"])
    except (ValueError, KeyError, TypeError):
        text = body.decode(errors="replace") or f"the server answered {status}"
    if code:
        return error_for(text, code)
    if status == 504:
        return DeadlineError(text)
    if status in (400, 500, 503, 429):
        return ConversionError(text, f"the server answered {status}")
    return QuilletError(text, f"the server answered {status}")
