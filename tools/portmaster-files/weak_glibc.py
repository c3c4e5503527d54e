#!/usr/bin/env python3
"""Lets a shared library built against a newer glibc load on an older one,
when all it needs of the newer one is the dl* functions that glibc 2.34
moved from libdl into libc: those symbols lose their version, so that the
loader binds them to libdl's (which the caller adds as needed), and the
newer version, then used by nothing, is marked weak, so that the loader
does not refuse the library for it. Any other symbol needing a version
newer than the limit is an error.

Usage: weak_glibc.py NEWEST LIBRARY   (NEWEST like 2.31; LIBRARY is edited)
"""
import struct
import sys

SHT_DYNSYM, SHT_GNU_VERNEED, SHT_GNU_VERSYM = 11, 0x6FFFFFFE, 0x6FFFFFFF
VER_FLG_WEAK = 2
VER_NDX_GLOBAL = 1  # an unversioned symbol
MOVED_FROM_LIBDL = {"dlopen", "dlsym", "dlclose", "dlerror", "dladdr", "dladdr1", "dlvsym", "dlinfo", "dlmopen"}


def version_tuple(name):
    return tuple(int(part) for part in name[len("GLIBC_"):].split("."))


def main(newest, path):
    data = bytearray(open(path, "rb").read())
    if data[:4] != b"\x7fELF" or data[5] != 1:
        sys.exit(f"{path}: not a little-endian ELF file")
    wide = data[4] == 2
    if wide:
        shoff, = struct.unpack_from("<Q", data, 0x28)
        shentsize, shnum = struct.unpack_from("<HH", data, 0x3A)
    else:
        shoff, = struct.unpack_from("<I", data, 0x20)
        shentsize, shnum = struct.unpack_from("<HH", data, 0x2E)
    sections = []
    for i in range(shnum):
        at = shoff + i * shentsize
        if wide:
            _, kind, _, _, offset, size, link, _, _, entsize = struct.unpack_from("<IIQQQQIIQQ", data, at)
        else:
            _, kind, _, _, offset, size, link, _, _, entsize = struct.unpack_from("<IIIIIIIIII", data, at)
        sections.append((kind, offset, size, link, entsize))

    def string(section, at):
        offset = sections[section][1] + at
        return data[offset:data.index(0, offset)].decode()

    limit = version_tuple("GLIBC_" + newest)
    too_new = {}  # version index -> (name, offset of its vna_flags)
    for kind, offset, size, link, _ in sections:
        if kind != SHT_GNU_VERNEED:
            continue
        need = offset
        while True:
            _, count, file_name, aux, next_need = struct.unpack_from("<HHIII", data, need)
            at = need + aux
            for _ in range(count):
                _, flags, other, name, next_aux = struct.unpack_from("<IHHII", data, at)
                version = string(link, name)
                if string(link, file_name) == "libc.so.6" and version.startswith("GLIBC_") \
                        and version_tuple(version) > limit:
                    too_new[other] = (version, at + 4)
                at += next_aux
            if not next_need:
                break
            need += next_need
    if not too_new:
        return

    dynsym = next(s for s in sections if s[0] == SHT_DYNSYM)
    versym = next(s for s in sections if s[0] == SHT_GNU_VERSYM)
    users = {index: [] for index in too_new}  # version index -> [(symbol, its versym entry)]
    for i in range(dynsym[2] // dynsym[4]):
        index = struct.unpack_from("<H", data, versym[1] + 2 * i)[0] & 0x7FFF
        if index in users:
            name_at = struct.unpack_from("<I", data, dynsym[1] + i * dynsym[4])[0]
            users[index].append((string(dynsym[3], name_at), versym[1] + 2 * i))
    for index, (version, flags_at) in too_new.items():
        others = [name for name, _ in users[index] if name not in MOVED_FROM_LIBDL]
        if others:
            sys.exit(f"{path}: {', '.join(others)} need {version}, newer than GLIBC_{newest}")
        for _, entry_at in users[index]:
            struct.pack_into("<H", data, entry_at, VER_NDX_GLOBAL)
        flags = struct.unpack_from("<H", data, flags_at)[0]
        struct.pack_into("<H", data, flags_at, flags | VER_FLG_WEAK)
        names = ", ".join(sorted(name for name, _ in users[index]))
        print(f"{path}: {names} unversioned, {version} made weak")
    open(path, "wb").write(data)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
