#!/usr/bin/env python3
"""What a user would write instead, with Python's standard library alone: give
every zip, tar, tgz and tar.bz2 below the paths its newest entry's time."""
import os
import sys
import tarfile
import time
import zipfile


def newest(path):
    name = path.lower()
    if name.endswith(".zip"):
        with zipfile.ZipFile(path) as archive:
            times = [time.mktime(info.date_time + (0, 0, -1)) for info in archive.infolist()]
    elif name.endswith((".tar", ".tgz", ".tar.gz", ".tar.bz2", ".tbz2", ".tar.xz", ".txz")):
        with tarfile.open(path) as archive:
            times = [member.mtime for member in archive]
    else:
        return None
    return max(times, default=None)


def redate(path):
    try:
        when = newest(path)
    except (OSError, zipfile.BadZipFile, tarfile.TarError) as error:
        print(f"{path}: {error}", file=sys.stderr)
        return
    if when is not None:
        os.utime(path, (os.stat(path).st_atime, when))


def main():
    for top in sys.argv[1:]:
        if os.path.isfile(top):
            redate(top)
        for folder, _, files in os.walk(top):
            for file in files:
                redate(os.path.join(folder, file))


if __name__ == "__main__":
    main()
