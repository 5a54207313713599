"""The Python package over the installed library, converting with LibreOffice."""
import os
import re
import subprocess
import sys
import tempfile

import pytest

import quillet


def test_a_path_converts_to_a_path_and_bytes_to_bytes(tmp_path, memo):
    source = tmp_path / "memo.docx"
    source.write_bytes(memo)
    assert quillet.convert(source, tmp_path / "memo.pdf", format="pdf") == str(tmp_path / "memo.pdf")
    assert (tmp_path / "memo.pdf").read_bytes().startswith(b"%PDF-")
    assert b"Converted from Python" in quillet.convert(memo, format="txt", timeout=60)
    assert quillet.convert(source, format="pdf").startswith(b"%PDF-")


def test_bytes_in_bytes_out_leaves_no_temporary_file_even_when_it_fails(tmp_path, memo, monkeypatch):
    monkeypatch.setattr(tempfile, "tempdir", str(tmp_path))
    quillet.convert(memo, format="txt")
    with pytest.raises(quillet.CorruptFileError):
        quillet.convert(b"no document at all" * 20, format="pdf")
    with pytest.raises(quillet.UnsupportedFormatError):
        quillet.convert(memo, format=12345)
    assert os.listdir(tmp_path) == []


def test_failures_are_told_apart_and_carry_the_librarys_text(tmp_path, memo):
    with pytest.raises(quillet.CorruptFileError) as corrupt:
        quillet.convert(b"\x00\x01 garbage " * 50, format="pdf")
    assert corrupt.value.text == "The file is corrupt and cannot be opened"
    assert corrupt.value.code == "corrupt"
    with pytest.raises(quillet.UnsupportedFormatError) as unsupported:
        quillet.convert(memo, format=12345)
    assert unsupported.value.text == "This file format is not available: 12345"
    assert unsupported.value.code == "unsupportedformat"
    with pytest.raises(quillet.UnsupportedFormatError, match="Word has no format csv") as unnamed:
        quillet.convert(memo, format="csv")
    assert unnamed.value.code == "unsupportedformat"
    assert issubclass(quillet.PasswordError, quillet.ConversionError)
    assert issubclass(quillet.DeadlineError, quillet.QuilletError)


def test_the_kind_of_a_failure_is_the_librarys_code_not_its_words(tmp_path):
    # The library's text names the missing source, whose name holds the words
    # of other failures.
    missing = tmp_path / "The password is incorrect, the file is corrupt.docx"
    with pytest.raises(quillet.ConversionError) as failure:
        quillet.convert(missing, tmp_path / "out.pdf", format="pdf")
    assert type(failure.value) is quillet.ConversionError
    assert failure.value.code == "invalidrequest"
    assert str(missing) in failure.value.text


def test_without_libreoffice_the_failure_says_what_to_install(tmp_path, memo):
    (tmp_path / "memo.docx").write_bytes(memo)
    (tmp_path / "no-office").mkdir()
    program = ("import sys, quillet\n"
               "try:\n"
               "    quillet.convert(sys.argv[1], sys.argv[2], format='txt')\n"
               "except quillet.ConversionError as e:\n"
               "    print(type(e).__name__, e.code)\n"
               "    print(e)\n")
    env = dict(os.environ, QUILLET_LIBREOFFICE_PROGRAM=str(tmp_path / "no-office"),
               QUILLET_OFFICE_PIPE=f"quillet-python-none-{os.getpid()}")
    said = subprocess.run([sys.executable, "-c", program, str(tmp_path / "memo.docx"), str(tmp_path / "memo.txt")],
                          env=env, capture_output=True, text=True, check=True, timeout=120)
    kind, text = said.stdout.split("\n", 1)
    assert kind == "ConversionError notinstalled"
    assert "apt install libreoffice-writer libreoffice-calc libreoffice-impress" in text


def test_the_codes_the_package_tells_apart_are_the_librarys():
    from quillet import client, errors
    with open(os.environ["QUILLET_HEADER"]) as header:
        codes = set(re.findall(r'#define QUILLET_ERROR_\w+ "(\w*)"', header.read()))
    told_apart = set(errors.KINDS) | {errors.NOT_INSTALLED}
    assert told_apart <= codes, told_apart - codes
    assert {kind.default_code for kind in (quillet.QuilletError, quillet.ConversionError,
                                           quillet.LibraryNotFoundError)} <= codes


def test_a_destination_folder_that_cannot_be_written_is_named(tmp_path, memo):
    blocker = tmp_path / "a-file"
    blocker.write_text("not a folder")
    with pytest.raises(quillet.ConversionError, match=re.escape(str(blocker))):
        quillet.convert(memo, blocker / "memo.pdf", format="pdf")
    with pytest.raises(quillet.ConversionError, match=re.escape(str(blocker / "out"))):
        list(quillet.convert_folder(tmp_path, blocker / "out"))


@pytest.mark.parametrize("jobs", [1, 2])
def test_a_folder_run_yields_one_record_per_document(tmp_path, memo, jobs):
    source = tmp_path / "in"
    (source / "sub").mkdir(parents=True)
    (source / "memo.docx").write_bytes(memo)
    (source / "sub" / "inner.docx").write_bytes(memo)
    (source / "broken.docx").write_bytes(b"broken" * 30)
    (source / "notes.bin").write_bytes(b"no document")
    out = tmp_path / "out"
    records = {os.path.relpath(r.source, source): r
               for r in quillet.convert_folder(source, out, format="txt", recurse=True, jobs=jobs)}
    assert sorted(records) == ["broken.docx", "memo.docx", os.path.join("sub", "inner.docx")]
    assert records["memo.docx"].ok and records["memo.docx"].error == ""
    assert records["memo.docx"].destination == str(out / "memo.txt")
    assert "Converted from Python" in (out / "sub" / "inner.txt").read_text()
    broken = records["broken.docx"]
    assert not broken.ok and broken.error == "The file is corrupt and cannot be opened"
    assert broken.code == "corrupt" and records["memo.docx"].code == ""
    assert all(r.milliseconds >= 0 for r in records.values())
    assert [os.path.relpath(r.source, source) for r in quillet.convert_folder(source, out, format="txt")] == [
        "broken.docx", "memo.docx"]


@pytest.mark.parametrize("jobs", [1, 2])
def test_replaced_fonts_come_with_the_result_and_strictfonts_refuses_a_fallback(tmp_path, memo, jobs):
    from make_docx import docx_in_fonts
    fonts = docx_in_fonts(["DejaVu Sans", "Calibri", "Quillet Missing Sans"])
    quillet.convert(fonts, tmp_path / "fonts.pdf", format="pdf", suffix=".docx")
    # (Beside the document's own, its default style's font, which has a substitute of its metrics.)
    replaced = set(quillet.substituted_fonts())
    assert {quillet.SubstitutedFont("Calibri", "Carlito", True),
            quillet.SubstitutedFont("Quillet Missing Sans", "DejaVu Sans", False)} <= replaced
    assert [f.requested for f in replaced if not f.same_metrics] == ["Quillet Missing Sans"]
    with pytest.raises(quillet.FontsMissingError) as refused:
        quillet.convert(fonts, format="pdf", suffix=".docx", options="STRICTFONTS")
    assert refused.value.code == "fontsmissing" and refused.value.text == "Fonts not available: Quillet Missing Sans"
    quillet.convert(docx_in_fonts(["Calibri"]), format="pdf", suffix=".docx", options="STRICTFONTS")

    source = tmp_path / "in"
    source.mkdir()
    (source / "fonts.docx").write_bytes(fonts)
    (source / "memo.docx").write_bytes(memo)
    records = {os.path.basename(r.source): r
               for r in quillet.convert_folder(source, tmp_path / "out", format="pdf", jobs=jobs)}
    assert [f.requested for f in records["fonts.docx"].substituted_fonts if not f.same_metrics] == [
        "Quillet Missing Sans"]
    assert all(f.same_metrics for f in records["memo.docx"].substituted_fonts)


def test_formats_fields_and_version_come_from_the_library_and_its_header():
    names = {name for f in quillet.formats() for name in f.names}
    assert {"pdf", "txt", "docx", "csv", "pptx", "jpg"} <= names
    assert quillet.field("softwarename") != ""
    with open(os.environ["QUILLET_HEADER"]) as header:
        version = re.search(r'#define QUILLET_VERSION "([^"]+)"', header.read()).group(1)
    assert quillet.__version__ == version


def test_the_format_table_is_the_command_lines():
    said = subprocess.run([os.environ["QUILLET_PROGRAM"], "formats"], capture_output=True, text=True, check=True)
    rows = []
    for line in said.stdout.splitlines()[1:]:
        if not line:
            break
        names, extension, *numbers, description = re.fullmatch(r"(\S+) +(\S+) +(\S+) +(\S+) +(\S+)  (.*)",
                                                               line).groups()
        rows.append((tuple(names.split(",")), extension, *(None if n == "-" else int(n) for n in numbers),
                     description))
    assert rows == [(f.names, f.extension, f.word, f.excel, f.powerpoint, f.description) for f in quillet.formats()]


def test_the_package_is_typed():
    assert os.path.isfile(os.path.join(os.path.dirname(quillet.__file__), "py.typed"))


def test_a_missing_library_names_what_to_install(tmp_path):
    program = ("import quillet\n"
               "try:\n"
               "    quillet.convert(b'x', format='txt')\n"
               "except quillet.LibraryNotFoundError as e:\n"
               "    print(e)\n")
    env = dict(os.environ, QUILLET_LIBRARY=str(tmp_path / "libquillet.so.1"))
    said = subprocess.run([sys.executable, "-c", program], env=env, capture_output=True, text=True, check=True)
    assert "apt install ./libquillet1_" in said.stdout and "QUILLET_LIBRARY" in said.stdout
    assert str(tmp_path / "libquillet.so.1") in said.stdout


def test_a_protected_document_opens_with_its_password_only(secret):
    with pytest.raises(quillet.PasswordError) as missing:
        quillet.convert(secret, format="txt")
    assert missing.value.text == "The password is incorrect"
    assert missing.value.code == "password"
    with pytest.raises(quillet.PasswordError):
        quillet.convert(secret, format="txt", password="my secre")
    assert b"Converted from Python" in quillet.convert(secret, format="txt", password="my secret")


def test_a_password_the_option_text_must_quote_opens_its_document(quoted_secret):
    document, password = quoted_secret
    assert b"Converted from Python" in quillet.convert(document, format="txt", password=password)
    with pytest.raises(quillet.PasswordError):
        quillet.convert(document, format="txt", password=password.split()[0])
    # The library's texts end at a NUL: such a password would be cut short.
    with pytest.raises(ValueError, match="NUL"):
        quillet.convert(document, format="txt", password=password + "\0rest")


def test_the_client_converts_through_quillet_serve_as_convert_does(server, tmp_path, memo, secret):
    url, token = server
    client = quillet.Client(url, token)
    assert client.convert(memo, format="pdf", timeout=60).startswith(b"%PDF-")
    source = tmp_path / "memo.docx"
    source.write_bytes(memo)
    assert client.convert(source, tmp_path / "memo.txt", format="txt") == str(tmp_path / "memo.txt")
    assert "Converted from Python" in (tmp_path / "memo.txt").read_text()
    assert b"Converted from Python" in client.convert(secret, format="txt", password="my secret")
    with pytest.raises(quillet.PasswordError):
        client.convert(secret, format="txt")
    with pytest.raises(quillet.CorruptFileError) as corrupt:
        client.convert(b"broken" * 30, format="pdf")
    assert corrupt.value.text == "The file is corrupt and cannot be opened"
    with pytest.raises(quillet.UnsupportedFormatError):
        client.convert(memo, format="csv")
    with pytest.raises(quillet.QuilletError, match="token"):
        quillet.Client(url).convert(memo, format="pdf")


def test_a_document_past_its_deadline_raises_DeadlineError_and_the_next_one_converts(memo):
    from make_docx import docx_bytes
    long_document = docx_bytes("Words that fill pages of a long document. " * 20, paragraphs=20000)
    with pytest.raises(quillet.DeadlineError) as late:
        quillet.convert(long_document, format="pdf", timeout=1)
    assert late.value.text.startswith("The document took longer than its deadline of 1 seconds")
    assert late.value.code == "deadline"
    assert b"Converted from Python" in quillet.convert(memo, format="txt")
