#!/usr/bin/env python3
"""Checks the control dialog as compiled into the plug-in DLL: finds the
RT_DIALOG resource 101 (language 1033) with pefile, parses the extended
dialog template and every control in it, and compares each field with the
expected tables below. One line per mismatch; non-zero exit on any."""
import struct
import sys

import pefile

DIALOG_ID = 101
LANGUAGE = 1033  # English (United States)

ATOM_NAMES = {0x0080: "BUTTON", 0x0081: "EDIT", 0x0082: "STATIC",
              0x0083: "LISTBOX", 0x0084: "SCROLLBAR", 0x0085: "COMBOBOX"}

DS_SETFONT = 0x40

EXPECTED_HEADER = {
    "dlgVer": 1,
    "signature": 0xFFFF,
    "helpID": 0,
    "exStyle": 0x00000008,  # WS_EX_TOPMOST
    "style": 0x80C800C8,
    "x": 0, "y": 0, "cx": 191, "cy": 209,
    "menu": ("ord", 0),
    "windowClass": ("ord", 0),
    "title": "Kelvo SDR Settings",
    "pointsize": 8,
    "weight": 400,
    "italic": 0,
    "charset": 1,
    "typeface": "MS Shell Dlg",
    "cDlgItems": 27,
}

STYLE = {
    "label": 0x50020000,
    "list": 0x50210003,
    "slider": 0x50010018,
    "push": 0x50010000,
    "read-only": 0x50810880,
    "check": 0x50010003,
}

# id, class, caption ("" = none), x, y, cx, cy, kind
EXPECTED_CONTROLS = [
    (1001, "STATIC", "Device:", 7, 7, 24, 8, "label"),
    (1002, "COMBOBOX", "", 7, 18, 177, 30, "list"),
    (1003, "STATIC", "Sample Rate:", 7, 108, 43, 8, "label"),
    (1004, "COMBOBOX", "", 82, 104, 102, 30, "list"),
    (1010, "STATIC", "LNA Gain:", 7, 127, 33, 8, "label"),
    (1011, "msctls_trackbar32", "", 47, 124, 134, 15, "slider"),
    (1014, "STATIC", "VGA Gain:", 7, 156, 34, 8, "label"),
    (1015, "msctls_trackbar32", "", 47, 153, 134, 15, "slider"),
    (1021, "BUTTON", "Close", 134, 188, 50, 14, "push"),
    (-1, "STATIC", "API", 7, 37, 12, 8, "label"),
    (1026, "EDIT", "", 27, 34, 157, 14, "read-only"),
    (-1, "STATIC", "Board", 7, 54, 20, 8, "label"),
    (1027, "EDIT", "", 28, 68, 156, 14, "read-only"),
    (-1, "STATIC", "Serial", 7, 72, 18, 8, "label"),
    (1028, "EDIT", "", 27, 51, 157, 14, "read-only"),
    (1030, "BUTTON", "External clock", 7, 192, 60, 10, "check"),
    (1031, "COMBOBOX", "", 82, 87, 102, 30, "list"),
    (-1, "STATIC", "Input", 7, 91, 18, 8, "label"),
    (1016, "STATIC", "GPO:", 8, 174, 16, 8, "label"),
    (1032, "BUTTON", "0", 29, 174, 15, 10, "check"),
    (1033, "BUTTON", "1", 48, 174, 15, 10, "check"),
    (1034, "BUTTON", "2", 68, 174, 15, 10, "check"),
    (1035, "BUTTON", "3", 87, 174, 15, 10, "check"),
    (1036, "BUTTON", "4", 106, 174, 15, 10, "check"),
    (1037, "BUTTON", "5", 127, 174, 15, 10, "check"),
    (1038, "BUTTON", "6", 147, 174, 15, 10, "check"),
    (1039, "BUTTON", "7", 166, 174, 15, 10, "check"),
]


class TemplateError(Exception):
    pass


class Reader:
    """Little-endian reader over the template bytes; offsets are relative to
    the template start, which is where DWORD alignment is measured from."""

    def __init__(self, data):
        self.data = data
        self.pos = 0

    def take(self, fmt, what):
        size = struct.calcsize(fmt)
        if self.pos + size > len(self.data):
            raise TemplateError(f"template ends inside {what} at offset {self.pos}")
        values = struct.unpack_from(fmt, self.data, self.pos)
        self.pos += size
        return values[0] if len(values) == 1 else values

    def word(self, what):
        return self.take("<H", what)

    def string(self, what):
        chars = []
        while True:
            ch = self.word(what)
            if ch == 0:
                return "".join(chars)
            chars.append(chr(ch))

    def sz_or_ord(self, what):
        """("ord", n) for 0x0000 (n = 0) or 0xFFFF n; ("str", text) otherwise."""
        first = self.word(what)
        if first == 0:
            return ("ord", 0)
        if first == 0xFFFF:
            return ("ord", self.word(what))
        self.pos -= 2
        return ("str", self.string(what))

    def align_dword(self):
        self.pos = (self.pos + 3) & ~3


def parse_template(data):
    r = Reader(data)
    header = {}
    header["dlgVer"] = r.word("dlgVer")
    header["signature"] = r.word("signature")
    if header["dlgVer"] != 1 or header["signature"] != 0xFFFF:
        raise TemplateError(f"not an extended dialog template: dlgVer {header['dlgVer']}, "
                            f"signature 0x{header['signature']:04X}")
    header["helpID"] = r.take("<I", "helpID")
    header["exStyle"] = r.take("<I", "exStyle")
    header["style"] = r.take("<I", "style")
    header["cDlgItems"] = r.word("cDlgItems")
    header["x"], header["y"], header["cx"], header["cy"] = r.take("<hhhh", "x, y, cx, cy")
    header["menu"] = r.sz_or_ord("menu")
    header["windowClass"] = r.sz_or_ord("windowClass")
    header["title"] = r.string("title")
    if header["style"] & DS_SETFONT:
        header["pointsize"] = r.word("pointsize")
        header["weight"] = r.word("weight")
        header["italic"] = r.take("<B", "italic")
        header["charset"] = r.take("<B", "charset")
        header["typeface"] = r.string("typeface")

    controls = []
    for index in range(header["cDlgItems"]):
        r.align_dword()
        item = {}
        where = f"control {index + 1}"
        item["helpID"] = r.take("<I", f"{where} helpID")
        item["exStyle"] = r.take("<I", f"{where} exStyle")
        item["style"] = r.take("<I", f"{where} style")
        item["x"], item["y"], item["cx"], item["cy"] = r.take("<hhhh", f"{where} x, y, cx, cy")
        item["id"] = r.take("<I", f"{where} id")
        item["windowClass"] = r.sz_or_ord(f"{where} windowClass")
        item["title"] = r.sz_or_ord(f"{where} title")
        item["extraCount"] = r.word(f"{where} extraCount")
        count = item["extraCount"]
        item["extra"] = r.take(f"<{count}s", f"{where} creation data ({count} bytes)") if count else b""
        controls.append(item)
    return header, controls, r.pos


def describe(value):
    kind, content = value
    if kind == "ord":
        name = ATOM_NAMES.get(content)
        return f"ordinal 0x{content:04X}" + (f" ({name})" if name else "")
    return f"string {content!r}"


def class_matches(found, expected_name):
    kind, content = found
    if kind == "ord":
        return ATOM_NAMES.get(content, "").lower() == expected_name.lower()
    return content.lower() == expected_name.lower()


def find_dialog(pe):
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        raise TemplateError("the DLL has no resource directory")
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if type_entry.id != pefile.RESOURCE_TYPE["RT_DIALOG"]:
            continue
        for name_entry in type_entry.directory.entries:
            if name_entry.id != DIALOG_ID:
                continue
            languages = [lang.id for lang in name_entry.directory.entries]
            for lang_entry in name_entry.directory.entries:
                if lang_entry.id == LANGUAGE:
                    rva, size = lang_entry.data.struct.OffsetToData, lang_entry.data.struct.Size
                    return pe.get_data(rva, size)
            raise TemplateError(f"RT_DIALOG {DIALOG_ID} has languages {languages}, not {LANGUAGE}")
        raise TemplateError(f"no RT_DIALOG resource with id {DIALOG_ID}")
    raise TemplateError("no RT_DIALOG resources")


def compare(header, controls, used, size):
    failures = []

    def field(where, name, found, expected, show=None):
        if found != expected:
            show = show or (lambda v: f"0x{v:08X}" if isinstance(v, int) and name.endswith("tyle") else repr(v))
            failures.append(f"{where}: {name} is {show(found)}, expected {show(expected)}")

    for name, expected in EXPECTED_HEADER.items():
        if name not in header:
            failures.append(f"dialog: {name} is absent (style has no DS_SETFONT)")
        elif name in ("menu", "windowClass"):
            field("dialog", name, header[name], expected, describe)
        elif name == "signature":
            field("dialog", name, header[name], expected, lambda v: f"0x{v:04X}")
        else:
            field("dialog", name, header[name], expected)

    for number, expected in enumerate(EXPECTED_CONTROLS, start=1):
        where = f"control {number}"
        if number > len(controls):
            failures.append(f"{where}: missing (template has {len(controls)} controls)")
            continue
        item = controls[number - 1]
        ctl_id, ctl_class, caption, x, y, cx, cy, kind = expected
        field(where, "id", item["id"], ctl_id & 0xFFFFFFFF, lambda v: f"{v} (0x{v:08X})")
        if not class_matches(item["windowClass"], ctl_class):
            failures.append(f"{where}: windowClass is {describe(item['windowClass'])}, expected {ctl_class!r}")
        if item["title"] != ("str", caption) and not (caption == "" and item["title"] == ("ord", 0)):
            # An empty caption reads back as ("ord", 0): a single 0 word.
            failures.append(f"{where}: title is {describe(item['title'])}, expected {caption!r}")
        for name, value in (("x", x), ("y", y), ("cx", cx), ("cy", cy)):
            field(where, name, item[name], value)
        field(where, "style", item["style"], STYLE[kind])
        field(where, "exStyle", item["exStyle"], 0)
        field(where, "helpID", item["helpID"], 0)
        field(where, "extraCount", item["extraCount"], 0)

    for number in range(len(EXPECTED_CONTROLS) + 1, len(controls) + 1):
        item = controls[number - 1]
        failures.append(f"control {number}: unexpected extra control, id {item['id']}, "
                        f"class {describe(item['windowClass'])}, title {describe(item['title'])}")

    # The resource should end with the last control (plus alignment padding).
    if size - used > 3:
        failures.append(f"dialog: {size - used} bytes follow the last control in a {size}-byte resource")
    return failures


def main(dll_path):
    try:
        pe = pefile.PE(dll_path)
        data = find_dialog(pe)
        header, controls, used = parse_template(data)
    except (TemplateError, pefile.PEFormatError, OSError) as error:
        print(f"dialog resource: {error}")
        return 1
    failures = compare(header, controls, used, len(data))
    for line in failures:
        print(line)
    if failures:
        print(f"dialog resource: {len(failures)} mismatch(es)")
        return 1
    print("dialog resource: all fields match")
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(f"usage: {sys.argv[0]} DLL")
    sys.exit(main(sys.argv[1]))
