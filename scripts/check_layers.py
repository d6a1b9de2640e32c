#!/usr/bin/env python3
"""Checks that every folder uses only the folders the layer table allows.

    check_layers.py [--root DIR] [--table FILE]   check the tree (default: this checkout)
    check_layers.py --self-test                   check the checker on a small planted tree

The table (scripts/layers.txt) says which folders each folder may use. Two things are
checked against it:
  - every #include "..." in a .h/.cpp file names a header of the file's own folder or of a
    folder its folder may use;
  - every library that a target of a folder's CMakeLists.txt links, directly or through
    other libraries of the tree, belongs to a folder that folder may use, directly or
    through the chain of the table.
A source file or a target in a folder that the table does not name is a failure as well.
Prints one line per violation and exits with 1 when there is any, 0 otherwise.
"""

import argparse
import os
import re
import sys
import tempfile

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".inc")
INCLUDE_RE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*"([^"]+)"', re.MULTILINE)
COMMAND_RE = re.compile(r"\b([A-Za-z_][A-Za-z0-9_]*)\s*\(([^()]*)\)", re.DOTALL)
CMAKE_KEYWORDS = {"PUBLIC", "PRIVATE", "INTERFACE", "DEPS", "PKG", "STATIC", "SHARED", "OBJECT",
                  "MODULE", "EXCLUDE_FROM_ALL", "WIN32", "IMPORTED", "GLOBAL", "ALIAS"}


class TableError(Exception):
    pass


def read_table(path):
    """Returns {folder: [(folder, whole_chain), ...]} in the order of the file."""
    table = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            if ":" not in line:
                raise TableError(f"{path}:{number}: expected '<folder>: <folders>'")
            folder, uses = line.split(":", 1)
            folder = folder.strip().strip("/")
            if folder in table:
                raise TableError(f"{path}:{number}: {folder} is listed twice")
            entries = []
            for word in uses.split():
                chain = word.endswith("+")
                entries.append((word.rstrip("+").strip("/"), chain))
            table[folder] = entries
    for folder, entries in table.items():
        for used, _ in entries:
            if used != "*" and used not in table:
                raise TableError(f"{path}: {folder} uses {used}, which the table does not list")
            if used == folder:
                raise TableError(f"{path}: {folder} lists itself")
    return table


class Layers:
    def __init__(self, table):
        self.table = table
        self._chain = {}
        for folder in table:
            self.chain(folder, ())

    def entries(self, folder):
        for used, whole in self.table[folder]:
            if used == "*":
                for other in self.table:
                    if other != folder:
                        yield other, True
            else:
                yield used, whole

    def chain(self, folder, visiting):
        """Everything folder may use through the whole chain of the table."""
        if folder in self._chain:
            return self._chain[folder]
        if folder in visiting:
            raise TableError("the layer table has a cycle: " + " -> ".join(visiting + (folder,)))
        result = set()
        for used, _ in self.entries(folder):
            result.add(used)
            result |= self.chain(used, visiting + (folder,))
        self._chain[folder] = result
        return result

    def includable(self, folder):
        """The folders whose headers a file of folder may include."""
        result = {folder}
        for used, whole in self.entries(folder):
            result.add(used)
            if whole:
                result |= self._chain[used]
        return result

    def linkable(self, folder):
        return {folder} | self._chain[folder]

    def folder_of(self, path):
        """The table folder a path (relative to the root, with "/") lies in, or None."""
        best = None
        for folder in self.table:
            if (path == folder or path.startswith(folder + "/")) and (best is None or len(folder) > len(best)):
                best = folder
        return best


def source_files(root):
    for here, dirs, files in os.walk(root):
        dirs[:] = sorted(d for d in dirs if not d.startswith(".") and not d.startswith("build"))
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES) or name == "CMakeLists.txt":
                yield os.path.relpath(os.path.join(here, name), root).replace(os.sep, "/")


def check_includes(root, layers, files, problems):
    for path in files:
        if path.endswith("CMakeLists.txt"):
            continue
        folder = layers.folder_of(path)
        if folder is None:
            problems.append(f"{path}: its folder is not in the layer table")
            continue
        allowed = layers.includable(folder)
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            text = f.read()
        for match in INCLUDE_RE.finditer(text):
            name = match.group(1)
            line = text.count("\n", 0, match.start()) + 1
            beside = os.path.normpath(os.path.join(os.path.dirname(path), name)).replace(os.sep, "/")
            if os.path.exists(os.path.join(root, beside)) and not beside.startswith("../"):
                target = layers.folder_of(beside)
            elif "/" not in name:
                continue  # a header generated into the build folder
            else:
                target = layers.folder_of(name)
                if target is None:
                    problems.append(f"{path}:{line}: includes \"{name}\", which is in no folder of the layer table")
                    continue
            if target is not None and target not in allowed:
                problems.append(f"{path}:{line}: includes \"{name}\" ({target}), but {folder} may use only: "
                                + (" ".join(sorted(allowed - {folder})) or "nothing"))


def cmake_arguments(text):
    text = "\n".join(line.split("#", 1)[0] for line in text.splitlines())
    for match in COMMAND_RE.finditer(text):
        yield match.group(1).lower(), match.group(2).split()


def check_links(root, layers, files, problems):
    target_folder = {}  # target -> (folder, CMakeLists path)
    deps = {}           # target -> [target or outside name]
    for path in files:
        if not path.endswith("CMakeLists.txt"):
            continue
        folder = layers.folder_of(os.path.dirname(path)) if os.path.dirname(path) else None
        with open(os.path.join(root, path), encoding="utf-8") as f:
            text = f.read()
        for command, args in cmake_arguments(text):
            if not args:
                continue
            name = args[0]
            if command in ("gascal_library", "gascal_test", "add_library", "add_executable"):
                if folder is None:
                    problems.append(f"{path}: target {name} is in a folder that is not in the layer table")
                    continue
                target_folder[name] = (folder, path)
                deps.setdefault(name, [])
                if command in ("gascal_library", "gascal_test") and "DEPS" in args:
                    for word in args[args.index("DEPS") + 1:]:
                        if word in CMAKE_KEYWORDS:
                            break
                        deps[name].append(word)
            elif command == "target_link_libraries":
                deps.setdefault(name, []).extend(
                    w for w in args[1:] if w not in CMAKE_KEYWORDS and not w.startswith("$<"))
    for target, (folder, path) in sorted(target_folder.items()):
        allowed = layers.linkable(folder)
        # Every library of the tree the target reaches, and the first step of the way.
        seen = {}
        queue = [(d, d) for d in deps.get(target, [])]
        while queue:
            name, via = queue.pop(0)
            if name in seen or name not in target_folder:
                continue  # a library from outside the tree
            seen[name] = via
            queue.extend((d, via) for d in deps.get(name, []))
        for name, via in sorted(seen.items()):
            used = target_folder[name][0]
            if used not in allowed:
                how = "" if via == name else f" through {via}"
                problems.append(f"{path}: {target} links {name} ({used}){how}, but {folder} may use only: "
                                + (" ".join(sorted(allowed - {folder})) or "nothing"))


def check(root, table_path):
    try:
        layers = Layers(read_table(table_path))
    except TableError as e:
        return [str(e)]
    files = list(source_files(root))
    problems = []
    check_includes(root, layers, files, problems)
    check_links(root, layers, files, problems)
    return problems


def self_test():
    """Plants one violation of each kind in a small tree and checks each is reported; then
    checks that the same tree without them passes."""
    table = ("low:\n"
             "mid: low\n"
             "top: mid\n"
             "helper: low\n"
             "tests/mid: mid+ helper\n")
    clean = {
        "layers.txt": table,
        "low/a.h": "#pragma once\n",
        "low/CMakeLists.txt": "gascal_library(low)\n",
        "mid/b.h": '#pragma once\n#include "low/a.h"\n',
        "mid/b.cpp": '#include "mid/b.h"\n#include "b.h"\n#include <vector>\n',
        "mid/CMakeLists.txt": "gascal_library(mid DEPS low PKG cairo)\n",
        "top/c.cpp": '#include "mid/b.h"\n#include "generated_resources.h"\n',
        "top/CMakeLists.txt": "add_executable(top c.cpp)\ntarget_link_libraries(top PRIVATE mid m)\n",
        "helper/h.h": '#include "low/a.h"\n',
        "helper/CMakeLists.txt": "gascal_library(helper DEPS low)\n",
        "tests/mid/t.cpp": '#include "low/a.h"\n#include "helper/h.h"\n',
        "tests/mid/CMakeLists.txt": "gascal_test(test_mid DEPS mid helper GTest::gtest)\n",
    }
    planted = {
        "top/c.cpp": clean["top/c.cpp"] + '#include "low/a.h"\n',  # skips a layer
        "mid/up.cpp": '\n#include "top/c.h"\n',                       # reaches upwards
        "mid/other.cpp": '#include "nowhere/x.h"\n',                   # an unknown folder
        "stray/s.cpp": "int x;\n",                                     # a folder not in the table
        "helper/CMakeLists.txt": "gascal_library(helper DEPS low top)\n",  # links upwards
    }
    expected = [
        'top/c.cpp:3: includes "low/a.h" (low), but top may use only: mid',
        'mid/up.cpp:2: includes "top/c.h" (top), but mid may use only: low',
        'mid/other.cpp:1: includes "nowhere/x.h", which is in no folder of the layer table',
        "stray/s.cpp: its folder is not in the layer table",
        "helper/CMakeLists.txt: helper links top (top), but helper may use only: low",
        "helper/CMakeLists.txt: helper links mid (mid) through top, but helper may use only: low",
        "tests/mid/CMakeLists.txt: test_mid links top (top) through helper, but tests/mid may use only: helper low mid",
    ]

    def build(tree, files):
        for name, text in files.items():
            path = os.path.join(tree, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)

    failures = []
    with tempfile.TemporaryDirectory(prefix="gascal-layers-") as tree:
        build(tree, clean)
        open(os.path.join(tree, "top", "c.h"), "w").close()
        got = check(tree, os.path.join(tree, "layers.txt"))
        if got:
            failures.append("the clean tree fails:\n  " + "\n  ".join(got))
        build(tree, planted)
        got = check(tree, os.path.join(tree, "layers.txt"))
        for line in expected:
            if line not in got:
                failures.append("not reported: " + line)
        for line in got:
            if line not in expected:
                failures.append("reported without cause: " + line)
        # A table with a cycle is refused.
        build(tree, {"layers.txt": "a: b\nb: a\n"})
        got = check(tree, os.path.join(tree, "layers.txt"))
        if not got or "cycle" not in got[0]:
            failures.append("a cycle in the table is not refused: " + repr(got))
    if failures:
        print("check_layers self-test FAILED:\n" + "\n".join(failures))
        return 1
    print(f"check_layers self-test passed ({len(expected)} planted violations found, clean tree passes)")
    return 0


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--root", default=os.path.dirname(here), help="top of the tree (default: this checkout)")
    parser.add_argument("--table", help="the layer table (default: <root>/scripts/layers.txt)")
    parser.add_argument("--self-test", action="store_true", help="check the checker on a planted tree")
    args = parser.parse_args()
    if args.self_test:
        return self_test()
    table = args.table or os.path.join(args.root, "scripts", "layers.txt")
    problems = check(args.root, table)
    for line in problems:
        print(line)
    if problems:
        print(f"layer check: {len(problems)} violation(s) of {os.path.relpath(table, args.root)}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
