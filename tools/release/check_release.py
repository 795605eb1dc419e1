#!/usr/bin/python3
"""Checks a release archive, or single libraries, by reading the files themselves.

    check_release.py ARCHIVE.zip          the whole archive
    check_release.py --dll FILE --arch x86|x64 [--library NAME]
    check_release.py --exe FILE --arch x86|x64

For every library: the PE machine type of its folder; exactly the four
undecorated exports regsvr32 and hosts look up; imports from system libraries
only (no compiler runtime DLL that a user's machine would not have); the
version resource's published strings; stripped; no time stamp. Programs: the
machine type, system imports, stripped, no time stamp. The archive: exactly
the expected files, and SHA256SUMS matching them.

Prints each problem found and exits 1 when there is any (0 otherwise).
Needs Debian's python3-pefile.
"""

import argparse
import hashlib
import re
import sys
import zipfile

import pefile

MACHINES = {"x86": 0x014C, "x64": 0x8664}

# The six libraries and their product names, as published.
LIBRARIES = {
    "ORKVPhaser": "KV Phaser",
    "ORKVChorus": "KV Chorus",
    "ORKVFlanger": "KV Flanger",
    "ORKVFilter": "KV Filter",
    "ORKVCDelay": "KV C-Delay",
    "ORKVTremolo": "KV Tremolo",
}
PROGRAMS = ["orkv-render.exe", "orkv-editor.exe"]
EXPORTS = ["DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"]

# Libraries every Windows installation has. A compiler runtime (libstdc++,
# libgcc, libwinpthread) or anything else is a problem.
SYSTEM_LIBRARIES = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
    "ntdll.dll", "ole32.dll", "oleaut32.dll", "quartz.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll", "uxtheme.dll", "version.dll", "winmm.dll", "ws2_32.dll", "bcrypt.dll",
    "msdmo.dll",
}


def version_strings(library):
    return {
        "CompanyName": "Orvelt",
        "FileDescription": LIBRARIES[library],
        "FileVersion": "1.0.0.0",
        "InternalName": library,
        "OriginalFilename": library + ".dll",
        "ProductName": LIBRARIES[library],
        "ProductVersion": "1.0.0.0",
        "OLESelfRegister": "AM20",
        "ActiveMovie": "Filter dll",
    }


def is_system_library(name):
    name = name.lower()
    return name in SYSTEM_LIBRARIES or name.startswith("api-ms-win-")


def check_binary(pe, name, arch):
    """Problems common to libraries and programs."""
    problems = []
    machine = pe.FILE_HEADER.Machine
    if machine != MACHINES[arch]:
        problems.append(f"{name}: machine type 0x{machine:04X}, not {arch} (0x{MACHINES[arch]:04X})")
    if pe.FILE_HEADER.TimeDateStamp != 0:
        problems.append(f"{name}: a time stamp in the PE header (builds would differ)")
    if pe.FILE_HEADER.PointerToSymbolTable != 0 or pe.FILE_HEADER.NumberOfSymbols != 0:
        problems.append(f"{name}: not stripped ({pe.FILE_HEADER.NumberOfSymbols} symbols)")
    debug = [s.Name.rstrip(b"\0").decode(errors="replace") for s in pe.sections
             if s.Name.startswith(b".debug") or s.Name.startswith(b"/")]
    if debug:
        problems.append(f"{name}: not stripped (sections {', '.join(debug)})")
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        imported = entry.dll.decode(errors="replace")
        if not is_system_library(imported):
            problems.append(f"{name}: imports from {imported}, which is not a system library")
    return problems


def check_exports(pe, name):
    export_dir = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    if export_dir is None:
        return [f"{name}: exports nothing"]
    problems = []
    exported = sorted((s.name or b"").decode(errors="replace") for s in export_dir.symbols)
    for symbol in exported:
        if re.search(r"@\d+$", symbol) or symbol.startswith(("_", "?")):
            problems.append(f"{name}: decorated export '{symbol}'")
    if exported != EXPORTS:
        problems.append(f"{name}: exports {exported}, expected exactly {EXPORTS}")
    return problems


def read_version_strings(pe):
    strings = {}
    for info in getattr(pe, "FileInfo", []) or []:
        for entry in info:
            for table in getattr(entry, "StringTable", []):
                for key, value in table.entries.items():
                    strings[key.decode(errors="replace")] = value.decode(errors="replace")
    return strings


def check_version(pe, name, library):
    problems = []
    if library not in LIBRARIES:
        return [f"{name}: not one of the libraries {sorted(LIBRARIES)}"]
    strings = read_version_strings(pe)
    for key, expected in version_strings(library).items():
        found = strings.get(key)
        if found != expected:
            problems.append(f"{name}: version string {key} is {found!r}, expected {expected!r}")
    fixed = getattr(pe, "VS_FIXEDFILEINFO", None)
    if not fixed:
        problems.append(f"{name}: no fixed version information")
    else:
        f = fixed[0]
        if (f.FileVersionMS, f.FileVersionLS, f.ProductVersionMS, f.ProductVersionLS) != (
                0x00010000, 0, 0x00010000, 0):
            problems.append(f"{name}: fixed file or product version is not 1.0.0.0")
    return problems


def parse(data, name, directories):
    """The headers and only the data directories asked for (reading all of a
    program's takes seconds)."""
    try:
        pe = pefile.PE(data=data, fast_load=True)
        pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY[d] for d in directories])
        return pe, []
    except pefile.PEFormatError as error:
        return None, [f"{name}: not a PE file ({error})"]


def check_library(data, name, arch, library):
    pe, problems = parse(data, name, ["IMAGE_DIRECTORY_ENTRY_IMPORT",
                                      "IMAGE_DIRECTORY_ENTRY_EXPORT",
                                      "IMAGE_DIRECTORY_ENTRY_RESOURCE"])
    if pe is None:
        return problems
    return check_binary(pe, name, arch) + check_exports(pe, name) + check_version(pe, name, library)


def check_program(data, name, arch):
    pe, problems = parse(data, name, ["IMAGE_DIRECTORY_ENTRY_IMPORT"])
    if pe is None:
        return problems
    problems = check_binary(pe, name, arch)
    if pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_DLL"]:
        problems.append(f"{name}: a library, not a program")
    return problems


def expected_files():
    files = {"README.txt", "SHA256SUMS", "include/orkv_effects.h"}
    for arch in MACHINES:
        files |= {f"{arch}/{library}.dll" for library in LIBRARIES}
        files |= {f"{arch}/{program}" for program in PROGRAMS}
        files |= {f"{arch}/install.cmd", f"{arch}/uninstall.cmd"}
    return files


def check_sums(archive, present):
    if "SHA256SUMS" not in present:
        return []
    problems = []
    listed = {}
    for line in archive.read("SHA256SUMS").decode(errors="replace").splitlines():
        match = re.fullmatch(r"([0-9a-f]{64}) [ *](.+)", line.strip())
        if not match:
            problems.append(f"SHA256SUMS: unreadable line {line!r}")
            continue
        listed[match.group(2)] = match.group(1)
    for name in sorted(present - {"SHA256SUMS"}):
        actual = hashlib.sha256(archive.read(name)).hexdigest()
        if name not in listed:
            problems.append(f"SHA256SUMS: {name} is not listed")
        elif listed[name] != actual:
            problems.append(f"SHA256SUMS: {name} does not match its sum")
    for name in sorted(set(listed) - present):
        problems.append(f"SHA256SUMS: lists {name}, which is not in the archive")
    return problems


def check_archive(path):
    with zipfile.ZipFile(path) as archive:
        names = [i.filename for i in archive.infolist() if not i.is_dir()]
        present = set(names)
        problems = []
        if len(names) != len(present):
            problems.append("the archive holds a file twice")
        expected = expected_files()
        problems += [f"missing from the archive: {n}" for n in sorted(expected - present)]
        problems += [f"not expected in the archive: {n}" for n in sorted(present - expected)]
        problems += check_sums(archive, present)
        for name in sorted(present & expected):
            arch, _, file = name.partition("/")
            if arch not in MACHINES:
                continue
            data = archive.read(name)
            if file.endswith(".dll"):
                problems += check_library(data, name, arch, file[: -len(".dll")])
            elif file.endswith(".exe"):
                problems += check_program(data, name, arch)
        for script in (n for n in sorted(present) if n.endswith(".cmd") or n.endswith(".txt")):
            text = archive.read(script)
            if b"\n" in text.replace(b"\r\n", b""):
                problems.append(f"{script}: lines not ended CR LF, as Windows tools expect")
        return problems


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("archive", nargs="?")
    parser.add_argument("--dll")
    parser.add_argument("--exe")
    parser.add_argument("--arch", choices=sorted(MACHINES))
    parser.add_argument("--library", help="the library's name, when the file is named otherwise")
    args = parser.parse_args(argv)
    if args.archive:
        problems = check_archive(args.archive)
        subject = args.archive
    elif (args.dll or args.exe) and args.arch:
        path = args.dll or args.exe
        with open(path, "rb") as f:
            data = f.read()
        name = path.replace("\\", "/").rsplit("/", 1)[-1]
        if args.dll:
            library = args.library or name.rsplit(".", 1)[0]
            problems = check_library(data, name, args.arch, library)
        else:
            problems = check_program(data, name, args.arch)
        subject = path
    else:
        parser.error("give an archive, or --dll/--exe with --arch")
    for problem in problems:
        print(f"PROBLEM: {problem}")
    print(f"{subject}: {'FAILED, ' + str(len(problems)) + ' problems' if problems else 'OK'}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
