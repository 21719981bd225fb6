#!/usr/bin/env python3
"""Makes, with the host's tools, the tree the release's run re-dates:
    release-tree.py OUT
OUT/書庫 フォルダ holds an archive of every format the program handles (most
with Japanese entry names), each with its newest entry in the middle at a
time of its own, and files that are no archive; every file and folder is
dated long ago. OUT/expected.json names, relative to the tree, each archive
with the UNIX time it must get and each file the run must leave alone.
Run it under the time zone the run uses (TZ): most formats store local time.
"""
import datetime
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time
import calendar

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'data', 'fixtures'))
import rar  # noqa: E402

OLD = time.mktime((2001, 1, 1, 0, 0, 0, 0, 0, -1))
FIRST_NEWEST = datetime.datetime(2019, 5, 6, 7, 8, 10)
# Entries in this order: the newest is neither the first nor the last.
OLDER, NEWEST, MIDDLE = '古い.txt', 'フォルダ/新しい.txt', 'middle.txt'
ENTRIES = [OLDER, NEWEST, MIDDLE]


def names_args():
    return ' '.join("'%s'" % name for name in ENTRIES)


def zipfile_cp932(archive, clock):
    """Python's zipfile with CP932 names and no UTF-8 flag, as Japanese
    Windows tools write them; DOS times are the local clock."""
    import zipfile

    class Info(zipfile.ZipInfo):
        def _encodeFilenameFlags(self):
            return self.filename.encode('cp932'), self.flag_bits & ~0x800

    ages = {OLDER: datetime.timedelta(days=3), NEWEST: datetime.timedelta(), MIDDLE: datetime.timedelta(hours=1)}
    with zipfile.ZipFile(archive, 'w') as z:
        for name in ENTRIES:
            z.writestr(Info(name, date_time=(clock - ages[name]).timetuple()[:6]), name.encode() * 3)


def rar_of(version):
    return lambda archive, clock: rar.write(archive, rar.from_files(ENTRIES), version)


# (archive's path in the tree, how it is made: a shell command run in the
# folder of the entries, the archive's path and the entries' names following,
# or a function of the path and the newest clock). gcab writes the UTC clock
# into the DOS fields, which are local by definition: its entries are dated so
# that the fields hold the clock wanted.
ARCHIVES = [
    ('ほげ.lzh', 'jlha ay'),
    ('サブ/情報.zip', 'zip -q -X'),
    ('シフトJIS.zip', zipfile_cp932),
    ('キャビネット.cab', 'gcab -c'),
    ('サブ/アージ.arj', 'arj a -y'),
    ('テープ.tar', 'tar cf'),
    ('圧縮.tar.gz', 'tar czf'),
    ('サブ/圧縮.tgz', 'tar czf'),
    ('ビー.tar.bz2', 'tar cjf'),
    ('ビー.tbz2', 'tar cjf'),
    ('エックス.tar.xz', 'tar cJf'),
    ('エックス.txz', 'tar cJf'),
    ('標準.tar.zst', 'tar --zstd -cf'),
    ('標準.tzst', 'tar --zstd -cf'),
    ('ラー4.rar', rar_of(4)),
    ('サブ/ラー5.rar', rar_of(5)),
    ('七.7z', '7z a -bd'),
]
# Left alone: no archive, and an archive under a name the program does not take.
OTHERS = [('読んでね.txt', b'not an archive\n'), ('サブ/別名.lha', None)]


def date_entries(folder, clock, utc_fields):
    stamp = calendar.timegm(clock.timetuple()) if utc_fields else time.mktime(clock.timetuple())
    for name, age in ((OLDER, 3 * 86400), (NEWEST, 0), (MIDDLE, 3600)):
        os.utime(os.path.join(folder, name), (stamp - age, stamp - age))
    os.utime(os.path.join(folder, 'フォルダ'), (OLD, OLD))


def main():
    out = sys.argv[1]
    shutil.rmtree(out, ignore_errors=True)
    tree = os.path.join(out, '書庫 フォルダ')
    os.makedirs(os.path.join(tree, 'サブ'))
    env = dict(os.environ, LC_ALL='C.UTF-8')
    expected = {'archives': {}, 'others': []}
    for index, (name, make) in enumerate(ARCHIVES):
        clock = FIRST_NEWEST + datetime.timedelta(days=index, hours=index, minutes=index, seconds=2 * index)
        archive = os.path.join(tree, name)
        with tempfile.TemporaryDirectory() as entries:
            os.makedirs(os.path.join(entries, 'フォルダ'))
            for entry in ENTRIES:
                with open(os.path.join(entries, entry), 'wb') as f:
                    f.write(entry.encode() * 3)
            date_entries(entries, clock, make == 'gcab -c')
            if callable(make):
                cwd = os.getcwd()
                os.chdir(entries)
                try:
                    make(archive, clock)
                finally:
                    os.chdir(cwd)
            else:
                subprocess.run("%s '%s' %s" % (make, archive, names_args()), shell=True, cwd=entries, env=env,
                               check=True, stdout=subprocess.DEVNULL)
        expected['archives'][name] = int(time.mktime(clock.timetuple()))
    for name, data in OTHERS:
        path = os.path.join(tree, name)
        if data is None:
            shutil.copyfile(os.path.join(tree, ARCHIVES[0][0]), path)
        else:
            with open(path, 'wb') as f:
                f.write(data)
        expected['others'].append(name)
    for folder, _, files in os.walk(tree, topdown=False):
        for name in files:
            os.utime(os.path.join(folder, name), (OLD, OLD))
        os.utime(folder, (OLD, OLD))
    with open(os.path.join(out, 'expected.json'), 'w', encoding='utf-8') as f:
        json.dump(expected, f, ensure_ascii=False, indent=1)


if __name__ == '__main__':
    main()
