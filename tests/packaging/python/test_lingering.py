"""Python conversions in the lingering office of quillet's command line."""
import os
import re
import subprocess
import sys

import pytest

import quillet

PROGRAM = os.environ["QUILLET_PROGRAM"]


@pytest.fixture
def user(tmp_path, memo):
    """An environment of a user of its own: runtime folder, office pipe, the memo to convert."""
    runtime = tmp_path / "runtime"
    runtime.mkdir(mode=0o700)
    env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime), QUILLET_OFFICE_PIPE=f"quillet-py-linger-{os.getpid()}",
               QUILLET_KEEP_OFFICE="30", QUILLET_TEST_USER=str(tmp_path))
    (tmp_path / "memo.docx").write_bytes(memo)
    yield env, tmp_path
    subprocess.run([PROGRAM, "office", "stop"], env=env, capture_output=True, timeout=60)


def lingering(env) -> tuple[int, int]:
    """The lingering office's process and its documents converted, from ``quillet office status``."""
    said = subprocess.run([PROGRAM, "office", "status"], env=env, capture_output=True, text=True, timeout=30).stdout
    found = re.search(r"lingering LibreOffice listens .*\(process (\d+), .*?(\d+) documents converted", said)
    assert found, said
    return int(found.group(1)), int(found.group(2))


# Printed by a child after its conversion: the offices of this user's
# environment that run now (found by a variable they inherited), so
# that an office the child started for itself would show.
OFFICES = """
import os
mine = "QUILLET_TEST_USER=" + os.environ["QUILLET_TEST_USER"]
offices = []
for pid in filter(str.isdigit, os.listdir("/proc")):
    try:
        with open(f"/proc/{pid}/comm") as f:
            if not f.read().startswith("soffice"):
                continue
        with open(f"/proc/{pid}/environ", "rb") as f:
            if mine.encode() in f.read().split(b"\\0"):
                offices.append(int(pid))
    except OSError:
        pass
print(sorted(offices))
"""


def python(env, folder, code: str) -> subprocess.CompletedProcess:
    return subprocess.run([sys.executable, "-c", code], env=env, cwd=folder, capture_output=True, text=True,
                          timeout=180)


def test_processes_and_the_command_line_share_one_lingering_office(user):
    env, folder = user
    convert = "import quillet; quillet.convert('memo.docx', 'RESULT', format='txt')\n" + OFFICES
    first = python(env, folder, convert.replace("RESULT", "one.txt"))
    assert first.returncode == 0, first.stderr
    office, documents = lingering(env)
    assert documents == 1
    assert first.stdout.strip() == f"[{office}]", "the process ran an office of its own"

    # The next process attaches: the same office, one more document.
    second = python(env, folder, convert.replace("RESULT", "two.txt"))
    assert second.returncode == 0, second.stderr
    assert lingering(env) == (office, 2)
    assert second.stdout.strip() == f"[{office}]", "the process ran an office of its own"
    assert "Converted from Python" in (folder / "two.txt").read_text()

    # And so does the command line's next call.
    cli = subprocess.run([PROGRAM, "convert", "memo.docx", "three.txt"], env=env, cwd=folder, capture_output=True,
                         text=True, timeout=120)
    assert cli.returncode == 0, cli.stderr
    assert lingering(env) == (office, 3)


def test_a_folder_run_holds_the_lingering_office_for_all_its_files(user):
    env, folder = user
    (folder / "in").mkdir()
    for name in ("a", "b"):
        (folder / "in" / f"{name}.docx").write_bytes((folder / "memo.docx").read_bytes())
    run = python(env, folder, "import quillet\n"
                 "records = list(quillet.convert_folder('in', 'out', format='txt', keep_office=30))\n"
                 "assert all(r.ok for r in records) and len(records) == 2, records")
    assert run.returncode == 0, run.stderr
    assert lingering(env)[1] == 2


def test_keep_office_asked_by_name_without_the_command_line_fails_with_its_reason(user):
    env, folder = user
    env = dict(env, QUILLET_PROGRAM="", PATH="/nonexistent", QUILLET_KEEP_OFFICE="")
    run = python(env, folder, "import quillet\n"
                 "try:\n"
                 "    quillet.convert('memo.docx', 'one.txt', format='txt', keep_office=30)\n"
                 "except quillet.QuilletError as e:\n"
                 "    print(e.code)\n")
    assert run.returncode == 0, run.stderr
    assert run.stdout.strip() == "notinstalled"


def test_keep_office_is_refused_where_it_cannot_hold(tmp_path):
    with pytest.raises(ValueError, match="jobs"):
        next(quillet.convert_folder(tmp_path, tmp_path / "out", format="txt", jobs=2, keep_office=30))
    with pytest.raises(ValueError, match="keep_office"):
        quillet.convert(str(tmp_path / "none.docx"), str(tmp_path / "none.txt"), format="txt", keep_office=-1)
