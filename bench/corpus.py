#!/usr/bin/env python3
"""Makes the benchmark's corpora with the usual archivers, deterministically.

    corpus.py OUT [--small N] [--other N] [--large-mb MB] [--entries N]

OUT/small/common/partK/dJJ/  N small archives the Python script also handles:
                             zip (Info-ZIP), zip (7-Zip), tar, tgz, tar.gz, tar.bz2
OUT/small/other/dJJ/         N small archives of the other formats: lzh (jlha),
                             cab (gcab), arj (arj); no rar, for want of a tool
OUT/size/                    a ZIP and a tar.gz of four large entries at MB/16,
                             MB/4 and MB megabytes of data; at MB also a tar.bz2,
                             a 7z (7-Zip's defaults: LZMA2, solid) and a tar.xz
                             of several blocks (xz -T2)
OUT/entries/                 ZIPs (Info-ZIP) of N/100, N/10 and N entries
OUT/solid/tree.7z            a solid 7z (7z a -mx1) of the folders --solid-tree
                             names (/usr/include and /usr/share/doc: some 16,000
                             files, which depend on the packages installed)

The same arguments make the same entries with the same names, contents and
times. A stamp file keeps a finished corpus from being made twice.
"""

import argparse
import base64
import json
import os
import random
import shutil
import subprocess
import sys
import tempfile

# Entry times spread over 1990..2022 (UTC seconds); odd seconds on purpose, so
# that DOS rounding shows.
T_FROM, T_TO = 631152000, 1672531199
COMMON = ["zip", "zip7", "tar", "tgz", "targz", "tarbz2"]
OTHER = ["lzh", "cab", "arj"]
EXTENSION = {"zip": ".zip", "zip7": ".zip", "tar": ".tar", "tgz": ".tgz", "targz": ".tar.gz",
             "tarbz2": ".tar.bz2", "sevenzip": ".7z", "tarxz": ".tar.xz", "lzh": ".lzh", "cab": ".cab",
             "arj": ".arj"}
PART_SIZE = 250  # archives per part of small/common: the count-scaling steps


def run(args, cwd):
    subprocess.run(args, cwd=cwd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def text_block(rng, size):
    """Compressible but not trivial bytes: base64 of random bytes."""
    raw = rng.randbytes(size * 3 // 4 + 3)
    return base64.b64encode(raw)[:size]


def write_entries(rng, root, count, max_size):
    """`count` files (one level of subfolder for some), random times; their names."""
    names = []
    for k in range(count):
        name = f"f{k:03d}.txt" if k % 3 else f"sub{k % 2}/f{k:03d}.txt"
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(text_block(rng, rng.randint(64, max_size)))
        when = rng.randint(T_FROM, T_TO)
        os.utime(path, (when, when))
        names.append(name)
    # Folders get times too, older than their files, so no tool takes "now".
    for folder in {os.path.dirname(n) for n in names if "/" in n}:
        os.utime(os.path.join(root, folder), (T_FROM, T_FROM))
    return names


def make_archive(kind, target, stage, names):
    target = os.path.abspath(target)
    if kind == "zip":
        run(["zip", "-q", "-X", target] + names, stage)
    elif kind == "zip7":
        run(["7z", "a", "-tzip", "-bd", target] + names, stage)
    elif kind == "tar":
        run(["tar", "-cf", target, "--owner=0", "--group=0", "--numeric-owner"] + names, stage)
    elif kind in ("tgz", "targz"):
        run(["tar", "-czf", target, "--owner=0", "--group=0", "--numeric-owner"] + names, stage)
    elif kind == "tarbz2":
        run(["tar", "-cjf", target, "--owner=0", "--group=0", "--numeric-owner"] + names, stage)
    elif kind == "sevenzip":
        run(["7z", "a", "-t7z", "-bd", target] + names, stage)
    elif kind == "tarxz":
        run(["tar", "-cf", target, "--use-compress-program=xz -T2", "--owner=0", "--group=0", "--numeric-owner"]
            + names, stage)
    elif kind == "lzh":
        run(["jlha", "a", target] + names, stage)
    elif kind == "cab":
        run(["gcab", "-c", "-z", target] + names, stage)
    elif kind == "arj":
        run(["arj", "a", "-y", target] + names, stage)
    else:
        raise ValueError(kind)


def make_small(out, count, kinds, parts, seed, scratch_root):
    rng = random.Random(seed)
    with tempfile.TemporaryDirectory(dir=scratch_root) as scratch:
        for i in range(count):
            kind = kinds[i % len(kinds)]
            folder = os.path.join(out, f"part{i // PART_SIZE}" if parts else "", f"d{(i // 20) % 10:02d}")
            os.makedirs(folder, exist_ok=True)
            stage = os.path.join(scratch, str(i))
            os.makedirs(stage)
            names = write_entries(rng, stage, rng.randint(2, 6), 4096)
            make_archive(kind, os.path.join(folder, f"a{i:05d}{EXTENSION[kind]}"), stage, names)
            shutil.rmtree(stage)


def make_large(out, megabytes, seed, scratch_root):
    rng = random.Random(seed)
    os.makedirs(out, exist_ok=True)
    chunk = 1 << 20
    with tempfile.TemporaryDirectory(dir=scratch_root) as stage:
        for size in (max(1, megabytes // 16), max(1, megabytes // 4), megabytes):
            # Four entries of a quarter each, written chunk by chunk.
            names = []
            for k in range(4):
                name = f"big{k}.dat"
                with open(os.path.join(stage, name), "wb") as data:
                    left = size * chunk // 4
                    while left > 0:
                        piece = min(left, chunk)
                        data.write(text_block(rng, piece))
                        left -= piece
                when = rng.randint(T_FROM, T_TO)
                os.utime(os.path.join(stage, name), (when, when))
                names.append(name)
            for kind in ("zip", "targz") + (("tarbz2", "sevenzip", "tarxz") if size == megabytes else ()):
                make_archive(kind, os.path.join(out, f"large-{size}mb{EXTENSION[kind]}"), stage, names)
            for name in names:
                os.remove(os.path.join(stage, name))


def make_entries(out, entries, seed, scratch_root):
    rng = random.Random(seed)
    os.makedirs(out, exist_ok=True)
    for count in (max(1, entries // 100), max(1, entries // 10), entries):
        with tempfile.TemporaryDirectory(dir=scratch_root) as stage:
            # 100 files a folder, tiny contents: the cost is in the headers.
            names = []
            for k in range(count):
                name = f"d{k // 100:04d}/e{k:06d}.txt"
                path = os.path.join(stage, name)
                if k % 100 == 0:
                    os.makedirs(os.path.dirname(path))
                with open(path, "wb") as data:
                    data.write(b"%d\n" % k)
                when = rng.randint(T_FROM, T_TO)
                os.utime(path, (when, when))
                names.append(name)
            for folder in {n.split("/")[0] for n in names}:
                os.utime(os.path.join(stage, folder), (T_FROM, T_FROM))
            listing = os.path.join(stage, "names.lst")
            with open(listing, "w") as names_file:
                names_file.write("\n".join(sorted({n.split('/')[0] for n in names})) + "\n")
            target = os.path.abspath(os.path.join(out, f"entries-{count}.zip"))
            with open(listing) as names_in:
                subprocess.run(["zip", "-q", "-X", "-r", target, "-@"], cwd=stage, stdin=names_in, check=True)


def make_solid(out, folders):
    folders = [f for f in folders if os.path.isdir(f)]
    if not folders:
        return
    os.makedirs(out, exist_ok=True)
    run(["7z", "a", "-t7z", "-mx1", "-bd", os.path.join(os.path.abspath(out), "tree.7z")] + folders, out)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("out")
    parser.add_argument("--small", type=int, default=2000, help="small archives the Python script handles")
    parser.add_argument("--other", type=int, default=300, help="small lzh, cab and arj archives")
    parser.add_argument("--large-mb", type=int, default=128, help="size of the largest large archive")
    parser.add_argument("--entries", type=int, default=100000, help="entries of the largest many-entry ZIP")
    parser.add_argument("--solid-tree", default="/usr/include /usr/share/doc",
                        help="folders packed into one solid 7z ('' for none)")
    args = parser.parse_args()
    settings = {"small": args.small, "other": args.other, "large_mb": args.large_mb, "entries": args.entries,
                "solid_tree": args.solid_tree, "version": 3}
    stamp = os.path.join(args.out, "corpus.json")
    if os.path.exists(stamp):
        with open(stamp) as made:
            if json.load(made) == settings:
                print(f"corpus: {args.out} is already made with {settings}", file=sys.stderr)
                return
    if os.path.exists(args.out):
        shutil.rmtree(args.out)
    os.makedirs(args.out)
    # Tools stamp DOS times in the local zone; one zone for every corpus.
    os.environ["TZ"] = "UTC"
    print(f"corpus: making {args.out} with {settings}", file=sys.stderr)
    # Files are staged beside the corpus (same file system), never inside it.
    scratch = args.out.rstrip("/") + ".stage"
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    try:
        make_small(os.path.join(args.out, "small", "common"), args.small, COMMON, True, 1, scratch)
        make_small(os.path.join(args.out, "small", "other"), args.other, OTHER, False, 2, scratch)
        make_large(os.path.join(args.out, "size"), args.large_mb, 3, scratch)
        make_entries(os.path.join(args.out, "entries"), args.entries, 4, scratch)
        make_solid(os.path.join(args.out, "solid"), args.solid_tree.split())
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    with open(stamp, "w") as made:
        json.dump(settings, made)


if __name__ == "__main__":
    main()
