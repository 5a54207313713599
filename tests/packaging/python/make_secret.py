#!/usr/bin/python3
"""Saves a document again as .odt files encrypted with passwords, through an office of its own (Python UNO).

    make_secret.py SOURCE DEST.odt PASSWORD [DEST.odt PASSWORD ...]
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import uno
from com.sun.star.beans import PropertyValue

SOFFICE = "/usr/lib/libreoffice/program/soffice"


def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


def connect(pipe):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.monotonic() + 60
    while True:
        try:
            return resolver.resolve(f"uno:pipe,name={pipe};urp;StarOffice.ComponentContext")
        except Exception:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.1)


def main(source, *destinations_and_passwords):
    profile = tempfile.mkdtemp(prefix="quillet-secret-")
    pipe = f"quillet-secret-{os.getpid()}"
    office = subprocess.Popen(
        [SOFFICE, "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
         f"--accept=pipe,name={pipe};urp;", "-env:UserInstallation=" + uno.systemPathToFileUrl(profile)],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        context = connect(pipe)
        desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
        document = desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(source)), "_blank", 0,
                                                (prop("Hidden", True),))
        for destination, password in zip(destinations_and_passwords[::2], destinations_and_passwords[1::2]):
            document.storeToURL(uno.systemPathToFileUrl(os.path.abspath(destination)),
                                (prop("FilterName", "writer8"), prop("Password", password)))
        document.close(True)
        try:
            desktop.terminate()
        except Exception:
            pass  # the office ends while it answers
        office.wait(timeout=20)
    finally:
        if office.poll() is None:
            office.kill()
            office.wait()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    main(*sys.argv[1:])
