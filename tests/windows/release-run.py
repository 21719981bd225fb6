#!/usr/bin/env python3
"""The release as a user gets it, under wine:
    release-run.py ZIP TREE_DIR CAB_REASON WINE_RUN...
unpacks ZIP into a folder with a Japanese name, copies the tree release-tree.py
made (TREE_DIR) beside it, and runs `dovanel.exe /Q TREE` through the wine
command WINE_RUN (cmake/wine-run.sh and its arguments): every archive gets its
newest entry's time, nothing is printed, the exit status is 0, and nothing
else changes in the tree or the program's folder. Then again without CAB32.DLL:
the cabinet alone gets a line, saying CAB_REASON (the text of the locale the
test runs in), and the exit status is 1. TZ, LANG and LC_ALL come from the
test's environment, for the host and for wine alike.
"""
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

TREE = '書庫 フォルダ'
PROGRAM = 'ドヴァネル 配布'


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
    def __init__(self, zip_file, tree, wine, without):
        self.root = tempfile.mkdtemp(prefix='dv-release-')
        self.program = os.path.join(self.root, PROGRAM)
        self.tree = os.path.join(self.root, TREE)
        with zipfile.ZipFile(zip_file) as z:
            z.extractall(self.program)
        for name in without:
            os.remove(os.path.join(self.program, name))
        shutil.copytree(os.path.join(tree, TREE), self.tree)
        # copytree dates the folders anew; the tree's own dates come back.
        for folder, _, _ in os.walk(os.path.join(tree, TREE)):
            copied = os.path.join(self.tree, os.path.relpath(folder, os.path.join(tree, TREE)))
            old = os.stat(folder).st_mtime_ns
            os.utime(copied, ns=(old, old))
        self.before = snapshot(self.root)
        runtime = os.path.join(self.root, 'runtime')
        os.mkdir(runtime, 0o700)
        env = dict(os.environ, XDG_RUNTIME_DIR=runtime)
        env.pop('DOVANEL_LIBRARY_PATH', None)
        done = subprocess.run(wine + [os.path.join(self.program, 'dovanel.exe'), '/Q', windows_path(self.tree)],
                              env=env, capture_output=True, timeout=240)
        os.rmdir(runtime)
        self.status, self.out, self.err = done.returncode, done.stdout.decode(), done.stderr.decode()
        self.after = snapshot(self.root)

    def close(self):
        shutil.rmtree(self.root)


def check(zip_file, tree, cab_reason, wine):
    with open(os.path.join(tree, 'expected.json'), encoding='utf-8') as f:
        expected = json.load(f)
    archives = {os.path.join(TREE, name): when for name, when in expected['archives'].items()}
    cab = next(name for name in archives if name.endswith('.cab'))
    failures = []

    def expect(ok, what):
        if not ok:
            failures.append(what)

    for without in ([], ['CAB32.DLL']):
        run = Run(zip_file, tree, wine, without)
        try:
            case = 'without %s' % without[0] if without else 'whole release'
            left = {cab} if without else set()
            expect(run.out == '', '%s: standard output: %r' % (case, run.out))
            if without:
                prefix = 'dovanel: %s: %s' % (windows_path(os.path.join(run.root, cab)), cab_reason)
                lines = run.err.splitlines()
                expect(len(lines) == 1 and lines[0].startswith(prefix) and windows_path(run.program) in lines[0],
                       '%s: standard error %r, not one line beginning %r naming the program folder' %
                       (case, run.err, prefix))
                expect(run.status == 1, '%s: exit status %d' % (case, run.status))
            else:
                expect(run.err == '', '%s: standard error: %r' % (case, run.err))
                expect(run.status == 0, '%s: exit status %d' % (case, run.status))
            expect(set(run.after) == set(run.before),
                   '%s: paths appeared %s, went %s' % (case, sorted(set(run.after) - set(run.before)),
                                                        sorted(set(run.before) - set(run.after))))
            for path, (folder, digest, mtime) in run.before.items():
                if path not in run.after:
                    continue
                now = run.after[path]
                expect(now[1] == digest, '%s: %s changed its bytes' % (case, path))
                if path in archives and path not in left:
                    expect(now[2] == archives[path] * 10**9,
                           '%s: %s dated %d, not %d' % (case, path, now[2] // 10**9, archives[path]))
                else:
                    expect(now[2] == mtime, '%s: %s re-dated (%d -> %d)' % (case, path, mtime, now[2]))
            for name in expected['others']:
                expect(os.path.join(TREE, name) in run.before, '%s: %s is missing from the tree' % (case, name))
        finally:
            run.close()
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == '__main__':
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    sys.exit(check(sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]))
