#!/usr/bin/env python3
"""Writes the smallest .docx Word and LibreOffice open: a paragraph of text.

    make_docx.py OUT.docx TEXT
"""
import sys
import zipfile

CONTENT_TYPES = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
    '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
    '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
    '<Default Extension="xml" ContentType="application/xml"/>'
    '<Override PartName="/word/document.xml" '
    'ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>'
    "</Types>")
RELS = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
    '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
    '<Relationship Id="rId1" '
    'Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" '
    'Target="word/document.xml"/>'
    "</Relationships>")
DOCUMENT = (
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>'
    '<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
    "<w:body>{paragraphs}</w:body></w:document>")
PARAGRAPH = "<w:p><w:r><w:t>{text}</w:t></w:r></w:p>"


def docx_bytes(text: str, paragraphs: int = 1) -> bytes:
    """The .docx as bytes: the text (which must need no XML escaping) as that many paragraphs."""
    import io
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("_rels/.rels", RELS)
        z.writestr("word/document.xml", DOCUMENT.format(paragraphs=PARAGRAPH.format(text=text) * paragraphs))
    return buffer.getvalue()


def docx_in_fonts(fonts: list[str]) -> bytes:
    """The .docx as bytes: a paragraph in each of the fonts (names that need no XML escaping)."""
    import io
    runs = "".join(f'<w:p><w:r><w:rPr><w:rFonts w:ascii="{font}" w:hAnsi="{font}"/></w:rPr>'
                   f"<w:t>Words in {font}</w:t></w:r></w:p>" for font in fonts)
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", CONTENT_TYPES)
        z.writestr("_rels/.rels", RELS)
        z.writestr("word/document.xml", DOCUMENT.format(paragraphs=runs))
    return buffer.getvalue()


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as out:
        out.write(docx_bytes(sys.argv[2]))
