#!/usr/bin/env python3
"""Parses every test file of a build tree once without the precompiled GoogleTest header.

    check_test_sources.py --build DIR [--jobs N]

The sanitized tree gives its test programs <gtest/gtest.h> precompiled, so GoogleTest always comes
first there; the batched trees put other files of the folder before each one. A plain tree has
neither, and a file that includes a header whose macros break GoogleTest (X11's None and Bool)
before it only fails there. This takes each test file's command from the tree's build rules, drops
the precompiled header and parses the file on its own (-fsyntax-only, nothing written). Prints the
compiler's words for each file that fails and exits with 1 when any does, 0 otherwise.

A file whose first directive is `#include <gtest/gtest.h>` (only comments and blank lines before
it) reads the same with the precompiled header as without: the header only includes GoogleTest,
and the file's own include of it comes first anyway. Such a file is not parsed again.

    check_test_sources.py --self-test    checks that rule on small samples
"""

import argparse
import concurrent.futures
import json
import os
import re
import shlex
import subprocess
import sys

GTEST_FIRST = "#include <gtest/gtest.h>"


def first_directive(text):
    """The file's first line that is not blank or a comment, with its comments and spacing taken
    out ("#include <x>"); "" when there is none."""
    in_block = False
    for raw in text.splitlines():
        line = ""
        i = 0
        while i < len(raw):
            if in_block:
                end = raw.find("*/", i)
                if end < 0:
                    i = len(raw)
                else:
                    in_block = False
                    i = end + 2
                    line += " "
            elif raw.startswith("/*", i):
                in_block = True
                i += 2
            elif raw.startswith("//", i):
                break
            else:
                line += raw[i]
                i += 1
        line = line.strip()
        if line:
            return re.sub(r"^#\s*include\s*", "#include ", re.sub(r"\s+", " ", line))
    return ""


def reads_the_same_with_the_header(path):
    """Whether the precompiled GoogleTest header changes nothing for the file at path."""
    with open(path, encoding="utf-8", errors="replace") as f:
        return first_directive(f.read()) == GTEST_FIRST


def self_test():
    samples = [
        ("#include <gtest/gtest.h>\n#include <X11/Xlib.h>\n", True),
        ("// A test.\n/* more\n   words */\n\n#include <gtest/gtest.h>\n", True),
        ("/* one */ #  include  <gtest/gtest.h> // first\n", True),
        ("#include <cmath>\n#include <gtest/gtest.h>\n", False),
        ("#include <SDL.h>\n#include <gtest/gtest.h>\n", False),
        ("#define None 0\n#include <gtest/gtest.h>\n", False),
        ("/*\n#include <gtest/gtest.h>\n*/\n#include <X11/Xlib.h>\n", False),
        ("#include <gmock/gmock.h>\n", False),
        ("#include \"gtest/gtest.h\"\n", False),
        ("// nothing at all\n", False),
    ]
    wrong = [text for text, same in samples if (first_directive(text) == GTEST_FIRST) != same]
    for text in wrong:
        print("check_test_sources: wrong answer for:\n" + text)
    return 1 if wrong else 0


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
    parser.add_argument("--build")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--self-test", action="store_true")
    ns = parser.parse_args()
    if ns.self_test:
        return self_test()
    if not ns.build:
        parser.error("--build is required")
    with open(os.path.join(ns.build, "compile_commands.json")) as f:
        entries = json.load(f)
    tests = [e for e in entries if "/tests/" in e["file"] and e["file"].endswith(".cpp")
             and "cmake_pch" not in e["file"]]
    if not tests:
        print("check_test_sources: no test files in " + ns.build, file=sys.stderr)
        return 1
    same = [e for e in tests if reads_the_same_with_the_header(e["file"])]
    tests = [e for e in tests if e not in same]

    def parse(entry):
        run = subprocess.run(plain_command(entry), cwd=entry["directory"], capture_output=True, text=True)
        return entry["file"], run.returncode, run.stderr

    failed = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=ns.jobs) as pool:
        for file, code, err in pool.map(parse, tests):
            if code != 0:
                failed += 1
                print(f"{file} does not compile without the precompiled header:\n{err}")
    print(f"check_test_sources: {len(tests)} test files parsed, {failed} failed; "
          f"{len(same)} begin with GoogleTest and read the same as in the tree")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
