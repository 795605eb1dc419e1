#!/usr/bin/python3
"""The release check over this build's files, over archives packed from them,
and over a broken library it must refuse.

    check_release_test.py --arch x64|x86 --bin DIR --broken DLL --work DIR
"""

import argparse
import os
import shutil
import subprocess
import sys
import unittest
import zipfile

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TOOLS = os.path.join(SOURCE, "tools", "release")
sys.path.insert(0, TOOLS)
import check_release  # noqa: E402

LIBRARIES = ["ORKVPhaser", "ORKVChorus", "ORKVFlanger", "ORKVFilter", "ORKVCDelay", "ORKVTremolo"]
PROGRAMS = ["orkv-render.exe", "orkv-editor.exe"]
ARGS = None


def other(arch):
    return "x86" if arch == "x64" else "x64"


def read(path):
    with open(path, "rb") as f:
        return f.read()


def run_checker(*arguments):
    return subprocess.run([sys.executable, os.path.join(TOOLS, "check_release.py"), *arguments],
                          capture_output=True, text=True)


def pack(out_dir):
    """An archive packed by the release script from this build's files, in
    both architecture folders."""
    result = subprocess.run([os.path.join(TOOLS, "make_release.sh"), ARGS.bin, ARGS.bin, out_dir],
                            capture_output=True, text=True, check=True)
    return result.stdout.strip()


def rewrite(source, target, change):
    """A copy of archive `source` with change(name, data) -> (name, data) or None."""
    with zipfile.ZipFile(source) as old, zipfile.ZipFile(target, "w") as new:
        for info in old.infolist():
            kept = change(info.filename, old.read(info.filename))
            if kept is not None:
                new.writestr(kept[0], kept[1])
    return target


class BuiltFiles(unittest.TestCase):
    def test_every_library_of_this_build_passes(self):
        for library in LIBRARIES:
            with self.subTest(library):
                data = read(os.path.join(ARGS.bin, library + ".dll"))
                self.assertEqual(check_release.check_library(data, library, ARGS.arch, library), [])

    def test_the_programs_of_this_build_pass(self):
        for program in PROGRAMS:
            with self.subTest(program):
                data = read(os.path.join(ARGS.bin, program))
                self.assertEqual(check_release.check_program(data, program, ARGS.arch), [])

    def test_a_library_in_the_other_folder_is_refused(self):
        result = run_checker("--dll", os.path.join(ARGS.bin, "ORKVPhaser.dll"), "--arch",
                             other(ARGS.arch))
        self.assertEqual(result.returncode, 1)
        self.assertIn(f"not {other(ARGS.arch)}", result.stdout)

    def test_a_library_under_another_name_is_refused(self):
        data = read(os.path.join(ARGS.bin, "ORKVChorus.dll"))
        problems = check_release.check_library(data, "ORKVChorus.dll", ARGS.arch, "ORKVFlanger")
        self.assertIn("ORKVChorus.dll: version string InternalName is 'ORKVChorus', "
                      "expected 'ORKVFlanger'", problems)


class BrokenLibrary(unittest.TestCase):
    def test_decorated_export_and_runtime_import_are_caught(self):
        result = run_checker("--dll", ARGS.broken, "--arch", ARGS.arch, "--library", "ORKVPhaser")
        self.assertEqual(result.returncode, 1, result.stdout)
        problems = sorted(line for line in result.stdout.splitlines() if line.startswith("PROBLEM"))
        libgcc = "libgcc_s_dw2-1.dll" if ARGS.arch == "x86" else "libgcc_s_seh-1.dll"
        self.assertEqual(problems, sorted([
            "PROBLEM: ORKVBroken.dll: decorated export 'DllGetClassObject@12'",
            "PROBLEM: ORKVBroken.dll: exports ['DllCanUnloadNow', 'DllGetClassObject@12', "
            "'DllRegisterServer', 'DllUnregisterServer'], expected exactly ['DllCanUnloadNow', "
            "'DllGetClassObject', 'DllRegisterServer', 'DllUnregisterServer']",
            f"PROBLEM: ORKVBroken.dll: imports from {libgcc}, which is not a system library",
            "PROBLEM: ORKVBroken.dll: imports from libstdc++-6.dll, which is not a system library",
        ]))
        self.assertIn("FAILED, 4 problems", result.stdout)

    def test_an_unstripped_library_is_caught(self):
        # The same library with a symbol table, as the linker leaves it without -s.
        data = bytearray(read(os.path.join(ARGS.bin, "ORKVTremolo.dll")))
        pe_offset = int.from_bytes(data[0x3C:0x40], "little")
        data[pe_offset + 12:pe_offset + 16] = (0x1000).to_bytes(4, "little")
        data[pe_offset + 16:pe_offset + 20] = (42).to_bytes(4, "little")
        problems = check_release.check_library(bytes(data), "x", ARGS.arch, "ORKVTremolo")
        self.assertEqual(problems, ["x: not stripped (42 symbols)"])

    def test_a_time_stamp_is_caught(self):
        data = bytearray(read(os.path.join(ARGS.bin, "ORKVTremolo.dll")))
        pe_offset = int.from_bytes(data[0x3C:0x40], "little")
        data[pe_offset + 8:pe_offset + 12] = (0x65000000).to_bytes(4, "little")
        problems = check_release.check_library(bytes(data), "x", ARGS.arch, "ORKVTremolo")
        self.assertEqual(problems, ["x: a time stamp in the PE header (builds would differ)"])


class Archive(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(ARGS.work, ignore_errors=True)
        os.makedirs(ARGS.work)
        cls.archive = pack(os.path.join(ARGS.work, "first"))

    def problems(self, archive):
        return check_release.check_archive(archive)

    def machine_problems(self):
        # This build's files stand in for both folders: only the other folder's
        # machine types are wrong, 6 libraries and 2 programs.
        return [p for p in self.problems(self.archive) if "machine type" in p]

    def test_name_and_layout(self):
        self.assertEqual(os.path.basename(self.archive), "orkv-effects-1.0.0.zip")
        with zipfile.ZipFile(self.archive) as archive:
            names = sorted(archive.namelist())
        expected = sorted(["README.txt", "SHA256SUMS", "include/orkv_effects.h"] + [
            f"{arch}/{file}" for arch in ("x64", "x86") for file in
            [f"{library}.dll" for library in LIBRARIES] + PROGRAMS + ["install.cmd",
                                                                      "uninstall.cmd"]])
        self.assertEqual(names, expected)

    def test_only_the_other_folders_machine_types_are_wrong(self):
        problems = self.problems(self.archive)
        self.assertEqual(len(problems), 8, problems)
        self.assertTrue(all(p.startswith(other(ARGS.arch) + "/") and "machine type" in p
                            for p in problems), problems)

    def test_packing_twice_gives_the_same_bytes(self):
        again = pack(os.path.join(ARGS.work, "second"))
        self.assertEqual(read(again), read(self.archive))

    def test_a_missing_or_extra_file_is_caught(self):
        changed = rewrite(self.archive, os.path.join(ARGS.work, "files.zip"), lambda n, d: (
            None if n == f"{ARGS.arch}/ORKVFilter.dll" else
            ("x64/libstdc++-6.dll", d) if n == "x64/orkv-render.exe" else (n, d)))
        problems = self.problems(changed)
        self.assertIn(f"missing from the archive: {ARGS.arch}/ORKVFilter.dll", problems)
        self.assertIn("missing from the archive: x64/orkv-render.exe", problems)
        self.assertIn("not expected in the archive: x64/libstdc++-6.dll", problems)
        self.assertIn(f"SHA256SUMS: lists {ARGS.arch}/ORKVFilter.dll, which is not in the archive",
                      problems)

    def test_a_changed_file_is_caught_by_its_sum(self):
        changed = rewrite(self.archive, os.path.join(ARGS.work, "sums.zip"), lambda n, d: (
            (n, d + b"\r\n") if n == "include/orkv_effects.h" else (n, d)))
        self.assertIn("SHA256SUMS: include/orkv_effects.h does not match its sum",
                      self.problems(changed))

    def test_scripts_have_windows_line_ends(self):
        changed = rewrite(self.archive, os.path.join(ARGS.work, "lf.zip"), lambda n, d: (
            (n, d.replace(b"\r\n", b"\n")) if n == "x86/install.cmd" else (n, d)))
        problems = self.problems(changed)
        self.assertIn("x86/install.cmd: lines not ended CR LF, as Windows tools expect", problems)

    def test_scripts_name_their_architecture(self):
        with zipfile.ZipFile(self.archive) as archive:
            for arch in ("x64", "x86"):
                for script in ("install.cmd", "uninstall.cmd"):
                    text = archive.read(f"{arch}/{script}").decode()
                    self.assertIn(f'set "arch={arch}"', text)
                    self.assertNotIn("@", text.replace("@echo off", ""))
                    self.assertIn("/u " if script == "uninstall.cmd" else "/s \"", text)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", required=True, choices=["x64", "x86"])
    parser.add_argument("--bin", required=True)
    parser.add_argument("--broken", required=True)
    parser.add_argument("--work", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
