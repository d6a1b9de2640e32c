#!/usr/bin/env python3
"""Parses every test file of a build tree once without the precompiled GoogleTest header.

    check_test_sources.py --build DIR [--jobs N]

The sanitized tree gives its test programs <gtest/gtest.h> precompiled, so GoogleTest always comes
first there; the batched trees put other files of the folder before each one. A plain tree has
neither, and a file that includes a header whose macros break GoogleTest (X11's None and Bool)
before it only fails there. This takes each test file's command from the tree's build rules, drops
the precompiled header and parses the file on its own (-fsyntax-only, nothing written). Prints the
compiler's words for each file that fails and exits with 1 when any does, 0 otherwise.
"""

import argparse
import concurrent.futures
import json
import os
import shlex
import subprocess
import sys


def plain_command(entry):
    """The entry's compile command without the precompiled header, parsing only."""
    args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    # The compiler launcher (env VAR=... ccache) stays out: nothing is compiled to cache.
    while args and (args[0].endswith("env") or "=" in args[0] or args[0].endswith("ccache")):
        args = args[1:]
    out = []
    skip = False
    for i, a in enumerate(args):
        if skip:
            skip = False
            continue
        if a in ("-include", "-o", "-MF", "-MT") and i + 1 < len(args):
            if a == "-include" and not args[i + 1].endswith("cmake_pch.hxx"):
                out += [a, args[i + 1]]
            skip = True
            continue
        if a in ("-Winvalid-pch", "-MD", "-c"):
            continue
        out.append(a)
    return out + ["-fsyntax-only"]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    ns = parser.parse_args()
    with open(os.path.join(ns.build, "compile_commands.json")) as f:
        entries = json.load(f)
    tests = [e for e in entries if "/tests/" in e["file"] and e["file"].endswith(".cpp")
             and "cmake_pch" not in e["file"]]
    if not tests:
        print("check_test_sources: no test files in " + ns.build, file=sys.stderr)
        return 1

    def parse(entry):
        run = subprocess.run(plain_command(entry), cwd=entry["directory"], capture_output=True, text=True)
        return entry["file"], run.returncode, run.stderr

    failed = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=ns.jobs) as pool:
        for file, code, err in pool.map(parse, tests):
            if code != 0:
                failed += 1
                print(f"{file} does not compile without the precompiled header:\n{err}")
    print(f"check_test_sources: {len(tests)} test files parsed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
