#!/usr/bin/env python3
"""Checks the Windows release zip: exactly the four files, text files with
CRLF line ends, and in each saver the processor it is for and the version
strings Windows shows under Properties > Details, read from the PE file's
resource tree by this script (no Windows tool involved).

    check_windows_zip.py ZIP VERSION LICENSE
"""
import os
import struct
import sys
import zipfile

RT_VERSION = 16
MACHINES = {"orb.scr": 0x8664, "x86/orb.scr": 0x14C}  # x86-64, i386


def u16(b, o):
    return struct.unpack_from("<H", b, o)[0]


def u32(b, o):
    return struct.unpack_from("<I", b, o)[0]


def pe_layout(pe):
    """The COFF machine, a function from RVA to file offset, and the
    resource directory's RVA."""
    head = u32(pe, 0x3C)
    if pe[head:head + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    machine, sections = u16(pe, head + 4), u16(pe, head + 6)
    optional = head + 24
    magic = u16(pe, optional)
    directories = optional + (112 if magic == 0x20B else 96)
    resource_rva = u32(pe, directories + 2 * 8)
    table = optional + u16(pe, head + 20)
    spans = []
    for i in range(sections):
        s = table + 40 * i
        spans.append((u32(pe, s + 12), max(u32(pe, s + 8), u32(pe, s + 16)), u32(pe, s + 20)))

    def offset(rva):
        for start, size, raw in spans:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError("RVA 0x%x in no section" % rva)
    return machine, offset, resource_rva


def version_resource(pe):
    machine, offset, root_rva = pe_layout(pe)
    root = offset(root_rva)

    def entries(directory):
        count = u16(pe, directory + 12) + u16(pe, directory + 14)
        return [(u32(pe, directory + 16 + 8 * i), u32(pe, directory + 20 + 8 * i))
                for i in range(count)]

    node = [target for name, target in entries(root) if name == RT_VERSION]
    if not node:
        raise ValueError("no VERSIONINFO resource")
    target = node[0]
    while target & 0x80000000:  # type -> name -> language, first of each
        target = entries(root + (target & 0x7FFFFFFF))[0][1]
    data_rva, size = u32(pe, root + target), u32(pe, root + target + 4)
    start = offset(data_rva)
    return machine, pe[start:start + size]


def parse_block(b, o):
    """One VS_VERSIONINFO node: (key, value bytes, text flag, children)."""
    length, value_length, is_text = u16(b, o), u16(b, o + 2), u16(b, o + 4)
    end = o + length
    key_end = o + 6
    while b[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = b[o + 6:key_end].decode("utf-16-le")
    p = (key_end + 2 + 3) & ~3
    value_bytes = value_length * 2 if is_text else value_length
    value = b[p:p + value_bytes]
    p = (p + value_bytes + 3) & ~3
    children = []
    while p < end:
        child = parse_block(b, p)
        children.append(child)
        p = (p + u16(b, p) + 3) & ~3
    return key, value, is_text, children


def version_strings(res):
    key, fixed, _, children = parse_block(res, 0)
    if key != "VS_VERSION_INFO" or u32(fixed, 0) != 0xFEEF04BD:
        raise ValueError("not a VS_VERSIONINFO block")
    numbers = []
    for at in (8, 16):  # FileVersion, ProductVersion
        ms, ls = u32(fixed, at), u32(fixed, at + 4)
        numbers.append((ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF))
    strings = {}
    for name, _, _, tables in children:
        if name == "StringFileInfo":
            for _, _, _, values in tables:
                for k, v, _, _ in values:
                    strings[k] = v.decode("utf-16-le").rstrip("\0")
    return numbers, strings


def main():
    zip_path, version, license_path = sys.argv[1:4]
    if not os.path.exists(zip_path):
        print("SKIP: no %s (make dist)" % zip_path)
        return 77
    copyright_line = next(l for l in open(license_path) if l.startswith("Copyright "))
    expected_strings = {
        "FileDescription": "Orb screen saver", "ProductName": "Orb",
        "FileVersion": version, "ProductVersion": version,
        "OriginalFilename": "orb.scr", "LegalCopyright": copyright_line.strip(),
    }
    expected_numbers = [tuple(int(n) for n in version.split(".")) + (0,)] * 2
    problems = []
    with zipfile.ZipFile(zip_path) as z:
        names = sorted(z.namelist())
        want = sorted(["orb.scr", "x86/orb.scr", "README.txt", "LICENSE.txt"])
        if names != want:
            problems.append("files %s, expected %s" % (names, want))
        for text in ("README.txt", "LICENSE.txt"):
            body = z.read(text) if text in names else b""
            if body.count(b"\n") == 0 or body.count(b"\n") != body.count(b"\r\n"):
                problems.append(text + " does not have CRLF line ends throughout")
        for scr, machine in MACHINES.items():
            if scr not in names:
                continue
            try:
                got_machine, res = version_resource(z.read(scr))
                numbers, strings = version_strings(res)
            except (ValueError, struct.error, IndexError) as e:
                problems.append("%s: %s" % (scr, e))
                continue
            if got_machine != machine:
                problems.append("%s: machine 0x%x, expected 0x%x" % (scr, got_machine, machine))
            if numbers != expected_numbers:
                problems.append("%s: FILEVERSION, PRODUCTVERSION %s, expected %s" % (scr, numbers, expected_numbers))
            for k, v in expected_strings.items():
                if strings.get(k) != v:
                    problems.append("%s: %s is %r, expected %r" % (scr, k, strings.get(k), v))
    for p in problems:
        print("FAIL:", p)
    if not problems:
        print("ok: %s holds %s; both savers carry version %s" % (zip_path, ", ".join(names), version))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
