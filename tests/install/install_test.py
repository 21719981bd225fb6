#!/usr/bin/env python3
"""The program as a user installs it.

`cmake --install` into a temporary prefix, and the Debian package that
`cpack -G DEB` makes, unpacked with `dpkg -x` into a temporary root: each tree
holds exactly the program, its libraries and window system, the desktop entry,
icon, metainfo and manual page; the desktop files pass their validators; and
the installed program, run with no library path set, finds its libraries and
window system relative to itself and re-dates archives; the package passes
lintian; a desktop holding only the installed tree never opens documents that
are zips inside with the program. Nothing is installed into the system.

Usage: install_test.py --build BUILD_DIR [unittest arguments]
"""
import argparse
import calendar
import fnmatch
import gzip
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import re
import xml.etree.ElementTree as ElementTree
import zipfile
import tarfile

BUILD = None  # set from the command line

APP_ID = "org.example.dovanel"
LIBRARIES = ["UNLHA32.DLL", "UNZIP32.DLL", "ZIP32J.DLL", "LMZIP32.DLL", "CAB32.DLL", "UNARJ32J.DLL",
             "tar32.dll", "UNRAR32.DLL", "7-ZIP32.DLL"]
EXPECTED_FILES = sorted(
    ["bin/dovanel", "lib/dovanel/libdovanel-qt.so"]
    + ["lib/dovanel/" + name for name in LIBRARIES]
    + ["share/applications/dovanel.desktop",
       "share/icons/hicolor/scalable/apps/dovanel.svg",
       "share/kio/servicemenus/dovanel-redate.desktop",
       "share/metainfo/%s.metainfo.xml" % APP_ID,
       "share/man/man1/dovanel.1.gz",
       "share/man/ja/man1/dovanel.1.gz",
       "share/locale/ja/LC_MESSAGES/dovanel.mo",
       "share/doc/dovanel/copyright", "share/doc/dovanel/changelog.gz"])

# The extensions the program takes as archives by name; a file manager must
# offer it (the application or its file-manager action) for each of them.
ARCHIVE_EXTENSIONS = [".lzh", ".zip", ".cab", ".arj", ".tar", ".tgz", ".taz", ".gz", ".z", ".bz2", ".rar",
                      ".tar.gz", ".tar.bz2", ".tbz2", ".xz", ".txz", ".tar.xz", ".zst", ".tzst", ".tar.zst", ".7z"]

# The newest entry of every sample archive, and any older time the files have before a run.
NEWEST = (2001, 5, 6, 10, 20, 30)
NEWEST_SECONDS = calendar.timegm(NEWEST)  # the runs use TZ=UTC
BEFORE_SECONDS = 1577934246
PATIENCE = 60
MIME = "/usr/share/mime"

# Documents that are archives inside, by the parent type they inherit from:
# the program must never be their default opener.
DOCUMENTS = ["application/vnd.oasis.opendocument.text",
             "application/vnd.openxmlformats-officedocument.wordprocessingml.document",
             "application/x-java-archive", "application/epub+zip", "application/vnd.comicbook+zip",
             "image/svg+xml-compressed", "application/x-gzpostscript", "application/x-bzpdf",
             "application/x-raw-disk-image-xz-compressed", "application/vnd.comicbook-rar", "application/x-cb7",
             "application/x-cbt", "application/x-windows-themepack"]


def run(command, timeout=PATIENCE, **keywords):
    return subprocess.run(command, capture_output=True, timeout=timeout, **keywords)


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

    def test_the_desktop_entry_is_valid_and_names_the_program(self):
        for tree, prefix in self.trees.items():
            with self.subTest(tree=tree):
                entry = os.path.join(prefix, "share", "applications", "dovanel.desktop")
                checked = run(["desktop-file-validate", entry])
                self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
                self.assertEqual(checked.stdout + checked.stderr, b"")
                fields = desktop_groups(entry)["Desktop Entry"]
                self.assertEqual(fields["Exec"], "dovanel %F")
                self.assertEqual(fields["Icon"], "dovanel")
                keywords = fields["Keywords"].split(";")
                for word in ("lzh", "zip", "cab", "arj", "tar", "gzip", "bzip2", "xz", "zstd", "compress", "rar", "7z"):
                    self.assertIn(word, keywords)

    def test_the_file_manager_action_re_dates_files_and_folders(self):
        for tree, prefix in self.trees.items():
            with self.subTest(tree=tree):
                groups = desktop_groups(os.path.join(prefix, "share", "kio", "servicemenus", "dovanel-redate.desktop"))
                self.assertEqual(groups["Desktop Entry"]["Type"], "Service")
                self.assertEqual(groups["Desktop Entry"]["Actions"], "redate;")
                self.assertIn("inode/directory", mime_types(groups["Desktop Entry"]))
                self.assertEqual(groups["Desktop Action redate"]["Name"], "Re-date archives")
                self.assertEqual(groups["Desktop Action redate"]["Exec"], "dovanel %F")

    def test_every_mime_type_offered_is_an_archive_type_handled_and_every_handled_one_is_offered(self):
        database = MimeDatabase(MIME)
        prefix = self.trees["dpkg -x"]
        application = mime_types(desktop_groups(os.path.join(prefix, "share", "applications",
                                                             "dovanel.desktop"))["Desktop Entry"])
        action = mime_types(desktop_groups(os.path.join(prefix, "share", "kio", "servicemenus",
                                                        "dovanel-redate.desktop"))["Desktop Entry"])
        action.discard("inode/directory")
        self.assertLessEqual(application, action)
        for kind in sorted(action):
            with self.subTest(listed=kind):
                handled = [extension for extension in ARCHIVE_EXTENSIONS
                           if any(fnmatch.fnmatchcase("x" + extension, pattern) for pattern in database.globs(kind))]
                self.assertTrue(handled, "%s names no extension the program handles" % kind)
        offered = {database.canonical(kind) for kind in action}
        for extension in ARCHIVE_EXTENSIONS:
            with self.subTest(extension=extension):
                self.assertIn(database.type_of("x" + extension), offered)

    def test_the_application_lists_no_type_that_documents_inherit_from(self):
        # A desktop makes the application that lists a type the default opener of its subtypes too.
        database = MimeDatabase(MIME)
        entry = os.path.join(self.trees["dpkg -x"], "share", "applications", "dovanel.desktop")
        listed = {database.canonical(kind) for kind in mime_types(desktop_groups(entry)["Desktop Entry"])}
        for kind in sorted(listed):
            with self.subTest(listed=kind):
                self.assertEqual(database.descendants(kind) - listed, set())

    def test_a_desktop_with_only_the_installed_tree_opens_archives_but_no_documents_with_it(self):
        if shutil.which("gio") is None:
            self.skipTest("gio (libglib2.0-bin) is not installed")
        prefix = self.trees["cmake --install"]
        home = self.fresh("home")
        system = self.fresh("system")
        os.symlink(MIME, os.path.join(system, "mime"))
        installed = self.fresh("installed")
        shutil.copytree(os.path.join(prefix, "share", "applications"), os.path.join(installed, "applications"))
        indexed = run(["update-desktop-database", os.path.join(installed, "applications")])
        self.assertEqual(indexed.returncode, 0, indexed.stderr)
        desktop = {"PATH": os.path.join(prefix, "bin") + ":/usr/bin:/bin", "HOME": home,
                   "XDG_DATA_HOME": os.path.join(home, "data"), "XDG_CONFIG_HOME": os.path.join(home, "config"),
                   "XDG_CONFIG_DIRS": os.path.join(home, "config"), "XDG_DATA_DIRS": system + ":" + installed,
                   "XDG_RUNTIME_DIR": home}

        def default(kind):
            shown = run(["gio", "mime", kind], env=desktop)
            self.assertEqual(shown.returncode, 0, shown.stderr)
            return shown.stdout.decode().splitlines()[0]

        for kind in ("application/x-lha", "application/x-compressed-tar", "application/x-zstd-compressed-tar"):
            self.assertIn("dovanel.desktop", default(kind), kind)
        for kind in DOCUMENTS:
            with self.subTest(document=kind):
                self.assertNotIn("dovanel", default(kind))
                if shutil.which("xdg-mime"):
                    queried = run(["xdg-mime", "query", "default", kind], env=desktop)
                    self.assertNotIn(b"dovanel", queried.stdout + queried.stderr)

    def test_the_package_passes_lintian(self):
        # lintian leaves its ELF cache files in TMPDIR.
        checked = run(["lintian", "-I", "--pedantic", self.deb], timeout=PATIENCE * 5,
                      env=dict(os.environ, TMPDIR=self.fresh("lintian")))
        complaints = [line for line in checked.stdout.decode().splitlines() if line[:2] in ("E:", "W:")]
        self.assertEqual(complaints, [], checked.stdout.decode() + checked.stderr.decode())

    def test_each_tree_carries_the_licence_and_a_changelog(self):
        version = run(["dpkg-deb", "-f", self.deb, "Version"]).stdout.decode().strip()
        for tree, prefix in self.trees.items():
            with self.subTest(tree=tree):
                with open(os.path.join(prefix, "share", "doc", "dovanel", "copyright"), encoding="utf-8") as text:
                    copyright = text.read()
                self.assertTrue(copyright.startswith("Format: https://www.debian.org/doc/packaging-manuals/"
                                                     "copyright-format/1.0/\n"))
                self.assertIn("Copyright: 2026 the DOVANEL For Archiver developers\nLicense: Expat\n", copyright)
                self.assertIn("\n THE SOFTWARE IS PROVIDED \"AS IS\"", copyright)
                with gzip.open(os.path.join(prefix, "share", "doc", "dovanel", "changelog.gz"), "rt") as text:
                    first = text.readline()
                self.assertEqual(first, "dovanel (%s) unstable; urgency=medium\n" % version)

    def test_the_metainfo_validates_strictly_and_launches_the_desktop_entry(self):
        version = run(["dpkg-deb", "-f", self.deb, "Version"]).stdout.decode().strip()
        for tree, prefix in self.trees.items():
            with self.subTest(tree=tree):
                metainfo = os.path.join(prefix, "share", "metainfo", APP_ID + ".metainfo.xml")
                checked = run(["appstreamcli", "validate", "--strict", "--no-net", metainfo])
                self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
                root = ElementTree.parse(metainfo).getroot()
                self.assertEqual(root.find("id").text, APP_ID)
                self.assertEqual(root.find("launchable").text, "dovanel.desktop")
                self.assertEqual(root.find("project_license").text, "MIT")
                self.assertEqual(root.find("releases/release").get("version"), version)

    def test_the_description_and_the_metainfo_name_every_format(self):
        prefix = self.trees["dpkg -x"]
        description = " ".join(run(["dpkg-deb", "-f", self.deb, "Description"]).stdout.decode().split())
        metainfo = ElementTree.parse(os.path.join(prefix, "share", "metainfo", APP_ID + ".metainfo.xml")).getroot()
        prose = " ".join(" ".join(paragraph.itertext()) for paragraph in metainfo.find("description"))
        prose = " ".join(prose.split())
        for name in ("LHA", "ZIP", "CAB", "ARJ", "TAR", "gzip", "compress", "bzip2", "xz", "zstd", "RAR", "7z",
                     "self-extracting executables"):
            with self.subTest(format=name):
                self.assertRegex(description, r"\b%s\b" % re.escape(name))
                self.assertRegex(prose, r"\b%s\b" % re.escape(name))

    def test_the_icon_is_an_svg_drawing(self):
        for tree, prefix in self.trees.items():
            with self.subTest(tree=tree):
                icon = ElementTree.parse(os.path.join(prefix, "share", "icons", "hicolor", "scalable", "apps",
                                                      "dovanel.svg")).getroot()
                self.assertEqual(icon.tag, "{http://www.w3.org/2000/svg}svg")
                self.assertGreater(len(list(icon.iter())), 5)

    def test_the_manual_page_renders_without_warnings_and_covers_its_sections(self):
        # The English page without hyphenation, so that the words are found whole; the Japanese one,
        # which `man -L ja dovanel` shows, in a UTF-8 locale.
        pages = (
            (("man", "man1"), {"MANROFFOPT": "-rHY=0"},
             ("NAME dovanel - give archive files the date of their newest entry", "SYNOPSIS",
              "/Q, -q, --quiet Re-date without showing a window", "-n, --dry-run",
              "-v, --verbose", "FORMATS", ".lzh LHA", ".tgz, .taz, .gz, .z",
              "LIBRARIES", "CAB32.DLL (CAB)", "ENVIRONMENT DOVANEL_LIBRARY_PATH", "EXIT STATUS",
              "0 Every archive was re-dated", "1 Some archive could not be handled",
              "2 The command line was refused", "DOVANEL_THREADS", "QT_QPA_PLATFORM",
              "lists no entry (an empty archive, or one damaged before its first entry)"
              " is left as it is",
              "EXAMPLES", "--help", "--version")),
            (("man", "ja", "man1"), {"LANG": "C.UTF-8"},
             ("名前 dovanel - 書庫ファイルの日付を中の最新のエントリの日付にする", "/Q, -q, --quiet",
              "-n, --dry-run", "-v, --verbose", "環境変数 DOVANEL_LIBRARY_PATH", "終了ステータス",
              "2 コマンドラインを受け付けませんでした")),
        )
        for tree, prefix in self.trees.items():
            for folders, settings, phrases in pages:
                with self.subTest(tree=tree, page=os.path.join(*folders)):
                    page = os.path.join(prefix, "share", *folders, "dovanel.1.gz")
                    shown = run(["man", "--warnings", "-l", page],
                                env=dict(os.environ, MANWIDTH="80", MANPAGER="cat", PAGER="cat", **settings))
                    self.assertEqual(shown.returncode, 0, shown.stderr)
                    self.assertEqual(shown.stderr, b"")
                    text = " ".join(shown.stdout.decode().split())
                    for words in phrases:
                        self.assertIn(words, text)

    def test_the_uninstall_target_removes_the_install_and_the_folders_it_left_empty(self):
        prefix = self.work.path("prefix")
        os.makedirs(os.path.join(prefix, "share", "applications"))
        with open(os.path.join(prefix, "share", "applications", "other.desktop"), "w") as other:
            other.write("[Desktop Entry]\n")
        installed = run(["cmake", "--install", BUILD, "--prefix", prefix])
        self.assertEqual(installed.returncode, 0, installed.stderr)
        self.assertIn("lib/dovanel/tar32.dll", files_under(prefix))
        removed = run(["cmake", "--build", BUILD, "--target", "uninstall"], timeout=PATIENCE * 5)
        self.assertEqual(removed.returncode, 0, removed.stdout + removed.stderr)
        self.assertEqual(files_under(prefix), ["share/applications/other.desktop"])
        left = sorted(os.path.relpath(os.path.join(folder, name), prefix)
                      for folder, names, _ in os.walk(prefix) for name in names)
        self.assertEqual(left, ["bin", "lib", "share", "share/applications"])

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


def desktop_groups(path):
    """The groups of a desktop file, each a dict of its keys."""
    groups = {}
    group = None
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            line = line.rstrip("\n")
            if line.startswith("[") and line.endswith("]"):
                group = groups.setdefault(line[1:-1], {})
            elif "=" in line and not line.startswith("#"):
                key, value = line.split("=", 1)
                group[key.strip()] = value.strip()
    return groups


def mime_types(fields):
    return set(filter(None, fields.get("MimeType", "").split(";")))


class MimeDatabase:
    """The system's shared MIME database, as update-mime-database wrote it."""

    def __init__(self, folder):
        def rows(name, separator=None):
            with open(os.path.join(folder, name), encoding="utf-8") as lines:
                return [line.rstrip("\n").split(separator) for line in lines
                        if line.strip() and not line.startswith("#")]

        self.aliases = dict(rows("aliases"))
        self.children = {}
        for child, parent in rows("subclasses"):
            self.children.setdefault(self.canonical(parent), set()).add(self.canonical(child))
        # (weight, pattern, type, case-sensitive); a pattern is matched in lower case unless it is case-sensitive.
        self.patterns = [(int(weight), pattern if "cs" in flags else pattern.lower(), kind, "cs" in flags)
                         for weight, kind, pattern, *flags in rows("globs2", ":")]

    def canonical(self, kind):
        return self.aliases.get(kind, kind)

    def globs(self, kind):
        return [pattern for _, pattern, owner, _ in self.patterns if owner == self.canonical(kind)]

    def type_of(self, name):
        """The type of a file name: the heaviest glob that matches it, then the longest."""
        matches = [(weight, len(pattern), kind) for weight, pattern, kind, sensitive in self.patterns
                   if fnmatch.fnmatchcase(name if sensitive else name.lower(), pattern)]
        return max(matches)[2] if matches else None

    def descendants(self, kind):
        found = set()
        for child in self.children.get(self.canonical(kind), ()):
            found |= {child} | self.descendants(child)
        return found


def main():
    global BUILD
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    known, rest = parser.parse_known_args()
    BUILD = os.path.abspath(known.build)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
