#!/usr/bin/env python3
"""Lists archives through our built archiver libraries, as the program
loads them: every library that opens the file, with its entries.

    list.py LIBRARY_DIR ARCHIVE...

For each archive, one line per library that opens it:
    ARCHIVE<TAB>LIBRARY<TAB>ENTRIES<TAB>NEWEST<TAB>CHECK
NEWEST is the newest entry's DOS date and time ("YYYY-MM-DD hh:mm:ss",
local time, as the libraries give it), CHECK the CheckArchive answer.
With --entries, one line per entry follows: "\tname=... date=... time=...".
"""
import ctypes
import os
import sys

# (file, listing prefix): the family's eight libraries.
LIBRARIES = [('UNLHA32.DLL', 'Unlha'), ('UNZIP32.DLL', 'UnZip'), ('ZIP32J.DLL', 'UnZip'),
             ('LMZIP32.DLL', 'Unzip'), ('CAB32.DLL', 'Cab'), ('UNARJ32J.DLL', 'Unarj'),
             ('tar32.dll', 'Tar'), ('UNRAR32.DLL', 'Unrar')]
PROBE_MODE = 0x00800002
RUNAWAY_LIMIT = 1000000


class EntryInfo(ctypes.Structure):
    _pack_ = 1
    _fields_ = [('dwOriginalSize', ctypes.c_uint32), ('dwCompressedSize', ctypes.c_uint32),
                ('dwCRC', ctypes.c_uint32), ('uFlag', ctypes.c_uint32), ('uOSType', ctypes.c_uint32),
                ('wRatio', ctypes.c_uint16), ('wDate', ctypes.c_uint16), ('wTime', ctypes.c_uint16),
                ('szFileName', ctypes.c_char * 513), ('dummy1', ctypes.c_char * 3),
                ('szAttribute', ctypes.c_char * 8), ('szMode', ctypes.c_char * 8)]


assert ctypes.sizeof(EntryInfo) == 558


def dos_text(date, time):
    return '%04d-%02d-%02d %02d:%02d:%02d' % ((date >> 9) + 1980, date >> 5 & 0x0F, date & 0x1F, time >> 11,
                                              time >> 5 & 0x3F, (time & 0x1F) * 2)


class Library:
    def __init__(self, folder, file, prefix):
        self.file = file
        self.dll = ctypes.CDLL(os.path.join(folder, file), mode=os.RTLD_LOCAL)
        self.open = getattr(self.dll, prefix + 'OpenArchive')
        self.open.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_uint32]
        self.open.restype = ctypes.c_size_t
        self.close = getattr(self.dll, prefix + 'CloseArchive')
        self.close.argtypes = [ctypes.c_size_t]
        self.first = getattr(self.dll, prefix + 'FindFirst')
        self.first.argtypes = [ctypes.c_size_t, ctypes.c_char_p, ctypes.POINTER(EntryInfo)]
        self.next = getattr(self.dll, prefix + 'FindNext')
        self.next.argtypes = [ctypes.c_size_t, ctypes.POINTER(EntryInfo)]
        self.check = getattr(self.dll, prefix + 'CheckArchive')
        self.check.argtypes = [ctypes.c_char_p, ctypes.c_int]

    def list(self, path):
        """The entries as (name bytes, date, time), or None when it does not open."""
        handle = self.open(None, path, PROBE_MODE)
        if not handle:
            return None
        entries = []
        record = EntryInfo()
        status = self.first(handle, b'*.*', ctypes.byref(record))
        while status == 0 and len(entries) < RUNAWAY_LIMIT:
            entries.append((record.szFileName, record.wDate, record.wTime))
            status = self.next(handle, ctypes.byref(record))
        self.close(handle)
        return entries


def main(argv):
    show_entries = '--entries' in argv
    argv = [arg for arg in argv if arg != '--entries']
    if len(argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    libraries = [Library(argv[0], file, prefix) for file, prefix in LIBRARIES]
    for archive in argv[1:]:
        path = os.fsencode(archive)
        for library in libraries:
            entries = library.list(path)
            if entries is None:
                continue
            newest = max(((date, time) for _, date, time in entries), default=None)
            print('\t'.join([archive, library.file, str(len(entries)), dos_text(*newest) if newest else '',
                             str(library.check(path, 0))]))
            if show_entries:
                for name, date, time in entries:
                    stamp = dos_text(date, time)
                    print('\tname=%s date=%s time=%s' % (name.decode('utf-8', 'backslashreplace'), stamp[:10],
                                                        stamp[11:]))
        sys.stdout.flush()
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
