#!/usr/bin/python3
"""The archive's install.cmd and uninstall.cmd of this build's architecture,
run by the platform's command interpreter under Wine from another folder, out
of a path with spaces: what they register (in the registry view of their
architecture), what they remove, and where they stop.

    install_scripts_test.py --arch x64|x86 --bin DIR --wine-run SCRIPT --work DIR

Exits 77 (skipped) when the Wine session cannot run this architecture.
"""

import argparse
import os
import shutil
import subprocess
import sys
import unittest
import zipfile

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SKIPPED = 77
ARGS = None

# The six filters' class identifiers, as published.
FILTERS = {
    "ORKVPhaser": "{5FA91647-9AA4-430E-868E-2412C6BB054B}",
    "ORKVChorus": "{140C6CCA-91C5-4423-886C-6D48534115C9}",
    "ORKVFlanger": "{AD697156-B758-4A9F-850F-FA3E1A07AAFF}",
    "ORKVFilter": "{2ADEBB59-EA9B-4DE4-B12D-4029C329FD02}",
    "ORKVCDelay": "{641BBAFD-FD85-4F1D-8700-34A7FBDFA9D5}",
    "ORKVTremolo": "{5180D8B6-0B10-4898-8E54-8956AD5A5B44}",
}


def wine(*arguments):
    result = subprocess.run([ARGS.wine_run, *arguments], capture_output=True, text=True,
                            cwd="/", timeout=120)
    if result.returncode == SKIPPED:
        print(result.stderr, file=sys.stderr)
        sys.exit(SKIPPED)
    return result


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def registered_paths():
    """Each filter class's registered library in this architecture's view, or
    None; one command interpreter asks for all six (each Wine start costs)."""
    view = "/reg:32" if ARGS.arch == "x86" else "/reg:64"
    keys = {library: f"HKLM\\Software\\Classes\\CLSID\\{clsid}\\InprocServer32"
            for library, clsid in FILTERS.items()}
    script = os.path.join(ARGS.work, "query.cmd")
    with open(script, "w", newline="\r\n") as f:
        f.write("@echo off\n")
        for library, key in keys.items():
            f.write(f'echo @{library}\nreg query "{key}" /ve {view}\n')
    output = wine("cmd", "/c", windows_path(script)).stdout
    paths = dict.fromkeys(FILTERS)
    library = None
    for line in output.splitlines():
        if line.startswith("@"):
            library = line[1:].strip()
        elif "REG_SZ" in line and library in paths:
            paths[library] = line.split("REG_SZ", 1)[1].strip()
    return paths


class InstallScripts(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(ARGS.work, ignore_errors=True)
        archive = subprocess.run(
            [os.path.join(SOURCE, "tools", "release", "make_release.sh"), ARGS.bin, ARGS.bin,
             ARGS.work], capture_output=True, text=True, check=True).stdout.strip()
        cls.root = os.path.join(ARGS.work, "Program Files", "Orvelt KV effects")
        with zipfile.ZipFile(archive) as files:
            files.extractall(cls.root)
        cls.folder = os.path.join(cls.root, ARGS.arch)

    def script(self, name):
        return wine("cmd", "/c", windows_path(os.path.join(self.folder, name)))

    def test_install_then_uninstall_from_a_path_with_spaces(self):
        installed = self.script("install.cmd")
        self.assertEqual(installed.returncode, 0, installed.stdout + installed.stderr)
        self.assertEqual(registered_paths(), {
            library: windows_path(os.path.join(self.folder, library + ".dll"))
            for library in FILTERS})
        for library in FILTERS:
            self.assertIn(f"Registered {library}.dll", installed.stdout)
        self.assertIn("effects are installed", installed.stdout)

        removed = self.script("uninstall.cmd")
        self.assertEqual(removed.returncode, 0, removed.stdout + removed.stderr)
        self.assertEqual(registered_paths(), dict.fromkeys(FILTERS))
        for library in FILTERS:
            self.assertIn(f"Unregistered {library}.dll", removed.stdout)

        again = self.script("uninstall.cmd")
        self.assertEqual(again.returncode, 1, again.stdout)
        self.assertIn("Unregistering ORKVPhaser.dll failed: it is not installed", again.stdout)

    def test_stops_at_the_first_library_that_fails(self):
        filter_dll = os.path.join(self.folder, "ORKVFilter.dll")
        shutil.move(filter_dll, filter_dll + ".away")
        try:
            result = self.script("install.cmd")
            self.assertEqual(result.returncode, 1, result.stdout)
            self.assertIn("ORKVFilter.dll is missing from", result.stdout)
            paths = registered_paths()
            self.assertIsNotNone(paths["ORKVFlanger"])
            self.assertIsNone(paths["ORKVCDelay"], "went on after the failure")

            # A damaged copy: the system cannot load it.
            with open(filter_dll, "wb") as damaged:
                damaged.write(b"not a library")
            result = self.script("install.cmd")
            self.assertEqual(result.returncode, 1, result.stdout)
            self.assertIn("Registering ORKVFilter.dll failed: the system cannot load it",
                          result.stdout)
            self.assertIsNone(registered_paths()["ORKVTremolo"])
        finally:
            os.replace(filter_dll + ".away", filter_dll)
        # The three before it go as regsvr32 removes single libraries.
        for library in ("ORKVPhaser", "ORKVChorus", "ORKVFlanger"):
            system = "system32" if ARGS.arch == "x64" else "syswow64"
            result = wine(f"C:\\windows\\{system}\\regsvr32.exe", "/s", "/u",
                          windows_path(os.path.join(self.folder, library + ".dll")))
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(registered_paths(), dict.fromkeys(FILTERS))


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", required=True, choices=["x64", "x86"])
    parser.add_argument("--bin", required=True)
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--work", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
