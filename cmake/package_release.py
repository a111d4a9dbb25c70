#!/usr/bin/env python3
"""Writes the player download: the stripped plugin and data checker, the sample car_dealers/ folder and
the player notes with Windows line ends, the pictures the notes show, in a zip made afresh each time,
and SHA256SUMS beside it.

Every byte follows from the inputs and SOURCE_DATE_EPOCH, the time of the commit: strip stamps the
programs with it, and the zip's entries take it as their time, in a fixed order, with fixed
permissions and no fields of the machine that packed them (owner, access times).

usage: package_release.py --dll DLL --checker EXE --strip STRIP --data-dir DIR --notes MD --zip ZIP
                          --epoch SECONDS [--picture FILE]...
"""

import argparse
import hashlib
import os
import shutil
import subprocess
import time
import zipfile
from pathlib import Path

# Entries in the order a player sees them listed, the pictures after the programs; folders end in '/'.
PROGRAMS = ("car_dealers.dll", "car_dealers.txt", "dealers-check.exe")
DATA = ("car_dealers/", "car_dealers/dealers.conf", "car_dealers/dealers.csv")


def windows_lines(text):
    """Text with CR LF line ends, which every Windows editor shows as lines (Notepad before Windows 10
    shows LF alone as none); the plugin reads both alike."""
    return text.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def main():
    parser = argparse.ArgumentParser()
    for name in ("dll", "checker", "strip", "data-dir", "notes", "zip"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--epoch", type=int, required=True)
    parser.add_argument("--picture", action="append", default=[])
    arguments = parser.parse_args()
    archive = Path(arguments.zip)

    stage = Path(str(archive) + ".files")
    shutil.rmtree(stage, ignore_errors=True)
    (stage / "car_dealers").mkdir(parents=True)
    shutil.copyfile(arguments.dll, stage / "car_dealers.dll")
    shutil.copyfile(arguments.checker, stage / "dealers-check.exe")
    # strip writes the PE header's time stamp afresh: from SOURCE_DATE_EPOCH when it is set.
    subprocess.run([arguments.strip, "--strip-all", stage / "car_dealers.dll", stage / "dealers-check.exe"],
                   check=True, env=dict(os.environ, SOURCE_DATE_EPOCH=str(arguments.epoch)))
    # Data files and notes a player opens with any Windows editor.
    for name in ("dealers.conf", "dealers.csv"):
        (stage / "car_dealers" / name).write_bytes(windows_lines((Path(arguments.data_dir) / name).read_bytes()))
    (stage / "car_dealers.txt").write_bytes(windows_lines(Path(arguments.notes).read_bytes()))
    pictures = tuple(Path(picture).name for picture in arguments.picture)
    for picture in arguments.picture:
        shutil.copyfile(picture, stage / Path(picture).name)

    # A zip time is local time to the two seconds; the commit's, read as UTC, and never before 1980.
    stamp = time.gmtime(max(arguments.epoch, 315532800))[:6]
    part = archive.with_name(archive.name + ".part")
    with zipfile.ZipFile(part, "w") as out:
        for name in PROGRAMS + pictures + DATA:
            entry = zipfile.ZipInfo(name, stamp)
            entry.create_system = 3  # permissions as a Unix mode, the same from any packer
            if name.endswith("/"):
                entry.external_attr = (0o40755 << 16) | 0x10  # a folder, also for Windows
                out.writestr(entry, b"")
            else:
                entry.external_attr = (0o100755 if name.endswith((".dll", ".exe")) else 0o100644) << 16
                entry.compress_type = zipfile.ZIP_DEFLATED
                out.writestr(entry, (stage / name).read_bytes())
    part.replace(archive)

    digest = hashlib.sha256(archive.read_bytes()).hexdigest()
    (archive.parent / "SHA256SUMS").write_text("%s  %s\n" % (digest, archive.name))


if __name__ == "__main__":
    main()
