#!/usr/bin/env python3
"""Runs tools/check-includes.py over small trees made for the purpose: a
clean one that uses every allowed kind of include, and the same tree with
one include against the rule added at a time."""

import importlib.util
import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "check-includes.py")
# The many single cases call the check in this process; the exit status and
# output are tested through the script.
_spec = importlib.util.spec_from_file_location("check_includes", CHECK)
check_includes = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(check_includes)

# Every allowed kind of include; office/ and browser/ do not exist.
CLEAN_TREE = {
    "foundation/String.h": "#pragma once\n",
    "foundation/String.cpp": '#include "String.h"\n#include <windows.h>\n#include <app/Anything.h>\n'
                             '// #include "app/Main.h" is only a comment\n',
    "foundation/notes.md": '#include "app/Main.h"\n',
    "wingui/Window.h": '#include "foundation/String.h"\n',
    "classify/FileType.cpp": '#include "foundation/String.h"\n# include "wingui/Window.h"\n'
                             '#include "../classify/FileType.h"\n#include "gtest/gtest.h"\n',
    "classify/FileType.h": "#pragma once\n",
    "settings/Password.h": '#include "foundation/String.h"\n',
    "jobs/Notifier.h": "#pragma once\n",
    "jobs/tests/Helper.h": "#pragma once\n",
    "jobs/Notifier.cpp": '#include "Notifier.h"\n#include "settings/Password.h"\n#include "classify/FileType.h"\n'
                         '#include "Generated.h"\n',
    "app/Main.cpp": '#include "jobs/Notifier.h"\n#include "wingui/Window.h"\n#include "icons/Ids.h"\n',
    "app/icons/Ids.h": "#pragma once\n",
    "app/Main.rc": '#include "settings/Password.h"\n',
    "helpviewer/Viewer.h": '#include "foundation/String.h"\n#include "wingui/Window.h"\n',
    "helpviewer/Viewer.cpp": '#include "Viewer.h"\n#include "helpviewer/Viewer.h"\n',
    # Test code may reach anywhere.
    "jobs/tests/NotifierTest.cpp": '#include "app/Main.h"\n#include "testing/TestPaths.h"\n'
                                   '#include "standins/pdftk/Run.h"\n#include "helpviewer/Viewer.h"\n',
    "foundation/fuzz/Fuzz.cpp": '#include "app/Main.h"\n',
    "classify/benchmark/Bench.cpp": '#include "jobs/Notifier.h"\n',
    "standins/pdftk/Run.cpp": '#include "foundation/String.h"\n#include "testing/TestPaths.h"\n'
                              '#include "app/Main.h"\n',
    "testing/TestPaths.cpp": '#include "settings/Password.h"\n',
    # Outside the scanned folders.
    "tools/Tool.cpp": '#include "app/Main.h"\n',
    "installer/Setup.cpp": '#include "app/Main.h"\n',
}

# (file, include, a piece of the reason): each added alone to the clean tree.
AGAINST_THE_RULE = [
    ("foundation/X.cpp", "app/Y.h", "app/ is above foundation/"),
    ("foundation/X.h", "wingui/Window.h", "wingui/ is above foundation/"),
    ("wingui/X.cpp", "classify/FileType.h", "classify/ is above wingui/"),
    ("classify/X.cpp", "jobs/Notifier.h", "jobs/ is above classify/"),
    ("classify/X.cpp", "settings/Password.h", "on one level"),
    ("settings/X.cpp", "classify/FileType.h", "on one level"),
    ("settings/X.rc", "app/icons/Ids.h", "app/ is above settings/"),
    ("jobs/X.cpp", "browser/FileList.h", "browser/ is above jobs/"),
    ("office/X.cpp", "jobs/Notifier.h", "jobs/ is above office/"),
    ("jobs/X.cpp", "../app/Main.h", "app/ is above jobs/"),
    ("jobs/X.cpp", "App/Main.h", "app/ is above jobs/"),
    ("app/X.cpp", "helpviewer/Viewer.h", "only helpviewer/ itself"),
    ("helpviewer/X.cpp", "settings/Password.h", "helpviewer/ may include only"),
    ("helpviewer/X.cpp", "app/Main.h", "helpviewer/ may include only"),
    ("app/X.cpp", "testing/TestPaths.h", "product code includes test code"),
    ("settings/X.cpp", "standins/pdftk/Run.h", "product code includes test code"),
    ("jobs/X.cpp", "tests/Helper.h", "product code includes test code"),
    ("helpviewer/X.cpp", "foundation/fuzz/Corpus.h", "product code includes test code"),
    ("app/X.cpp", "tools/Tool.h", "no place in the layer order"),
]


def make_tree(root, files):
    for relative, text in files.items():
        path = os.path.join(root, *relative.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as out:
            out.write(text)


def run_check(root):
    done = subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True, timeout=60)
    return done.returncode, done.stdout.splitlines()


class CheckIncludesTest(unittest.TestCase):
    def test_clean_tree_passes(self):
        with tempfile.TemporaryDirectory() as root:
            make_tree(root, CLEAN_TREE)
            self.assertEqual(run_check(root), (0, []))

    def test_each_include_against_the_rule_fails_and_is_named(self):
        for file, include, reason in AGAINST_THE_RULE:
            with self.subTest(file=file, include=include), tempfile.TemporaryDirectory() as root:
                make_tree(root, CLEAN_TREE)
                make_tree(root, {file: f'#include <vector>\n\n  #  include "{include}"\n'})
                lines = check_includes.check(root)
                self.assertEqual(len(lines), 1, lines)
                self.assertTrue(lines[0].startswith(f'{file}:3: #include "{include}"'), lines[0])
                self.assertIn(reason, lines[0])

    def test_every_offence_is_listed(self):
        with tempfile.TemporaryDirectory() as root:
            make_tree(root, CLEAN_TREE)
            make_tree(root, {
                "foundation/String.cpp": '#include "String.h"\n#include "app/Main.h"\n#include "jobs/Notifier.h"\n',
                "classify/FileType.h": '#include "settings/Password.h"\n',
            })
            status, lines = run_check(root)
            self.assertEqual(status, 1)
            self.assertEqual([line.split(": ")[0] for line in lines],
                             ["classify/FileType.h:1", "foundation/String.cpp:2", "foundation/String.cpp:3"])

    def test_missing_root_is_a_usage_error_and_an_empty_root_passes(self):
        with tempfile.TemporaryDirectory() as root:
            self.assertEqual(run_check(root), (0, []))
            self.assertEqual(run_check(os.path.join(root, "absent"))[0], 2)


if __name__ == "__main__":
    unittest.main()
