#!/usr/bin/env python3
"""Prints the tree's size figures, for comparing before and after a change.

    tools/code-metrics.py [SOURCE_ROOT]

Lines of product code and of test code per top folder (C++ sources and
headers; test code is anything under tests/, fuzz/, benchmark/, testing/ and
standins/), the longest product functions, and the number of product lines
that spell an Office extension. Functions are found the way this tree writes
them: a signature that starts in column 0 and ends, within a few lines, in
"{", and a body that closes with a "}" in column 0.
"""
import os
import re
import sys

root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
SUFFIXES = (".cpp", ".h")
TEST_PARTS = {"tests", "fuzz", "benchmark", "testing", "standins"}
EXTENSION = re.compile(r'"\.?(doc|xls|ppt|pps)[xmb]?"', re.IGNORECASE)


def sources():
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = sorted(s for s in subfolders if not s.startswith(".") and s != "build")
        for name in sorted(files):
            if name.endswith(SUFFIXES):
                path = os.path.join(folder, name)
                yield os.path.relpath(path, root)


def is_test(relative):
    return bool(TEST_PARTS & set(relative.split(os.sep)[:-1])) or relative.split(os.sep)[0] in TEST_PARTS


def functions(relative, lines):
    start = None
    for number, line in enumerate(lines, 1):
        if start is None and re.match(r"^[A-Za-z_~]", line) and not re.match(r"^(namespace|struct|class|enum|using|template|extern|public|private|protected)\b", line):
            # The signature may run over a few lines before its "{".
            for ahead in range(number - 1, min(number + 4, len(lines))):
                text = lines[ahead].rstrip()
                if text.endswith(";") or (ahead > number - 1 and re.match(r"^\S", lines[ahead])):
                    break
                if text.endswith("{") and ")" in text:
                    start = (number, line.strip())
                    break
        elif start is not None and line.startswith("}"):
            yield number - start[0] + 1, "%s:%d %s" % (relative, start[0], start[1][:70])
            start = None


product, tests, longest, naming = {}, {}, [], 0
for relative in sources():
    with open(os.path.join(root, relative), encoding="utf-8", errors="replace") as f:
        lines = f.read().splitlines()
    top = relative.split(os.sep)[0] if os.sep in relative else "."
    counted = sum(1 for line in lines if line.strip())
    if is_test(relative):
        tests[top] = tests.get(top, 0) + counted
        continue
    product[top] = product.get(top, 0) + counted
    naming += sum(1 for line in lines if EXTENSION.search(line) and not line.lstrip().startswith("//"))
    longest.extend(functions(relative, lines))

print("%-14s %8s %8s %6s" % ("folder", "product", "tests", "share"))
for top in sorted(set(product) | set(tests)):
    p, t = product.get(top, 0), tests.get(top, 0)
    print("%-14s %8d %8d %6s" % (top, p, t, "%.0f%%" % (100.0 * t / p) if p else "-"))
print("%-14s %8d %8d" % ("all", sum(product.values()), sum(tests.values())))
print("\nlongest product functions (lines):")
for size, where in sorted(longest, reverse=True)[:12]:
    print("%5d  %s" % (size, where))
print("\nproduct lines that spell an Office extension: %d" % naming)
