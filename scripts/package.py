#!/usr/bin/env python3
"""Packs the release builds into the one zip for operators.

At the zip's top stands the 32-bit build, the one the loggers and the keying interface's library
need: Tandem.exe, TandemHook.dll, the manual and the getting-started text, the keyer emulator in
emulator/ (never beside Tandem.exe, where it would stand in for the interface's real library), and
whatever the build put into bin/winkeyer/ in winkeyer/. The 64-bit build, for 64-bit loggers,
stands in 64bit/ the same way, with the manual beside it for its Help menu.

The same input gives the same bytes: entries in sorted order, one fixed time stamp, fixed
attributes and compression. File names are written in code page 932 without the UTF-8 flag, as
Windows' own zip folders on Japanese systems read them, and again in UTF-8 in an Info-ZIP Unicode
path field for tools that read that.
"""

import argparse
import os
import struct
import sys
import time
import zipfile
import zlib

# The files each build's folder must hold: from the bin folder, its emulator folder, and the docs
# folder. The getting-started text stands at the top only: it says which build to start.
TOP_FILES = ["Tandem.exe", "TandemHook.dll"]
EMULATOR_FILES = ["keyport.dll", "keyport_paddle.exe"]
MANUAL = "Tandem.txt"
GETTING_STARTED = "\u306f\u3058\u3081\u306b.txt"  # "はじめに.txt"
FOLDER_64 = "64bit/"
UNICODE_PATH_FIELD = 0x7075
EARLIEST_ZIP_TIME = 315532800  # 1980-01-01, the first time a zip entry can hold


class JapaneseName(zipfile.ZipInfo):
    """An entry whose name is stored in code page 932, with its UTF-8 form in an extra field."""

    __slots__ = ()

    def _encodeFilenameFlags(self):  # noqa: N802 (the name zipfile calls)
        return self.filename.encode("cp932"), self.flag_bits & ~0x800


def entry(name, data, date_time):
    info = JapaneseName(name, date_time)
    raw = name.encode("cp932")  # refuses a name that Japanese Windows could not show
    if not name.isascii():
        utf8 = name.encode("utf-8")
        body = struct.pack("<BI", 1, zlib.crc32(raw)) + utf8
        info.extra = struct.pack("<HH", UNICODE_PATH_FIELD, len(body)) + body
    info.create_system = 0  # MS-DOS attributes only: no owner or mode of the build machine
    info.external_attr = 0x20  # archive
    info.compress_type = zipfile.ZIP_DEFLATED
    return info, data


def read(path):
    with open(path, "rb") as f:
        return f.read()


def collect(bin32, bin64, docs_dir):
    """(name in the zip, bytes) of every shipped file; exits naming every one missing."""
    files = []
    missing = []

    def add(name, path):
        if os.path.isfile(path):
            files.append((name, read(path)))
        else:
            missing.append(path)

    def add_build(prefix, bin_dir):
        for f in TOP_FILES:
            add(prefix + f, os.path.join(bin_dir, f))
        add(prefix + MANUAL, os.path.join(docs_dir, MANUAL))
        for f in EMULATOR_FILES:
            add(prefix + "emulator/" + f, os.path.join(bin_dir, "emulator", f))
        winkeyer = os.path.join(bin_dir, "winkeyer")
        if os.path.isdir(winkeyer):
            for root, dirs, names in os.walk(winkeyer):
                dirs.sort()
                for f in sorted(names):
                    path = os.path.join(root, f)
                    rel = os.path.relpath(path, winkeyer).replace(os.sep, "/")
                    add(prefix + "winkeyer/" + rel, path)

    add_build("", bin32)
    add_build(FOLDER_64, bin64)
    add(GETTING_STARTED, os.path.join(docs_dir, GETTING_STARTED))
    if missing:
        sys.exit("package: missing " + ", ".join(missing))
    for name, _ in files:
        if name.lower() in ("keyport.dll", FOLDER_64 + "keyport.dll"):
            sys.exit(f"package: {name} beside Tandem.exe would shadow the interface's library")
    return sorted(files, key=lambda f: f[0].encode("utf-8"))


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--bin32", required=True, help="the 32-bit build's bin folder")
    p.add_argument("--bin64", required=True, help="the 64-bit build's bin folder")
    p.add_argument("--docs", required=True, help="the folder of Tandem.txt and the getting-started text")
    p.add_argument("--epoch", required=True, type=int, help="time stamp of every entry (seconds, UTC)")
    p.add_argument("--out", required=True, help="the zip to write")
    args = p.parse_args()

    stamp = max(args.epoch, EARLIEST_ZIP_TIME)
    date_time = time.gmtime(stamp)[:6]
    files = collect(args.bin32, args.bin64, args.docs)

    tmp = args.out + ".part"
    with zipfile.ZipFile(tmp, "w") as z:
        for name, data in files:
            info, data = entry(name, data, date_time)
            z.writestr(info, data, compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
    os.replace(tmp, args.out)


if __name__ == "__main__":
    main()
