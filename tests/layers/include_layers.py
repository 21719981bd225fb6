#!/usr/bin/env python3
"""Checks the project's includes against the table of folders in README.md.

Each row "folder -> a, b" lets the folder include a and b, and what their rows
let them include. An include of a project file that the table does not allow,
a cycle in the table, or a source file outside every folder it names (every
file git lists in a clone; outside one, every file of the table's top-level
folders) is reported, and the exit status is 1.

usage: include_layers.py ROOT
"""
import os
import re
import subprocess
import sys

SOURCE = re.compile(r"\.(h|cpp|c|mm|rc)(\.in)?$")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
ROW = re.compile(r"^    (\S+)\s+->(.*)$")
TABLE_START = "Dependencies run one way."


def read_table(readme):
    """The rows of the table that follows TABLE_START: {folder: [folders]}."""
    with open(readme, encoding="utf-8") as f:
        text = f.read()
    at = text.find(TABLE_START)
    if at < 0:
        raise SystemExit(f"{readme}: no table after '{TABLE_START}'")
    rows = {}
    started = False
    for line in text[at:].splitlines():
        match = ROW.match(line)
        if match:
            started = True
            rows[match.group(1)] = [name.strip() for name in match.group(2).split(",") if name.strip()]
        elif started:
            break
    if not rows:
        raise SystemExit(f"{readme}: the table after '{TABLE_START}' has no rows")
    return rows


def table_faults(rows):
    """Names a row gives that have no row, and cycles."""
    faults = [f"{folder} -> {name}: {name} has no row" for folder, names in rows.items()
              for name in names if name not in rows]
    state = {}

    def visit(folder, path):
        state[folder] = "open"
        for name in rows.get(folder, []):
            if state.get(name) == "open":
                faults.append("cycle: " + " -> ".join(path[path.index(name):] + [name]))
            elif name not in state:
                visit(name, path + [name])
        state[folder] = "done"

    for folder in rows:
        if folder not in state:
            visit(folder, [folder])
    return faults


def reachable(rows):
    """Every folder's own and allowed folders."""
    allowed = {}
    for folder in rows:
        seen, todo = {folder}, [folder]
        while todo:
            for name in rows.get(todo.pop(), []):
                if name not in seen:
                    seen.add(name)
                    todo.append(name)
        allowed[folder] = seen
    return allowed


def owner(path, folders):
    """The deepest folder of the table that holds `path`, or None."""
    best = None
    for folder in folders:
        if path.startswith(folder + "/") and (best is None or len(folder) > len(best)):
            best = folder
    return best


def sources(root, tops):
    """The source files: git's list in a clone (never what a build wrote in
    it), else every file below the top-level folders of the table."""
    if os.path.exists(os.path.join(root, ".git")):
        try:
            listed = subprocess.run(["git", "-C", root, "ls-files"], capture_output=True, text=True, check=True)
            return sorted(path for path in listed.stdout.splitlines()
                          if SOURCE.search(path) and os.path.isfile(os.path.join(root, path)))
        except (OSError, subprocess.CalledProcessError):
            pass
    found = []
    for top in tops:
        for here, dirs, files in os.walk(os.path.join(root, top)):
            found += [os.path.relpath(os.path.join(here, name), root).replace(os.sep, "/")
                      for name in files if SOURCE.search(name)]
    return sorted(found)


def main(root):
    rows = read_table(os.path.join(root, "README.md"))
    faults = table_faults(rows)
    allowed = reachable(rows)
    tops = {folder.split("/")[0] for folder in rows}
    for path in sources(root, tops):
        folder = owner(path, rows)
        if folder is None:
            faults.append(f"{path}: in no folder of the table")
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            text = f.read()
        for included in INCLUDE.findall(text):
            # Only files of the project count; a bare name is its own folder's
            # (the system's header chosen by the include path).
            if "/" not in included or not os.path.isfile(os.path.join(root, included)):
                continue
            target = owner(included, rows)
            if target is None:
                faults.append(f"{path}: includes {included}, in no folder of the table")
            elif target not in allowed[folder]:
                faults.append(f"{path}: {folder} may not include {included} ({target})")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        raise SystemExit(__doc__)
    sys.exit(main(sys.argv[1]))
