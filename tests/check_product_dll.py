#!/usr/bin/env python3
"""Checks the 32-bit product DLL itself with a PE parser: machine, kind,
module name, the exact export names, and the DLLs it imports."""
import re
import sys

import pefile

from check_report import report

ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "comctl32.dll", "msvcrt.dll", "gdi32.dll",
                   "advapi32.dll", "kelvo.dll", "kelvo_sdr.dll"}


def expected_exports(entry_points_list):
    names = set()
    for line in open(entry_points_list):
        fields = line.split()
        if not fields or not re.match(r"[A-Za-z]", fields[0]):
            continue
        name, size = fields[0], fields[1]
        names.add(f"_{name}@{size}")
        if "decorated-only" not in fields:
            names.add(name)
    return names


def main(dll_path, entry_points_list):
    pe = pefile.PE(dll_path)
    failures = []

    def check(condition, message):
        if not condition:
            failures.append(message)

    check(pe.FILE_HEADER.Machine == pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], "machine is not i386")
    check(pe.OPTIONAL_HEADER.Magic == 0x10B, "not PE32")
    check(pe.FILE_HEADER.Characteristics & 0x2000, "not a DLL")

    exports = pe.DIRECTORY_ENTRY_EXPORT
    module_name = pe.get_string_at_rva(exports.struct.Name).decode()
    check(module_name == "ExtIO_KelvoSDR.DLL", f"module name {module_name!r}")
    symbols = exports.symbols
    check(all(s.name for s in symbols), "an export has no name (ordinal only)")
    names = [s.name.decode() for s in symbols if s.name]
    check(len(names) == 42, f"{len(names)} export names, expected 42")
    wanted = expected_exports(entry_points_list)
    check(set(names) == wanted,
          f"unexpected: {sorted(set(names) - wanted)}, missing: {sorted(wanted - set(names))}")
    check("StartHW64" not in names and "SwitchGUI" not in names, "plain StartHW64 or SwitchGUI exported")
    by_name = {s.name.decode(): s.address for s in symbols if s.name}
    for name in wanted:
        match = re.match(r"_(\w+)@\d+$", name)
        if match and match.group(1) in by_name:
            check(by_name[match.group(1)] == by_name[name], f"{name} and its plain name differ")

    imports = {entry.dll.decode().lower() for entry in pe.DIRECTORY_ENTRY_IMPORT}
    check(imports <= ALLOWED_IMPORTS, f"imports beyond the allowed: {sorted(imports - ALLOWED_IMPORTS)}")
    check({"kelvo.dll", "kelvo_sdr.dll"} <= imports, "device libraries not imported")

    return report(failures, "product DLL")


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
