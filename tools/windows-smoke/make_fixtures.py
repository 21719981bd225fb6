#!/usr/bin/env python3
"""Writes the smoke check's archives into a folder, and expected.txt: what
windows_smoke prints for them (run there with TZ=UTC, see run.sh)."""
import calendar
import io
import sys
import tarfile
import zipfile
from pathlib import Path

# name, content, time (UTC); Japanese names in kanji, kana and a 0x5C trail byte in CP932 (表).
ENTRIES = [
    ("readme.txt", b"plain ASCII name\n", (1999, 12, 31, 23, 59, 58)),
    ("日本語/表計算.txt", b"\x82\xa0" * 700, (2021, 3, 4, 5, 6, 8)),
    ("ソース/データ.bin", bytes(range(256)) * 9, (2008, 8, 8, 8, 8, 8)),
]


class Cp932Info(zipfile.ZipInfo):
    """An entry whose name is stored in CP932 without the UTF-8 flag, as
    Japanese Windows archivers write it."""

    def _encodeFilenameFlags(self):
        return self.filename.encode("cp932"), self.flag_bits


def write_zip(path, info_type):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data, when in ENTRIES:
            archive.writestr(info_type(name, when), data)


def write_tar_gz(path):
    with tarfile.open(path, "w:gz", format=tarfile.PAX_FORMAT) as archive:
        for name, data, when in ENTRIES:
            info = tarfile.TarInfo(name)
            info.size = len(data)
            info.mtime = calendar.timegm(when)
            archive.addfile(info, io.BytesIO(data))


def listing(path):
    return [path] + [f"{name}\t{len(data)}\t{calendar.timegm(when)}" for name, data, when in ENTRIES]


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    write_tar_gz(out / "names.tar.gz")
    write_zip(out / "utf8.zip", zipfile.ZipInfo)
    write_zip(out / "cp932.zip", Cp932Info)
    expected = listing("names.tar.gz") + listing("utf8.zip") + listing("cp932.zip")
    (out / "expected.txt").write_text("\n".join(expected) + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
