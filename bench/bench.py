#!/usr/bin/env python3
"""Times `dovanel /Q` against what a user would use instead, on one copy of the
corpus that corpus.py made, and checks that they set the same times.

    bench.py BUILD CORPUS WORK [--repeat N] [--skip-slow]

Every command runs under /usr/bin/time -v; each figure is the median of the
runs (wall, user+system CPU, peak resident memory). Before every run the
archives of its case get one fixed time back, so each tool does the same work.
"""

import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BASELINE = 1704067200  # 2024-01-01 00:00:00 UTC: later than every entry
PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else shutil.which("python3")
TAR_NAMES = (".tar", ".tgz", ".tar.gz", ".tar.bz2", ".tar.xz")
# What each alternative covers, by name.
COVERS = {
    "dovanel": lambda n: True,
    "python": lambda n: n.lower().endswith((".zip",) + TAR_NAMES),
    "bsdtar": lambda n: n.lower().endswith((".zip", ".lzh", ".cab", ".7z") + TAR_NAMES),
    "zip -o": lambda n: n.lower().endswith(".zip"),
}


class Runner:
    def __init__(self, build, repeat):
        self.build = build
        self.repeat = repeat
        self.runtime = tempfile.mkdtemp(prefix="dovanel-bench-")
        self.env = dict(os.environ)
        # No display: dovanel draws offscreen. Its single-instance lock lives
        # in a folder of its own, so no other dovanel on the machine meets it.
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "DOVANEL_LIBRARY_PATH"):
            self.env.pop(name, None)
        self.env["XDG_RUNTIME_DIR"] = self.runtime

    def close(self):
        shutil.rmtree(self.runtime, ignore_errors=True)

    def command(self, tool, paths):
        if tool == "dovanel":
            return [os.path.join(self.build, "bin", "dovanel"), "/Q"] + paths
        if tool.startswith("dovanel, "):
            # The scaling of the bzip2 threads: "dovanel, 1 thread".
            threads = tool.split()[1]
            return ["env", f"DOVANEL_THREADS={threads}", os.path.join(self.build, "bin", "dovanel"), "/Q"] + paths
        if tool == "python":
            return [PYTHON, os.path.join(HERE, "alternatives", "redate.py")] + paths
        if tool == "bsdtar":
            return ["bash", os.path.join(HERE, "alternatives", "bsdtar-redate.sh")] + paths
        if tool == "zip -o":
            return ["bash", "-c", "find \"$@\" -type f -iname '*.zip' -print0 | xargs -0 -r -n 1 zip -q -o",
                    "zip-o"] + paths
        if tool.endswith(" >/dev/null"):
            # A command line that reads the one file ("xz -T2 -dc >/dev/null").
            line = tool[: -len(" >/dev/null")]
            return ["bash", "-c", f"{line} \"$1\" >/dev/null", "one-file"] + paths
        raise ValueError(tool)

    def timed(self, argv):
        """One run under /usr/bin/time -v: (wall s, cpu s, peak KiB). The wall
        time is taken here around it, since time -v shows only hundredths."""
        with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
            start = time.perf_counter()
            result = subprocess.run(["/usr/bin/time", "-v", "-o", report.name] + argv, env=self.env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            wall = time.perf_counter() - start
            text = report.read()
        if result.returncode != 0:
            raise RuntimeError(f"{argv[0]} failed ({result.returncode}): {result.stderr[-2000:]}")
        user = float(re.search(r"User time \(seconds\): ([\d.]+)", text).group(1))
        system = float(re.search(r"System time \(seconds\): ([\d.]+)", text).group(1))
        peak = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", text).group(1))
        return wall, user + system, peak


def archives_below(paths):
    found = []
    for top in paths:
        if os.path.isfile(top):
            found.append(top)
            continue
        for folder, _, files in os.walk(top):
            found.extend(os.path.join(folder, f) for f in files)
    return sorted(found)


def reset(files):
    for path in files:
        os.utime(path, (BASELINE, BASELINE))


def mtimes(files):
    return {path: int(os.stat(path).st_mtime) for path in files}


def measure(runner, tool, paths, files):
    """Median figures of `repeat` runs, and the times the first run left."""
    runs, left = [], None
    for k in range(runner.repeat):
        reset(files)
        runs.append(runner.timed(runner.command(tool, paths)))
        if left is None:
            left = mtimes(files)
    reset(files)
    wall, cpu, peak = (statistics.median(r[i] for r in runs) for i in range(3))
    return {"tool": tool, "wall": wall, "cpu": cpu, "peak_kib": peak, "runs": len(runs),
            "command": " ".join(runner.command(tool, ["…"] if len(paths) > 1 else paths))}, left


def agreement(ours, theirs, covers):
    """Counts of archives both cover: exact, within 2 s, off by more (listed),
    or left at the baseline by one side only."""
    exact = near = 0
    off = []
    for path, mine in ours.items():
        if not covers(os.path.basename(path)):
            continue
        other = theirs[path]
        if mine == other:
            exact += 1
        elif mine != BASELINE and other != BASELINE and abs(mine - other) <= 2:
            near += 1
        else:
            off.append((path, mine, other))
    return exact, near, off


def human_kib(kib):
    return f"{kib / 1024:.1f} MiB"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build")
    parser.add_argument("corpus")
    parser.add_argument("work")
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--report", default=None, help="JSON file for every figure")
    args = parser.parse_args()

    with open(os.path.join(args.corpus, "corpus.json")) as made:
        settings = json.load(made)
    shutil.rmtree(args.work, ignore_errors=True)
    shutil.copytree(args.corpus, args.work, symlinks=True)
    work = args.work
    common = os.path.join(work, "small", "common")
    parts = sorted(p for p in os.listdir(common) if p.startswith("part"))
    entries = sorted((os.path.join(work, "entries", f) for f in os.listdir(os.path.join(work, "entries"))),
                     key=lambda p: int(re.search(r"(\d+)\.zip$", p).group(1)))
    size_dir = os.path.join(work, "size")
    by_size = sorted(os.listdir(size_dir), key=lambda f: (f.split(".", 1)[1], int(re.search(r"(\d+)mb", f).group(1))))

    # (case, paths, tools, note)
    cases = [
        ("start-up, no archive", [os.path.join(work, "empty")], ["dovanel", "python"], ""),
        (f"{settings['small']} small zip/tar/tgz/tar.bz2", [common], ["dovanel", "python", "bsdtar", "zip -o"],
         "target"),
        (f"{settings['other']} small lzh/cab/arj", [os.path.join(work, "small", "other")], ["dovanel", "bsdtar"], ""),
    ]
    os.makedirs(os.path.join(work, "empty"), exist_ok=True)
    for path in entries:
        count = re.search(r"(\d+)\.zip$", path).group(1)
        cases.append((f"ZIP of {count} entries", [path], ["dovanel", "python", "bsdtar", "zip -o"],
                      "target" if path == entries[-1] else ""))
    for name in by_size:
        path = os.path.join(size_dir, name)
        tools = ["dovanel", "python", "bsdtar"] + (["zip -o"] if name.endswith(".zip") else [])
        if name.endswith(".tar.gz"):
            tools.append("gzip -dc >/dev/null")
        if name.endswith(".tar.bz2"):
            # lbzip2 unpacks on every core too (one thread a core by default).
            tools += ["bzip2 -dc >/dev/null", "lbzip2 -dc >/dev/null", "dovanel, 1 thread", "dovanel, 2 threads"]
        if name.endswith(".tar.xz"):
            # xz's own threads unpack the blocks `xz -T2` wrote, as ours do.
            tools += ["xz -dc >/dev/null", "xz -T2 -dc >/dev/null", "dovanel, 1 thread", "dovanel, 2 threads"]
        if name.endswith(".7z"):
            tools = ["dovanel", "bsdtar", "7z l >/dev/null"]
        cases.append((f"{name} ({os.path.getsize(path) / 2**20:.1f} MiB)", [path], tools, ""))
    # A solid 7z of many files: listed from its header alone, as 7z l does.
    solid_dir = os.path.join(work, "solid")
    for name in sorted(os.listdir(solid_dir)) if os.path.isdir(solid_dir) else []:
        path = os.path.join(solid_dir, name)
        cases.append((f"solid {name} ({os.path.getsize(path) / 2**20:.1f} MiB)", [path],
                      ["dovanel", "7z l >/dev/null"], "target"))
    # Growth with the number of archives: dovanel alone on 1, 2, 4, ... parts.
    growth = []
    k = 1
    while k < len(parts):
        growth.append([os.path.join(common, p) for p in parts[:k]])
        k *= 2

    runner = Runner(args.build, args.repeat)
    results = {"settings": settings, "repeat": args.repeat, "tz": os.environ.get("TZ", "(unset)"),
               "python": PYTHON, "cases": [], "growth": []}
    failures = 0
    try:
        print(f"dovanel bench: {args.repeat} runs a figure, medians; warm file cache; TZ={results['tz']}; "
              f"python {PYTHON}")
        print("Wall and CPU (user+system) in seconds, peak resident memory; ratio = dovanel / alternative.")
        print(f"load average at start: {os.getloadavg()[0]:.2f} "
              f"({os.cpu_count()} cores; other work on the machine shows in wall times)")
        for tool in ("dovanel", "python", "bsdtar", "zip -o"):
            print(f"   {tool:8} = {' '.join(runner.command(tool, ['PATH...']))}")
        for case, paths, tools, note in cases:
            files = archives_below(paths)
            figures, left = [], {}
            for tool in tools:
                figure, left[tool] = measure(runner, tool, paths, files)
                figures.append(figure)
            ours = figures[0]
            print(f"\n== {case}: {len(files)} files{'  [target case]' if note else ''}")
            print(f"   {'tool':22} {'wall s':>8} {'cpu s':>8} {'peak':>11}   {'wall':>6} {'cpu':>6} {'mem':>6}  ratio")
            for figure in figures:
                ratio = ""
                if figure is not ours:
                    ratio = (f"{ours['wall'] / figure['wall']:6.2f} {ours['cpu'] / max(figure['cpu'], 0.005):6.2f} "
                             f"{ours['peak_kib'] / figure['peak_kib']:6.2f}")
                print(f"   {figure['tool']:22} {figure['wall']:8.3f} {figure['cpu']:8.3f} "
                      f"{human_kib(figure['peak_kib']):>11}   {ratio}")
            checks = []
            for figure in figures[1:]:
                tool = figure["tool"]
                if tool not in COVERS:
                    continue
                exact, near, off = agreement(left["dovanel"], left[tool], COVERS[tool])
                failures += len(off)
                checks.append({"tool": tool, "exact": exact, "within_2s": near, "off": off[:20]})
                print(f"   times vs {tool}: {exact} equal, {near} within 2 s, {len(off)} differ" +
                      "".join(f"\n     DIFFER {p}: dovanel {a}, {tool} {b}" for p, a, b in off[:5]))
            if not case.startswith("start-up") and not files:
                failures += 1
            results["cases"].append({"case": case, "files": len(files), "figures": figures, "agreement": checks,
                                     "bytes": sum(os.path.getsize(f) for f in files)})

        print("\n== growth of dovanel's time with the number of small archives")
        for paths in growth + [[common]]:
            files = archives_below(paths)
            figure, _ = measure(runner, "dovanel", paths, files)
            results["growth"].append({"archives": len(files), **figure})
            print(f"   {len(files):6d} archives: {figure['wall']:7.3f} s wall, {figure['cpu']:7.3f} s cpu, "
                  f"{1000 * figure['wall'] / len(files):6.3f} ms an archive, {human_kib(figure['peak_kib'])}")
        print("\n== growth with entries and size (from the cases above)")
        for case in results["cases"]:
            ours = case["figures"][0]
            if case["case"].startswith("ZIP of"):
                count = int(re.search(r"ZIP of (\d+)", case["case"]).group(1))
                print(f"   {case['case']:34} {ours['wall']:7.3f} s, {1e6 * ours['wall'] / count:8.2f} µs an entry, "
                      f"{human_kib(ours['peak_kib'])}")
            elif case["case"].startswith("large-"):
                print(f"   {case['case']:34} {ours['wall']:7.3f} s, "
                      f"{case['bytes'] / 2**20 / ours['wall']:8.1f} MiB/s of archive, {human_kib(ours['peak_kib'])}")
                for figure in case["figures"]:
                    if "-dc" in figure["tool"] or figure["tool"].startswith(("dovanel, ", "7z l")):
                        print(f"   {'':34} {figure['tool']}: {figure['wall']:.3f} s, "
                              f"{case['bytes'] / 2**20 / figure['wall']:.1f} MiB/s; dovanel / it = "
                              f"{ours['wall'] / figure['wall']:.2f}")

        print("\n== targets")
        targets = [c for c in results["cases"] if c["case"].startswith(f"{settings['small']} small") or
                   c["case"] == f"ZIP of {settings['entries']} entries"]
        for case in targets:
            ours = case["figures"][0]
            script = next(f for f in case["figures"] if f["tool"] == "python")
            speed = script["wall"] / ours["wall"]
            memory = ours["peak_kib"] / script["peak_kib"]
            if case["case"].startswith("ZIP of"):
                met = speed >= 3 and memory <= 0.25
                want = "≥ 3× faster, ≤ 1/4 memory"
            else:
                met = speed >= 2
                want = "≥ 2× faster"
            print(f"   {case['case']}: dovanel is {speed:.2f}× faster than the Python script, uses "
                  f"{memory:.2f} of its memory (want {want}): {'MET' if met else 'NOT MET'}")
            results.setdefault("targets", []).append({"case": case["case"], "speedup": speed, "memory": memory,
                                                       "met": met})
        for case in results["cases"]:
            if not case["case"].startswith("solid "):
                continue
            ours = case["figures"][0]
            lister = next(f for f in case["figures"] if f["tool"].startswith("7z l"))
            ratio = ours["wall"] / lister["wall"]
            met = ratio <= 2
            print(f"   {case['case']}: dovanel takes {ratio:.2f} of 7z l's time, peak "
                  f"{human_kib(ours['peak_kib'])} (want ≤ 2): {'MET' if met else 'NOT MET'}")
            results.setdefault("targets", []).append({"case": case["case"], "of_7z_l": ratio,
                                                       "peak_kib": ours["peak_kib"], "met": met})
        for case in results["cases"]:
            if not case["case"].startswith("large-") or ".tar.bz2" not in case["case"]:
                continue
            ours = case["figures"][0]
            bzip2 = next(f for f in case["figures"] if f["tool"].startswith("bzip2 -dc"))
            ratio = ours["wall"] / bzip2["wall"]
            met = ratio <= 0.6 and ours["peak_kib"] <= 64 * 1024
            print(f"   {case['case']}: dovanel takes {ratio:.2f} of bzip2 -dc's time, peak "
                  f"{human_kib(ours['peak_kib'])} (want ≤ 0.6 and ≤ 64 MiB): {'MET' if met else 'NOT MET'}")
            results.setdefault("targets", []).append({"case": case["case"], "of_bzip2": ratio,
                                                       "peak_kib": ours["peak_kib"], "met": met})
        print(f"\nload average at end: {os.getloadavg()[0]:.2f}")
    finally:
        runner.close()
    if args.report:
        with open(args.report, "w") as out:
            json.dump(results, out, indent=1)
        print(f"\nevery figure: {args.report}")
    if failures:
        print(f"\n{failures} disagreements or empty cases", file=sys.stderr)
        sys.exit(1)


if __name__ == "__main__":
    main()
