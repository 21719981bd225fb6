#!/usr/bin/env python3
"""The program as a user installs it.

`cmake --install` into a temporary prefix, and the Debian package that
`cpack -G DEB` makes, unpacked with `dpkg -x` into a temporary root: each tree
holds exactly the program, its libraries and window system, the desktop entry,
icon, metainfo and manual page; the desktop files pass their validators; and
the installed program, run with no library path set, finds its libraries and
window system relative to itself and re-dates archives. Nothing is installed
into the system.

Usage: install_test.py --build BUILD_DIR [unittest arguments]
"""
import argparse
import calendar
import fnmatch
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile
import tarfile

BUILD = None  # set from the command line

LIBRARIES = ["UNLHA32.DLL", "UNZIP32.DLL", "ZIP32J.DLL", "LMZIP32.DLL", "CAB32.DLL", "UNARJ32J.DLL",
             "tar32.dll", "UNRAR32.DLL", "7-ZIP32.DLL"]
EXPECTED_FILES = sorted(
    ["bin/dovanel", "lib/dovanel/libdovanel-qt.so"]
    + ["lib/dovanel/" + name for name in LIBRARIES]
    + ["share/applications/dovanel.desktop",
       "share/icons/hicolor/scalable/apps/dovanel.svg",
       "share/metainfo/invalid.dovanel.dovanel.metainfo.xml",
       "share/man/man1/dovanel.1.gz",
       "share/man/ja/man1/dovanel.1.gz",
       "share/locale/ja/LC_MESSAGES/dovanel.mo"])

# The extensions the program takes as archives by name; a file manager must
# offer it for each of them.
ARCHIVE_EXTENSIONS = [".lzh", ".zip", ".cab", ".arj", ".tar", ".tgz", ".taz", ".gz", ".z", ".bz2", ".rar",
                      ".tar.gz", ".tar.bz2", ".tbz2", ".xz", ".txz", ".tar.xz", ".zst", ".tzst", ".tar.zst", ".7z"]

# The newest entry of every sample archive, and any older time the files have before a run.
NEWEST = (2001, 5, 6, 10, 20, 30)
NEWEST_SECONDS = calendar.timegm(NEWEST)  # the runs use TZ=UTC
BEFORE_SECONDS = 1577934246
PATIENCE = 60


def run(command, **keywords):
    return subprocess.run(command, capture_output=True, timeout=PATIENCE, **keywords)


def files_under(root):
    found = []
    for folder, _, names in os.walk(root):
        for name in names:
            found.append(os.path.relpath(os.path.join(folder, name), root))
    return sorted(found)


class Scratch:
    """A temporary folder removed at the end, made private as a runtime folder must be."""

    def __init__(self, name):
        self.folder = tempfile.mkdtemp(prefix="dovanel-install-" + name + "-")
        os.chmod(self.folder, 0o700)

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def remove(self):
        shutil.rmtree(self.folder, ignore_errors=True)


def program_environment(runtime, **more):
    """What a user's login gives, and no more: no library path, no display."""
    environment = {"PATH": "/usr/bin:/bin", "HOME": runtime, "TZ": "UTC", "LC_ALL": "C",
                   "XDG_RUNTIME_DIR": runtime}
    for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
        if name in os.environ:
            environment[name] = os.environ[name]
    environment.update(more)
    return environment


def make_archives(folder):
    """A ZIP, a tar and a CAB in `folder` whose newest entry is NEWEST, dated BEFORE_SECONDS."""
    sources = os.path.join(folder, "sources")
    os.makedirs(sources)
    newest = os.path.join(sources, "new.txt")
    with open(newest, "w") as out:
        out.write("newest\n")
    os.utime(newest, (NEWEST_SECONDS, NEWEST_SECONDS))
    archives = {}
    archives["zip"] = os.path.join(folder, "a.zip")
    with zipfile.ZipFile(archives["zip"], "w") as archive:
        archive.writestr(zipfile.ZipInfo("old.txt", (1999, 12, 31, 23, 59, 58)), "old\n")
        archive.writestr(zipfile.ZipInfo("new.txt", NEWEST), "newest\n")
    archives["tar"] = os.path.join(folder, "a.tar")
    with tarfile.open(archives["tar"], "w") as archive:
        archive.add(newest, arcname="new.txt")
    archives["cab"] = os.path.join(folder, "a.cab")
    made = run(["gcab", "-c", archives["cab"], "new.txt"], cwd=sources, env=dict(os.environ, TZ="UTC"))
    if made.returncode != 0:
        raise RuntimeError("gcab failed: " + made.stderr.decode(errors="replace"))
    shutil.rmtree(sources)
    for path in archives.values():
        os.utime(path, (BEFORE_SECONDS, BEFORE_SECONDS))
    return archives


class InstallTest(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.scratch = Scratch("trees")
        prefix = cls.scratch.path("prefix")
        installed = run(["cmake", "--install", BUILD, "--prefix", prefix])
        if installed.returncode != 0:
            raise RuntimeError("cmake --install failed: " + installed.stderr.decode(errors="replace"))
        packages = cls.scratch.path("packages")
        packed = run(["cpack", "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", packages],
                     cwd=BUILD)
        if packed.returncode != 0:
            raise RuntimeError("cpack failed: " + packed.stdout.decode(errors="replace")
                               + packed.stderr.decode(errors="replace"))
        debs = [name for name in os.listdir(packages) if name.endswith(".deb")]
        if len(debs) != 1:
            raise RuntimeError("cpack made %r" % debs)
        cls.deb = os.path.join(packages, debs[0])
        root = cls.scratch.path("root")
        unpacked = run(["dpkg", "-x", cls.deb, root])
        if unpacked.returncode != 0:
            raise RuntimeError("dpkg -x failed: " + unpacked.stderr.decode(errors="replace"))
        # Each tree as the prefix its bin/, lib/ and share/ stand in.
        cls.trees = {"cmake --install": prefix, "dpkg -x": os.path.join(root, "usr")}

    @classmethod
    def tearDownClass(cls):
        cls.scratch.remove()

    def setUp(self):
        self.work = Scratch("run")
        self.addCleanup(self.work.remove)

    # What the trees hold.

    def test_each_tree_holds_the_program_its_libraries_and_desktop_files_and_nothing_else(self):
        for tree, prefix in self.trees.items():
            with self.subTest(tree=tree):
                self.assertEqual(files_under(prefix), EXPECTED_FILES)
                self.assertTrue(os.access(os.path.join(prefix, "bin", "dovanel"), os.X_OK))

    def test_the_package_depends_on_the_runtime_packages_it_links(self):
        fields = run(["dpkg-deb", "-f", self.deb, "Package", "Depends"]).stdout.decode()
        self.assertIn("Package: dovanel", fields)
        for package in ("libqt6widgets6", "libqt6network6", "libqt6svg6", "libarchive13", "libstdc++6"):
            self.assertIn(package, fields)

    # The desktop files.

    def test_the_desktop_entry_is_valid_and_offers_the_program_for_every_archive_extension(self):
        for tree, prefix in self.trees.items():
            with self.subTest(tree=tree):
                entry = os.path.join(prefix, "share", "applications", "dovanel.desktop")
                checked = run(["desktop-file-validate", entry])
                self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
                self.assertEqual(checked.stdout + checked.stderr, b"")
                with open(entry, encoding="utf-8") as lines:
                    fields = dict(line.split("=", 1) for line in lines if "=" in line and not line.startswith("#"))
                self.assertEqual(fields["Exec"].strip(), "dovanel %F")
                self.assertEqual(fields["Icon"].strip(), "dovanel")
                offered = set(filter(None, fields["MimeType"].strip().split(";")))
                globs = mime_globs()
                for extension in ARCHIVE_EXTENSIONS:
                    matching = {kind for kind, patterns in globs.items()
                                if any(fnmatch.fnmatch("x" + extension, p.lower()) for p in patterns)}
                    self.assertTrue(matching & offered, "%s (%s) is not offered" % (extension, sorted(matching)))

    def test_the_metainfo_validates_and_launches_the_desktop_entry(self):
        for tree, prefix in self.trees.items():
            with self.subTest(tree=tree):
                metainfo = os.path.join(prefix, "share", "metainfo", "invalid.dovanel.dovanel.metainfo.xml")
                checked = run(["appstreamcli", "validate", "--no-net", metainfo])
                self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
                launchable = ElementTree.parse(metainfo).getroot().find("launchable")
                self.assertEqual(launchable.text, "dovanel.desktop")

    def test_the_icon_is_an_svg_drawing(self):
        for tree, prefix in self.trees.items():
            with self.subTest(tree=tree):
                icon = ElementTree.parse(os.path.join(prefix, "share", "icons", "hicolor", "scalable", "apps",
                                                      "dovanel.svg")).getroot()
                self.assertEqual(icon.tag, "{http://www.w3.org/2000/svg}svg")
                self.assertGreater(len(list(icon.iter())), 5)

    def test_the_manual_page_renders_without_warnings_and_covers_its_sections(self):
        for tree, prefix in self.trees.items():
            with self.subTest(tree=tree):
                page = os.path.join(prefix, "share", "man", "man1", "dovanel.1.gz")
                # Without hyphenation, so that the words are found whole.
                shown = run(["man", "--warnings", "-l", page],
                            env=dict(os.environ, MANWIDTH="80", MANPAGER="cat", PAGER="cat", MANROFFOPT="-rHY=0"))
                self.assertEqual(shown.returncode, 0, shown.stderr)
                self.assertEqual(shown.stderr, b"")
                text = " ".join(shown.stdout.decode().split())
                for words in ("NAME dovanel - give archive files the date of their newest entry", "SYNOPSIS",
                              "/Q, -q, --quiet Re-date without showing a window", "-n, --dry-run",
                              "-v, --verbose", "FORMATS", ".lzh LHA", ".tgz, .taz, .gz, .z",
                              "LIBRARIES", "CAB32.DLL (CAB)", "ENVIRONMENT DOVANEL_LIBRARY_PATH", "EXIT STATUS",
                              "0 Every archive was re-dated", "1 Some archive could not be handled",
                              "2 The command line was refused", "DOVANEL_THREADS", "QT_QPA_PLATFORM",
                              "lists no entry (an empty archive, or one damaged before its first entry)"
                              " is left as it is",
                              "EXAMPLES", "--help", "--version"):
                    self.assertIn(words, text)
                # The Japanese page, which `man -L ja dovanel` shows.
                page = os.path.join(prefix, "share", "man", "ja", "man1", "dovanel.1.gz")
                shown = run(["man", "--warnings", "-l", page],
                            env=dict(os.environ, MANWIDTH="80", MANPAGER="cat", PAGER="cat", LANG="C.UTF-8"))
                self.assertEqual(shown.returncode, 0, shown.stderr)
                self.assertEqual(shown.stderr, b"")
                text = " ".join(shown.stdout.decode().split())
                for words in ("名前 dovanel - 書庫ファイルの日付を中の最新のエントリの日付にする", "/Q, -q, --quiet",
                              "-n, --dry-run", "-v, --verbose", "環境変数 DOVANEL_LIBRARY_PATH", "終了ステータス",
                              "2 コマンドラインを受け付けませんでした"):
                    self.assertIn(words, text)

    # The installed program.

    def test_the_installed_program_re_dates_with_no_library_path_set(self):
        for tree, prefix in self.trees.items():
            with self.subTest(tree=tree):
                archives = make_archives(self.fresh("set"))
                runtime = self.fresh("runtime")
                ran = run([os.path.join(prefix, "bin", "dovanel"), "/Q"] + list(archives.values()),
                          env=program_environment(runtime))
                self.assertEqual((ran.returncode, ran.stdout, ran.stderr), (0, b"", b""))
                for kind, path in archives.items():
                    self.assertEqual(os.stat(path).st_mtime, NEWEST_SECONDS, kind)

    def test_the_installed_program_finds_its_window_system(self):
        for tree, prefix in self.trees.items():
            with self.subTest(tree=tree):
                runtime = self.fresh("runtime")
                window = subprocess.Popen([os.path.join(prefix, "bin", "dovanel")], stdout=subprocess.PIPE,
                                          stderr=subprocess.PIPE,
                                          env=program_environment(runtime, QT_QPA_PLATFORM="offscreen"))
                try:
                    socket = os.path.join(runtime, "dovanel", "window-Tdovanel")
                    deadline = time.monotonic() + PATIENCE
                    while not os.path.exists(socket) and window.poll() is None and time.monotonic() < deadline:
                        time.sleep(0.05)
                    ended = window.poll() is not None
                finally:
                    window.send_signal(signal.SIGKILL)
                    _, errors = window.communicate()
                self.assertFalse(ended, "the window start ended: %r" % errors)
                self.assertTrue(os.path.exists(socket), "no window listened")

    def test_a_missing_library_is_named_with_the_folders_searched_and_the_run_fails(self):
        copy = self.work.path("copy")
        shutil.copytree(self.trees["cmake --install"], copy, symlinks=True)
        os.remove(os.path.join(copy, "lib", "dovanel", "CAB32.DLL"))
        folder = self.fresh("set")
        archives = make_archives(folder)
        ran = run([os.path.join(copy, "bin", "dovanel"), "/Q", folder],
                  env=program_environment(self.fresh("runtime")))
        self.assertNotEqual(ran.returncode, 0)
        self.assertEqual(ran.stdout, b"")
        expected = ("dovanel: %s: CAB32.DLL is needed to handle CAB archives. (searched %s, %s, then the system's"
                    " library path)\n" % (archives["cab"], os.path.join(copy, "bin"), os.path.join(copy, "lib", "dovanel")))
        self.assertEqual(ran.stderr.decode(), expected)
        # In Japanese through the installed catalogue (the locale is the one the build makes for the tests).
        for path in archives.values():
            os.utime(path, (BEFORE_SECONDS, BEFORE_SECONDS))
        japanese = run([os.path.join(copy, "bin", "dovanel"), "/Q", folder],
                       env=program_environment(self.fresh("runtime"), LC_ALL="ja_JP.UTF-8",
                                               LOCPATH=os.path.join(BUILD, "test-locales")))
        self.assertEqual(japanese.stderr.decode(), expected.replace(
            "CAB32.DLL is needed to handle CAB archives.", "CAB 形式書庫を扱うには CAB32.DLL が 必要です。"))
        self.assertEqual(os.stat(archives["cab"]).st_mtime, BEFORE_SECONDS)
        self.assertEqual(os.stat(archives["zip"]).st_mtime, NEWEST_SECONDS)
        self.assertEqual(os.stat(archives["tar"]).st_mtime, NEWEST_SECONDS)

    def test_help_and_version_answer_at_once_without_a_display(self):
        for tree, prefix in self.trees.items():
            with self.subTest(tree=tree):
                for request, words in (("--version", "DOVANEL For Archiver "), ("--help", "Usage: dovanel [OPTION]")):
                    started = time.monotonic()
                    ran = run([os.path.join(prefix, "bin", "dovanel"), request],
                              env=program_environment(self.fresh("runtime")))
                    self.assertLess(time.monotonic() - started, 10)
                    self.assertEqual((ran.returncode, ran.stderr), (0, b""))
                    self.assertTrue(ran.stdout.decode().startswith(words), ran.stdout)

    def fresh(self, name):
        """A new private folder in this test's scratch folder."""
        folder = self.work.path("%s-%d" % (name, len(os.listdir(self.work.folder))))
        os.makedirs(folder, mode=0o700)
        return folder


def mime_globs():
    """Each MIME type of the shared database with its file name globs."""
    namespace = {"m": "http://www.freedesktop.org/standards/shared-mime-info"}
    database = ElementTree.parse("/usr/share/mime/packages/freedesktop.org.xml").getroot()
    return {kind.get("type"): [glob.get("pattern") for glob in kind.findall("m:glob", namespace)]
            for kind in database.findall("m:mime-type", namespace)}


def main():
    global BUILD
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    known, rest = parser.parse_known_args()
    BUILD = os.path.abspath(known.build)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
