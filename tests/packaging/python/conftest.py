import os
import sys

import pytest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from make_docx import docx_bytes  # noqa: E402


@pytest.fixture(scope="session")
def memo() -> bytes:
    return docx_bytes("Converted from Python")
