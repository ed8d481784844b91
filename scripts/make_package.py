#!/usr/bin/env python3
"""Makes one zip per architecture: the plug-in DLL and its install note.
Never the simulated device libraries, which a user must not mistake for the
receiver's own.

    make_package.py OUT_DIR WIN32_DLL WIN64_DLL
"""
import os
import re
import sys
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

ARCHES = {
    "win32": ("32-bit", "For a 64-bit host, use the win64 zip instead."),
    "win64": ("64-bit", "For a 32-bit host (most ExtIO hosts), use the win32 zip instead."),
}


def version():
    text = open(os.path.join(ROOT, "frame", "version.h")).read()
    return re.search(r'KELVO_VERSION_TEXT "([^"]+)"', text).group(1)


def install_note(arch):
    hosts, other = ARCHES[arch]
    note = open(os.path.join(ROOT, "packaging", "INSTALL.txt")).read()
    for key, value in {"VERSION": version(), "ARCH": arch, "HOSTS": hosts, "OTHER": other}.items():
        note = note.replace(f"@{key}@", value)
    return note.replace("\n", "\r\n")  # read on Windows


def make(out_dir, arch, dll_path):
    path = os.path.join(out_dir, f"ExtIO_KelvoSDR-{version()}-{arch}.zip")
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.write(dll_path, "ExtIO_KelvoSDR.dll")
        archive.writestr("INSTALL.txt", install_note(arch))
    return path


def main(out_dir, win32_dll, win64_dll):
    os.makedirs(out_dir, exist_ok=True)
    for arch, dll in (("win32", win32_dll), ("win64", win64_dll)):
        print(make(out_dir, arch, dll))


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
