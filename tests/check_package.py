#!/usr/bin/env python3
"""Makes the packages into a scratch folder and checks them as a user would
get them: one zip per architecture with only the plug-in and its install
note, the DLL of the right machine type, and a version resource that names
the product and its version."""
import os
import subprocess
import sys
import tempfile
import zipfile

import pefile

from check_report import report

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import make_package  # noqa: E402

MACHINES = {"win32": "IMAGE_FILE_MACHINE_I386", "win64": "IMAGE_FILE_MACHINE_AMD64"}


def version_strings(pe):
    strings = {}
    for info in getattr(pe, "FileInfo", []):
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    return strings


def check_zip(path, arch, built_dll, version, failures):
    def check(condition, message):
        if not condition:
            failures.append(f"{os.path.basename(path)}: {message}")

    with zipfile.ZipFile(path) as archive:
        names = sorted(archive.namelist())
        check(names == ["ExtIO_KelvoSDR.dll", "INSTALL.txt"], f"holds {names}")
        check(not any("kelvo" in n.lower() and n != "ExtIO_KelvoSDR.dll" for n in names), "holds a device library")
        dll = archive.read("ExtIO_KelvoSDR.dll")
        check(dll == open(built_dll, "rb").read(), "DLL differs from the build")
        note = archive.read("INSTALL.txt").decode()
        check("@" not in note and version in note and arch in note, "install note not filled in")

    pe = pefile.PE(data=dll)
    check(pe.FILE_HEADER.Machine == pefile.MACHINE_TYPE[MACHINES[arch]], "wrong machine type")
    strings = version_strings(pe)
    for key in ("FileDescription", "ProductName"):
        check(strings.get(key), f"no {key}")
    for key in ("FileVersion", "ProductVersion"):
        check(strings.get(key) == version, f"{key} is {strings.get(key)!r}")
    fixed = getattr(pe, "VS_FIXEDFILEINFO", [None])[0]
    major, minor, patch = (int(p) for p in version.split("."))
    check(fixed and (fixed.FileVersionMS, fixed.FileVersionLS) == ((major << 16) | minor, patch << 16),
          "numeric file version missing or differs from the text")


def main(win32_dll, win64_dll):
    version = make_package.version()
    failures = []
    with tempfile.TemporaryDirectory() as out:
        subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "make_package.py"), out, win32_dll, win64_dll],
                       check=True, stdout=subprocess.DEVNULL)
        zips = sorted(os.listdir(out))
        expected = [f"ExtIO_KelvoSDR-{version}-{arch}.zip" for arch in ("win32", "win64")]
        if zips != expected:
            failures.append(f"packages {zips}, expected {expected}")
        else:
            for arch, dll in (("win32", win32_dll), ("win64", win64_dll)):
                check_zip(os.path.join(out, f"ExtIO_KelvoSDR-{version}-{arch}.zip"), arch, dll, version, failures)
    return report(failures, "packages")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
