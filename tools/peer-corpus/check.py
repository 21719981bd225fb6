#!/usr/bin/env python3
"""Lists every file of a peer corpus's MANIFEST.tsv through our libraries
and compares it with the manifest: the library of its format opens it and
no other does, the entry count, and the newest entry's time.

    check.py LIBRARY_DIR CORPUS_DIR

The manifest gives the newest time in UTC; the libraries give local DOS
time. Run under TZ=JST-9 (check.sh sets it): the expected value is the
manifest's instant in that zone cut to DOS's 2 seconds, or the smallest DOS
value before 1980, except for the samples in PINNED, whose stored field is
no UTC instant. One line a file, then a summary; exit status 1 when any
file differs.
"""
import calendar
import csv
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import list as lister  # noqa: E402

SMALLEST_DOS = '1980-01-01 00:00:00'

# What each sample's own fields say, where that is not the manifest's UTC
# instant.
PINNED = {
    # The UNIX-time extension says 1970-01-03, before DOS time begins; the
    # manifest's 2098 is the DOS field after 1970 wrapped round it.
    'test_read_format_lha_header0.lzh': SMALLEST_DOS,
    # Cabinets, RAR 4 and a ZIP with no time extra store only a DOS field:
    # the creator's wall clock with no zone, listed as that clock time; the
    # manifest took the same clock as UTC.
    'test_read_format_cab_1.cab': '2010-12-17 20:42:12',
    'test_read_format_cab_2.cab': '2010-12-17 20:42:12',
    'test_read_format_cab_3.cab': '1980-01-02 00:00:00',
    'test_read_format_cab_filename_cp932.cab': '2011-03-20 10:37:54',
    'test_read_format_cab_lzx_16bit.cab': SMALLEST_DOS,
    'test_read_format_zip_zip64a.zip': '2013-11-24 15:10:30',
    # RAR 4's DOS field has 2-second steps; the manifest's odd seconds come
    # from the extended-time remainder the field cannot carry.
    'test_read_format_rar.rar': '2011-06-26 14:59:06',
    'test_read_format_rar_unicode.rar': '2012-03-07 16:38:58',
    'test_read_format_rar_windows.rar': '2011-08-18 12:14:14',
    'test_read_format_rar_compress_normal.rar': '2011-07-13 21:04:50',
    'test_read_format_rar_sfx.exe': '2011-08-18 12:14:14',
}

# The libraries that read each family of the manifest's formats.
FAMILIES = {
    'lha': {'UNLHA32.DLL'},
    'zip': {'UNZIP32.DLL', 'ZIP32J.DLL', 'LMZIP32.DLL'},
    'cab': {'CAB32.DLL'},
    'rar': {'UNRAR32.DLL'},
    'tar': {'tar32.dll'},
}


def family_of(format_text):
    lower = format_text.lower()
    if lower.startswith('plain gzip'):
        return 'tar'
    return next((family for family in FAMILIES if lower.startswith(family)), None)


def local_dos_text(utc):
    when = calendar.timegm(time.strptime(utc[:19], '%Y-%m-%d %H:%M:%S'))
    local = time.localtime(when)
    if local.tm_year < 1980:
        return SMALLEST_DOS
    return time.strftime('%Y-%m-%d %H:%M:', local) + '%02d' % (local.tm_sec // 2 * 2)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    library_dir, corpus = argv
    libraries = [lister.Library(library_dir, file, prefix) for file, prefix in lister.LIBRARIES]
    with open(os.path.join(corpus, 'MANIFEST.tsv'), newline='', encoding='utf-8') as manifest:
        rows = list(csv.DictReader(manifest, delimiter='\t'))
    differing = 0
    for row in rows:
        name, family = row['file'], family_of(row['format'])
        expected = (int(row['entries']), PINNED.get(name) or local_dos_text(row['newest_mtime_utc']))
        path = os.fsencode(os.path.join(corpus, name))
        problems, got = [], None
        if family is None:
            problems.append('unknown format %r' % row['format'])
        elif not os.path.isfile(path):
            problems.append('missing')
        else:
            for library in libraries:
                entries = library.list(path)
                ours = library.file in FAMILIES[family]
                if entries is None:
                    if ours:
                        problems.append('%s does not open it' % library.file)
                    continue
                if not ours:
                    problems.append('%s opens it too' % library.file)
                    continue
                newest = max(((date, clock) for _, date, clock in entries), default=None)
                listed = (len(entries), lister.dos_text(*newest) if newest else '')
                if got is not None and listed != got:
                    problems.append('%s lists %d, %s' % (library.file, *listed))
                got = got or listed
                if library.check(path, 0) != 1:
                    problems.append('%s: check fails' % library.file)
        if got is not None and got != expected:
            problems.append('expected %d entries, newest %s' % expected)
        shown = 'entries=%d newest=%s' % got if got else 'not listed'
        print('%-4s %-42s %s%s' % ('ok' if not problems else 'DIFF', name, shown,
                                   '' if not problems else ': ' + '; '.join(problems)))
        differing += bool(problems)
    print('%d files: %d agree with the manifest, %d differ' % (len(rows), len(rows) - differing, differing))
    return 1 if differing else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
