import os
import re
import subprocess
import sys
import time
import urllib.error
import urllib.request

import pytest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from make_docx import docx_bytes  # noqa: E402


@pytest.fixture(scope="session")
def memo() -> bytes:
    return docx_bytes("Converted from Python")


# The password of quoted_secret: one the option text must quote, a quote
# inside doubled.
QUOTED_PASSWORD = '"say" it twice'


@pytest.fixture(scope="session")
def secrets(tmp_path_factory, memo) -> tuple[bytes, bytes]:
    """The memo as .odt files protected by "my secret" and by QUOTED_PASSWORD (one office makes both)."""
    folder = tmp_path_factory.mktemp("secret")
    (folder / "memo.docx").write_bytes(memo)
    subprocess.run(["/usr/bin/python3", os.path.join(os.path.dirname(__file__), "make_secret.py"),
                    str(folder / "memo.docx"), str(folder / "secret.odt"), "my secret",
                    str(folder / "quoted.odt"), QUOTED_PASSWORD], check=True, timeout=90)
    return (folder / "secret.odt").read_bytes(), (folder / "quoted.odt").read_bytes()


@pytest.fixture(scope="session")
def secret(secrets) -> bytes:
    """The memo as an .odt that opens with the password "my secret" only."""
    return secrets[0]


@pytest.fixture(scope="session")
def quoted_secret(secrets) -> tuple[bytes, str]:
    """The memo as an .odt, and the only password that opens it, one the option text must quote."""
    return secrets[1], QUOTED_PASSWORD


@pytest.fixture(scope="module")
def server(tmp_path_factory):
    """quillet serve with one worker on a free port, wanting a token: (url, token)."""
    folder = tmp_path_factory.mktemp("serve")
    token = "a-token-of-the-tests"
    (folder / "token").write_text(token + "\n")
    log = open(folder / "serve.log", "w")
    process = subprocess.Popen(
        [os.environ["QUILLET_PROGRAM"], "serve", "--listen", "127.0.0.1:0", "--workers", "1", "--timeout", "60",
         "--auth-token-file", str(folder / "token")],
        stdout=subprocess.PIPE, stderr=log, text=True)
    try:
        line = process.stdout.readline()
        listening = re.search(r"listening on (\S+):(\d+)", line)
        assert listening, f"quillet serve said {line!r}"
        url = f"http://{listening.group(1)}:{listening.group(2)}"
        # Ready for work, as a load balancer would wait for it: the worker's
        # office has converted its warm-up document. (Until then, and while an
        # office that failed its warm-up is started again, requests are
        # answered 503.)
        deadline = time.monotonic() + 90
        while True:
            try:
                with urllib.request.urlopen(url + "/health", timeout=10) as answer:
                    if answer.status == 200:
                        break
            except urllib.error.HTTPError as answer:
                assert answer.code == 503, f"/health answered {answer.code}"
            assert time.monotonic() < deadline, \
                "quillet serve's office never answered: " + (folder / "serve.log").read_text()[-2000:]
            time.sleep(0.2)
        yield url, token
    finally:
        process.terminate()
        try:
            process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        log.close()
