#!/usr/bin/env python3
"""Fails when an #include points up the layer order.

    tools/check-includes.py [SOURCE_ROOT]

Each folder of LAYERS below may include its own files and those of lower
layers only;
folders on one level (classify, settings and doccrypt) do not include each
other.
Lanternpane's folder stands apart: it uses the foundation and the Win32
layer and nothing else, and nothing else uses it. Test code (any tests/,
fuzz/ or benchmark/ folder, and the stand-ins and shared test
support) may include what it likes, but product code never includes it.

Only quoted includes are read; <angle-bracket> ones are system headers. A
quoted include is resolved next to the including file first (so a folder's
own "Notifier.h" or "../x/Y.h" count for what they are), then against the
source root, which is the include path of every target. Includes that name
no folder of the tree (a third-party "gtest/gtest.h") are not ours to judge.

Prints one line per offending include, file:line, and exits 1 when there is
any; exits 0 on a clean tree and 2 when SOURCE_ROOT is no folder.
"""

import os
import re
import sys

# Lowest first. A folder may include folders of a strictly lower level.
LAYERS = {
    "foundation": 0,
    "wingui": 1,
    "resources": 2,
    "classify": 3,
    "settings": 3,
    "doccrypt": 3,
    "office": 4,
    "jobs": 5,
    "browser": 6,
    "app": 7,
}
# Apart from the layers: what each may include besides itself.
APART = {
    "helpviewer": {"foundation", "wingui"},
}
# Test equipment: never included by product code, and free itself.
TEST_FOLDERS = {"standins", "testing"}
TEST_SUBFOLDERS = {"tests", "fuzz", "benchmark"}

SOURCE_SUFFIXES = (".c", ".cc", ".cpp", ".cxx", ".h", ".hh", ".hpp", ".hxx", ".inl", ".ipp", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def placed(folder):
    return folder in LAYERS or folder in APART or folder in TEST_FOLDERS


def parts_of(relative):
    return [p for p in relative.replace("\\", "/").split("/") if p not in ("", ".")]


def normalise(parts):
    """Folds '..' away; None when the path climbs out of the root."""
    out = []
    for part in parts:
        if part == "..":
            if not out:
                return None
            out.pop()
        else:
            out.append(part)
    return out


def is_test_code(parts):
    return parts[0] in TEST_FOLDERS or any(p in TEST_SUBFOLDERS for p in parts[:-1])


def resolve(root, including, target):
    """The root-relative parts of what an include names, or None when it
    names nothing in the tree."""
    named = parts_of(target)
    beside = normalise(including[:-1] + named)
    if ".." in named or (beside is not None and os.path.isfile(os.path.join(root, *beside))):
        return beside
    from_root = normalise(named)
    if from_root is None or len(from_root) < 2:
        # A bare name found nowhere (generated, or on another include path)
        # stays inside the folder.
        return including[:-1] + from_root if from_root else None
    # Windows file systems ignore case: "Settings/x.h" is settings/.
    if placed(from_root[0].lower()):
        return [from_root[0].lower()] + from_root[1:]
    if os.path.isdir(os.path.join(root, from_root[0])):
        return from_root
    return None


def verdict(including, target):
    """Why including -> target is not allowed, or None when it is."""
    source, folder = including[0], target[0]
    if is_test_code(target) and not is_test_code(including):
        return "product code includes test code"
    if is_test_code(including) or folder == source:
        return None
    if source in APART:
        if folder not in APART[source]:
            return f"{source}/ may include only {', '.join(sorted(APART[source]))} and itself"
        return None
    if folder in APART:
        return f"only {folder}/ itself includes {folder}/"
    if folder not in LAYERS:
        return f"{folder}/ has no place in the layer order (tools/check-includes.py)"
    if LAYERS[folder] == LAYERS[source]:
        return f"{source}/ and {folder}/ are on one level and do not include each other"
    if LAYERS[folder] > LAYERS[source]:
        return f"{folder}/ is above {source}/"
    return None


def scanned_files(root):
    for top in sorted(os.listdir(root)):
        if not placed(top) or not os.path.isdir(os.path.join(root, top)):
            continue
        for folder, subfolders, files in os.walk(os.path.join(root, top)):
            subfolders[:] = sorted(d for d in subfolders if not d.startswith("."))
            for name in sorted(files):
                if name.endswith(SOURCE_SUFFIXES):
                    yield os.path.relpath(os.path.join(folder, name), root)


def check(root):
    problems = []
    for relative in scanned_files(root):
        including = parts_of(relative)
        with open(os.path.join(root, relative), encoding="utf-8", errors="replace") as text:
            for number, line in enumerate(text, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                target = resolve(root, including, match.group(1))
                if target is None:
                    continue
                reason = verdict(including, target)
                if reason:
                    problems.append(f'{relative}:{number}: #include "{match.group(1)}": {reason}')
    return problems


def main(argv):
    if len(argv) > 2:
        print("usage: check-includes.py [SOURCE_ROOT]", file=sys.stderr)
        return 2
    root = argv[1] if len(argv) == 2 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    if not os.path.isdir(root):
        print(f"no such folder: {root}", file=sys.stderr)
        return 2
    problems = check(root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include(s) against the layer order", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
