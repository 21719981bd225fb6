#!/usr/bin/env python3
"""The release as a user gets it, under wine:
    release-run.py ZIP TREE_DIR CAB_REASON OWN_UNLHA32 WINE_RUN...
unpacks ZIP into a folder with a Japanese name, copies the tree release-tree.py
made (TREE_DIR) beside it, and runs `dovanel.exe /Q TREE` through the wine
command WINE_RUN (cmake/wine-run.sh and its arguments): every archive gets its
newest entry's time, nothing is printed, the exit status is 0, and nothing
else changes in the tree or the program's folder. Then again without CAB32.DLL:
the cabinet alone gets a line, saying CAB_REASON (the text of the locale the
test runs in), and the exit status is 1. And once with OWN_UNLHA32 (a fake
archiver DLL, as a user's own) put in place of ours: the LHA archive takes the
time that DLL lists. TZ, LANG and LC_ALL come from the test's environment, for
the host and for wine alike.
"""
import hashlib
import time
import json
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

TREE = '書庫 フォルダ'
PROGRAM = 'ドヴァネル 配布'
# What the user's own DLL lists (DOS date and time words, in hex): its newest
# entry is 2020-01-01 12:00:00.
OWN_OLDER, OWN_NEWEST = '3ccf 0000 古い/ファイル.txt', '5021 6000 新しい/ファイル.txt'


def windows_path(path):
    return 'Z:' + path.replace('/', '\\')


def snapshot(root):
    """Every file and folder under root: its kind, bytes' digest and time."""
    state = {}
    for folder, folders, files in os.walk(root):
        for name in folders + files:
            path = os.path.join(folder, name)
            info = os.lstat(path)
            digest = None
            if os.path.isfile(path):
                with open(path, 'rb') as f:
                    digest = hashlib.sha256(f.read()).hexdigest()
            state[os.path.relpath(path, root)] = (os.path.isdir(path), digest, info.st_mtime_ns)
    return state


class Run:
    def __init__(self, root, zip_file, tree, wine, without, own):
        self.root = root
        self.program = os.path.join(self.root, PROGRAM)
        self.tree = os.path.join(self.root, TREE)
        with zipfile.ZipFile(zip_file) as z:
            z.extractall(self.program)
        for name in without:
            os.remove(os.path.join(self.program, name))
        env = dict(os.environ)
        env.pop('DOVANEL_LIBRARY_PATH', None)
        if own:
            shutil.copyfile(own, os.path.join(self.program, os.path.basename(own)))
            entries = os.path.join(self.root, 'entries.txt')
            with open(entries, 'w', encoding='utf-8') as f:
                f.write('%s\n%s\n' % (OWN_OLDER, OWN_NEWEST))
            env['DOVANEL_FAKE_ENTRIES'] = windows_path(entries)
        shutil.copytree(os.path.join(tree, TREE), self.tree)
        # copytree dates the folders anew; the tree's own dates come back.
        for folder, _, _ in os.walk(os.path.join(tree, TREE)):
            copied = os.path.join(self.tree, os.path.relpath(folder, os.path.join(tree, TREE)))
            old = os.stat(folder).st_mtime_ns
            os.utime(copied, ns=(old, old))
        self.before = snapshot(self.root)
        runtime = os.path.join(self.root, 'runtime')
        os.mkdir(runtime, 0o700)
        env['XDG_RUNTIME_DIR'] = runtime
        done = subprocess.run(wine + [os.path.join(self.program, 'dovanel.exe'), '/Q', windows_path(self.tree)],
                              env=env, capture_output=True, timeout=240)
        os.rmdir(runtime)
        self.status, self.out, self.err = done.returncode, done.stdout.decode(), done.stderr.decode()
        self.after = snapshot(self.root)


def check(zip_file, tree, cab_reason, own_unlha32, wine):
    with open(os.path.join(tree, 'expected.json'), encoding='utf-8') as f:
        expected = json.load(f)
    archives = {os.path.join(TREE, name): when for name, when in expected['archives'].items()}
    cab = next(name for name in archives if name.endswith('.cab'))
    lzh = next(name for name in archives if name.endswith('.lzh'))
    own_newest = int(time.mktime((2020, 1, 1, 12, 0, 0, 0, 0, -1)))
    # (case, DLLs removed, a DLL of the user's put in, the archive whose line
    # is expected, the dates that differ from the tree's, the exit status)
    cases = [
        ('whole release', [], None, None, {}, 0),
        ('without CAB32.DLL', ['CAB32.DLL'], None, cab, {cab: None}, 1),
        ("the user's own UNLHA32.DLL", [], own_unlha32, None, {lzh: own_newest}, 0),
    ]
    failures = []

    def expect(ok, what):
        if not ok:
            failures.append(what)

    for case, without, own, told, dates, status in cases:
        with tempfile.TemporaryDirectory(prefix='dv-release-') as root:
            run = Run(root, zip_file, tree, wine, without, own)
            expect(run.out == '', '%s: standard output: %r' % (case, run.out))
            expect(run.status == status, '%s: exit status %d' % (case, run.status))
            if told:
                prefix = 'dovanel: %s: %s' % (windows_path(os.path.join(run.root, told)), cab_reason)
                lines = run.err.splitlines()
                expect(len(lines) == 1 and lines[0].startswith(prefix) and windows_path(run.program) in lines[0],
                       '%s: standard error %r, not one line beginning %r naming the program folder' %
                       (case, run.err, prefix))
            else:
                expect(run.err == '', '%s: standard error: %r' % (case, run.err))
            expect(set(run.after) == set(run.before),
                   '%s: paths appeared %s, went %s' % (case, sorted(set(run.after) - set(run.before)),
                                                        sorted(set(run.before) - set(run.after))))
            for path, (folder, digest, mtime) in run.before.items():
                if path not in run.after:
                    continue
                now = run.after[path]
                expect(now[1] == digest, '%s: %s changed its bytes' % (case, path))
                wanted = dates.get(path, archives.get(path)) if path in archives else None
                if wanted is not None:
                    expect(now[2] == wanted * 10**9, '%s: %s dated %d, not %d' % (case, path, now[2] // 10**9, wanted))
                else:
                    expect(now[2] == mtime, '%s: %s re-dated (%d -> %d)' % (case, path, mtime, now[2]))
            for name in expected['others']:
                expect(os.path.join(TREE, name) in run.before, '%s: %s is missing from the tree' % (case, name))
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == '__main__':
    if len(sys.argv) < 6:
        sys.exit(__doc__)
    sys.exit(check(sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:]))
