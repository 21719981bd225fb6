#!/usr/bin/env bash
# Runs tests/windows/ForeignCaller.c's program under wine in a Japanese and
# an English locale, over archives this script makes: a ZIP whose name is
# stored in CP932 (no UTF-8 flag) or flagged UTF-8, LZH level-0 entries, a
# 7z (UTF-16 names) and a pax tar (UTF-8 names in its extended header), each
# archive and entry named so that the caller's code page (932 for Japanese,
# 1252 for English) can write it.
#   foreign-caller.sh PROGRAM DLL_FOLDER EMULATOR...
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: $0 PROGRAM DLL_FOLDER EMULATOR..." >&2; exit 2; }
program=$1 dlls=$2
shift 2
fixtures=$(cd "$(dirname "$0")/../data/fixtures" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/dovanel-foreign-caller.XXXXXX")
trap 'rm -rf "$work"' EXIT

# One line per locale: the code page, then DLL PREFIX ARCHIVE_HEX ENTRY_HEX groups.
python3 - "$work" "$fixtures" > "$work/cases" <<'PY'
import io, os, subprocess, sys, tarfile, zipfile
sys.path.insert(0, sys.argv[2])
import lha
work = sys.argv[1]

class Cp932Info(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):
        return self.filename.encode('cp932'), self.flag_bits & ~0x800

def zip_archive(archive, entry, info):
    with zipfile.ZipFile(f'{work}/{archive}', 'w') as z:
        z.writestr(info(entry, date_time=(2010, 11, 12, 13, 14, 16)), b'data\n')

def lzh_archive(archive, entry, encoding):
    lha.write(f'{work}/{archive}', [lha.level0(entry.encode(encoding), b'data\n')])

def seven_zip_archive(archive, entry):
    os.makedirs(f'{work}/7z-source', exist_ok=True)
    with open(f'{work}/7z-source/{entry}', 'wb') as out:
        out.write(b'data\n')
    subprocess.run(['7z', 'a', '-bd', f'../{archive}', entry], cwd=f'{work}/7z-source', check=True,
                   stdout=subprocess.DEVNULL)

def pax_archive(archive, entry):
    with tarfile.open(f'{work}/{archive}', 'w', format=tarfile.PAX_FORMAT) as tar:
        info = tarfile.TarInfo(entry)
        info.size, info.mtime = 5, 1300000000
        tar.addfile(info, io.BytesIO(b'data\n'))

# (code page, [(DLL, prefix, archive, entry, maker)]): 表 ソ 能 end in the byte of '\'.
cases = [
    (932, [('UNZIP32.DLL', 'UnZip', '日本語.zip', '表示ソフト.txt', lambda a, e: zip_archive(a, e, Cp932Info)),
           ('UNLHA32.DLL', 'Unlha', '圧縮.lzh', '能力.txt', lambda a, e: lzh_archive(a, e, 'cp932')),
           ('7-ZIP32.DLL', 'SevenZip', '七.7z', 'ソース.txt', seven_zip_archive),
           ('tar32.dll', 'Tar', '書庫.tar', '表.txt', pax_archive)]),
    (1252, [('UNZIP32.DLL', 'UnZip', 'café.zip', 'naïve.txt', lambda a, e: zip_archive(a, e, zipfile.ZipInfo)),
            ('UNLHA32.DLL', 'Unlha', 'résumé.lzh', 'crème.txt', lambda a, e: lzh_archive(a, e, 'utf-8')),
            ('7-ZIP32.DLL', 'SevenZip', 'über.7z', 'Straße.txt', seven_zip_archive),
            ('tar32.dll', 'Tar', 'año.tar', 'piñata.txt', pax_archive)]),
]
for page, rows in cases:
    words = [str(page)]
    for dll, prefix, archive, entry, make in rows:
        make(archive, entry)
        words += [dll, prefix, archive.encode(f'cp{page}').hex(), entry.encode(f'cp{page}').hex()]
    print(' '.join(words))
PY

# wine names host files in the host locale's character set: the locales must
# be real ones, made here (a path: a bare name would go into the system's
# locale archive) and found through LOCPATH.
mkdir "$work/locales"
for locale in ja_JP.UTF-8 en_US.UTF-8; do
  localedef -i "${locale%.*}" -f UTF-8 "$work/locales/$locale" 2>/dev/null ||
    [ -e "$work/locales/$locale/LC_CTYPE" ] || { echo "foreign-caller: localedef could not make $locale" >&2; exit 1; }
done

status=0
while read -r page groups; do
  case "$page" in
    932) locale=ja_JP.UTF-8 ;;
    1252) locale=en_US.UTF-8 ;;
  esac
  echo "== LANG=$locale"
  # shellcheck disable=SC2086  # the groups are words
  LOCPATH=$work/locales LANG=$locale LC_ALL=$locale "$@" "$program" "$page" "$dlls" "$work" $groups || status=1
done < "$work/cases"
exit $status
