#!/usr/bin/env python3
"""Checks the Windows release zip as users get it, and runs it where this machine can.

    check-release.py [--run PREFIX] ZIP

The zip must hold exactly the four program files and the Chinese readme, each once, with its
SHA-256 beside it. Its programs must be 32-bit (PE32 for i386) and ask for no newer Windows than XP
(5.1): the window a GUI program, the report a console one, the library a DLL that exports
its two functions under their plain names. Each must import from kernel32.dll, and only the
functions of release/xp-imports.txt and those zarlib.dll exports, whether it imports them at
load or delayed. The programs carry the resource script's version record, icons and manifest,
the library the version record.

With --run, the unpacked zip itself then runs in a fresh 64-bit Wine prefix made at PREFIX, as
most users' Windows is, and in a fresh 32-bit one at PREFIX-32 (both removed afterwards), on the
X display of $DISPLAY: Zorvane.exe must open its window "Zorvane" and exit when it is asked to
close, and ZorvaneReport.exe --json must print valid JSON.
Prints what it found; exits 1 on any fault, naming each.
"""
import hashlib
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The 64-bit binutils read 32-bit files too, so a 64-bit file is named for what it is.
TOOLS = "x86_64-w64-mingw32"
README = "说明.txt"
PROGRAMS = {"Zorvane.exe": "Windows GUI", "ZorvaneReport.exe": "Windows CUI", "zarlib.dll": None}
FILES = {"Zorvane.exe", "zarlib.dll", "Quillot.chm", "ZorvaneReport.exe", README}
LIBRARY_EXPORTS = {"GetFilePath", "GetLnkCmdline"}
XP_VERSION = ("5", "1")


def read(*path, mode="r"):
    with open(os.path.join(ROOT, *path), mode, **({} if "b" in mode else {"encoding": "utf-8"})) as f:
        return f.read()


SOURCE_RC = read("res", "zorvane.rc")
MANIFEST = read("res", "zorvane.manifest", mode="rb")
# (DLL, function) pairs, and the DLLs they name: Windows' own.
ALLOWED = {(dll.lower(), function) for dll, function in
           (line.split() for line in read("release", "xp-imports.txt").splitlines()
            if line.strip() and not line.startswith("#"))}
WINDOWS_DLLS = {dll for dll, _ in ALLOWED}

faults = []


def fault(text):
    faults.append(text)


def tool(name, *args):
    """What the binutils tool prints, or None (a fault) when it fails."""
    # Their messages are translated, and what is parsed here must not be.
    run = subprocess.run([f"{TOOLS}-{name}", *args], capture_output=True, text=True, env={**os.environ, "LC_ALL": "C"})
    if run.returncode != 0:
        fault(f"{name} {' '.join(args)}: {run.stderr.strip()}")
        return None
    return run.stdout


def parse_pe(path):
    """Header values and exports as `objdump -p` prints them, and the imports by DLL as the
    loader finds them (see imports)."""
    text = tool("objdump", "-p", path)
    if text is None:
        return None
    header = {"format": re.search(r"file format (\S+)", text).group(1)}
    for key, value in re.findall(r"^(\w+)\s+(.+?)\s*$", text, re.M):
        header.setdefault(key, " ".join(value.split()))
    exports = []
    if "[Ordinal/Name Pointer] Table" in text:
        table = text.split("[Ordinal/Name Pointer] Table", 1)[1].split("\n\n", 1)[0]
        exports = re.findall(r"^\t\[\s*\d+\] (\S+)$", table, re.M)
    return header, imports(path), exports


def imports(path):
    """The functions a PE32 file imports, at load and delayed, by DLL, read from its import
    and delay import directories: objdump lists no delayed imports, and finds the import
    table in the .idata section even when the directory that the loader reads is empty."""
    base = os.path.basename(path)
    with open(path, "rb") as f:
        data = f.read()

    def unpack(form, offset):
        return struct.unpack_from(form, data, offset)

    try:
        pe = unpack("<I", 0x3C)[0]
        sections, optional = unpack("<H", pe + 6)[0], unpack("<H", pe + 20)[0]
        if unpack("<H", pe + 24)[0] != 0x10B:
            return {}  # not PE32: the format check names it
        image_base = unpack("<I", pe + 24 + 28)[0]
        load, _ = unpack("<II", pe + 24 + 96 + 1 * 8)
        delayed, _ = unpack("<II", pe + 24 + 96 + 13 * 8)
        table = [unpack("<IIIII", pe + 24 + optional + 40 * i + 8) for i in range(sections)]

        def offset(rva):
            for size, address, raw_size, raw, _ in table:
                if address <= rva < address + max(size, raw_size):
                    return raw + rva - address
            raise ValueError(f"RVA {rva:#x} is in no section")

        def name(rva):
            start = offset(rva)
            return data[start:data.index(b"\0", start)].decode("ascii")

        found = {}

        def add(dll, names, kind):
            functions = found.setdefault(name(dll).lower(), [])
            entry = offset(names)
            while thunk := unpack("<I", entry)[0]:
                if thunk & 0x80000000:
                    fault(f"{base}: {kind} from {name(dll)} by ordinal ({thunk & 0xFFFF}), not by name")
                else:
                    functions.append(name(thunk - based + 2))
                entry += 4

        # Descriptors of five fields: the names' table first (or, without one, the addresses'
        # table, which holds the names until the loader fills it), the DLL's name fourth.
        based = 0
        while load:
            names, _, _, dll, addresses = unpack("<IIIII", offset(load))
            if not dll:
                break
            add(dll, names or addresses, "an import")
            load += 20
        # Descriptors of eight: attributes, the DLL's name, its handle, then the address and
        # name tables. The first linkers that made them wrote addresses (attributes' bit 0 clear).
        while delayed:
            attributes, dll, _, _, names = unpack("<IIIII", offset(delayed))
            if not dll:
                break
            based = 0 if attributes & 1 else image_base
            add(dll - based, names - based, "a delayed import")
            delayed += 32
        return found
    except (struct.error, ValueError) as error:
        fault(f"{base}: unreadable import directory: {error}")
        return {}


def version_record(rc_text):
    """The version numbers and texts of a resource script's VERSIONINFO block."""
    record = {}
    for key in ("FILEVERSION", "PRODUCTVERSION"):
        numbers = re.search(rf"^\s*{key}\s+([\d,\s]+?)\s*$", rc_text, re.M)
        record[key] = re.sub(r"\s", "", numbers.group(1)) if numbers else None
    for key in ("FileVersion", "ProductVersion", "FileDescription", "ProductName"):
        value = re.search(rf'VALUE "{key}", "([^"]*)"', rc_text)
        record[key] = value.group(1) if value else None
    return record


def rc_string(literals):
    """The bytes of the quoted strings that windres writes for a raw resource: C escapes, and
    a quote doubled."""
    def unescape(match):
        escaped = match.group(1)
        if escaped[:1].isdigit():
            return bytes([int(escaped, 8)])
        return {b"n": b"\n", b"r": b"\r", b"t": b"\t"}.get(escaped, escaped)

    return b"".join(re.sub(rb"\\([0-7]{1,3}|.)", unescape, literal.replace('""', '"').encode("latin-1"))
                    for literal in literals)


def check_resources(name, path, program):
    text = tool("windres", "-i", path, "-O", "rc")
    if text is None:
        return
    record = version_record(text)
    if record != version_record(SOURCE_RC):
        fault(f"{name}: version record {record} is not the resource script's {version_record(SOURCE_RC)}")
    if not program:
        print(f"  version record: FileVersion {record['FileVersion']}")
        return
    groups = len(re.findall(r"^\S+ 14 /\* RT_GROUP_ICON \*/", text, re.M))
    icons = len(re.findall(r"^\S.*\bICON\s+\"", SOURCE_RC, re.M))
    if groups != icons:
        fault(f"{name}: {groups} icons, the resource script has {icons}")
    block = re.search(r"^1 24 /\* RT_MANIFEST \*/\nBEGIN\n(.*?)^END", text, re.M | re.S)
    embedded = rc_string(re.findall(r'^\s*"(.*)"\s*$', block.group(1), re.M)) if block else None
    if embedded != MANIFEST:
        fault(f"{name}: the manifest is missing or not res/zorvane.manifest")
    print(f"  version record: FileVersion {record['FileVersion']}, {groups} icons, manifest")


def check_program(name, path, kind, library_exports=()):
    parsed = parse_pe(path)
    if parsed is None:
        return []
    header, imported, exports = parsed
    print(f"{name}: {header['format']}, {header.get('Magic', '?')}, subsystem {header.get('Subsystem', '?')}, "
          f"OS {header.get('MajorOSystemVersion')}.{header.get('MinorOSystemVersion')}, "
          f"subsystem version {header.get('MajorSubsystemVersion')}.{header.get('MinorSubsystemVersion')}")
    if header["format"] != "pei-i386" or not header.get("Magic", "").startswith("010b"):
        fault(f"{name}: not a 32-bit (PE32, i386) program")
    subsystem = header.get("Subsystem", "")
    dll = int(header.get("Characteristics", "0"), 16) & 0x2000
    if kind and (kind not in subsystem or dll):
        fault(f"{name}: subsystem {subsystem}, expected a {kind} program")
    if not kind and not dll:
        fault(f"{name}: not a DLL")
    for field, label in (("OSystem", "OS"), ("Subsystem", "subsystem")):
        found = (header.get(f"Major{field}Version"), header.get(f"Minor{field}Version"))
        if found != XP_VERSION:
            fault(f"{name}: {label} version {'.'.join(map(str, found))}, Windows XP needs {'.'.join(XP_VERSION)}")
    if not imported.get("kernel32.dll"):
        fault(f"{name}: imports nothing from kernel32.dll, which every Windows program does: "
              f"its import directory is unreadable or empty")
    for library, functions in sorted(imported.items()):
        print(f"  imports from {library}: {len(functions)}" +
              (f" ({', '.join(functions)})" if library == "zarlib.dll" else ""))
        for function in functions:
            if library == "zarlib.dll":
                if function not in library_exports:
                    fault(f"{name}: imports {function} from zarlib.dll, which does not export it")
            elif library not in WINDOWS_DLLS:
                fault(f"{name}: imports {library}, not one of the Windows DLLs of release/xp-imports.txt "
                      f"(a plain Windows has no MinGW runtime DLLs: link it statically)")
                break
            elif (library, function) not in ALLOWED:
                fault(f"{name}: imports {function} from {library}, not known to be in Windows XP SP3 "
                      f"(see release/xp-imports.txt)")
    if exports:
        print(f"  exports: {', '.join(exports)}")
    check_resources(name, path, bool(kind))
    return exports


def check_zip(zip_path):
    base = os.path.basename(zip_path)
    with open(zip_path, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    try:
        with open(zip_path + ".sha256", encoding="ascii") as f:
            if f.read() != f"{digest}  {base}\n":
                fault(f"{base}.sha256 does not hold the zip's SHA-256 in sha256sum's format")
    except OSError:
        fault(f"{base}.sha256 is missing")
    contents, names = {}, []
    with zipfile.ZipFile(zip_path) as archive:
        for info in archive.infolist():
            # Without the UTF-8 flag Python reads a name as code page 437, byte for byte.
            raw = info.filename.encode("utf-8" if info.flag_bits & 0x800 else "cp437")
            name = raw.decode("gbk", errors="replace")
            if name == README and info.flag_bits & 0x800:
                fault(f"{README} is named in UTF-8, which Windows XP's zip folders cannot read")
            contents[name] = archive.read(info)
            names.append(name)
            print(f"{base}: {name} ({info.file_size} bytes)")
    # Counted as they are: a name held twice is a fault, whichever copy an unpacker keeps.
    if sorted(names) != sorted(FILES):
        fault(f"{base} holds {sorted(names)}, expected {sorted(FILES)}, each once")
    print(f"{base}: {os.path.getsize(zip_path)} bytes, SHA-256 {digest}")
    return contents


def check_readme(data):
    try:
        text = data.decode("gbk")
    except UnicodeDecodeError:
        fault(f"{README} is not GBK text")
        return
    if re.search(r"(?<!\r)\n", text) or not text.endswith("\r\n"):
        fault(f"{README} has line ends other than CRLF")
    for name in FILES - {README}:
        if name not in text:
            fault(f"{README} does not say what {name} is")


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.5)
    return False


def top_level_window(title):
    tree = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True).stdout
    return f'"{title}"' in tree


def smoke_run(prefix, arch, contents):
    """Runs the unpacked zip in a fresh prefix of the architecture (win64 or win32): the window
    comes up and closes when asked, and the report prints JSON."""
    print(f"running the unpacked zip in a fresh {arch} Wine prefix, {prefix}")
    env = {**os.environ, "WINEPREFIX": prefix, "WINEARCH": arch, "WINEDEBUG": "-all",
           "LC_ALL": "zh_CN.UTF-8", "LANG": "zh_CN.UTF-8",
           "WINEDLLOVERRIDES": "winemenubuilder.exe=d;mshtml=d;mscoree=d"}
    quiet = {"env": env, "stdin": subprocess.DEVNULL, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
    shutil.rmtree(prefix, ignore_errors=True)
    os.makedirs(prefix)
    # Wine's first process starts services that would keep this script's pipes open.
    subprocess.run(["wineserver", "-p"], start_new_session=True, **quiet)
    try:
        subprocess.run(["wine", "wineboot", "--init"], timeout=300, **quiet)
        folder = os.path.join(prefix, "drive_c", "Zorvane")
        os.makedirs(folder)
        for name, data in contents.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        if top_level_window("Zorvane"):
            fault("a window \"Zorvane\" is open on the display before the program starts")
            return
        window = subprocess.Popen(["wine", "Zorvane.exe"], cwd=folder, **quiet)
        if not wait_for(lambda: top_level_window("Zorvane") or window.poll() is not None, 120):
            fault(f"Zorvane.exe ({arch}): its window did not appear within 120 s")
        elif window.poll() is not None:
            fault(f"Zorvane.exe ({arch}): exited with {window.returncode} before its window appeared")
        else:
            print(f"Zorvane.exe ({arch}): its window \"Zorvane\" is open; asking it to close")
            # Without /f taskkill posts WM_CLOSE to the process's windows, as the close box does.
            subprocess.run(["wine", "taskkill", "/im", "Zorvane.exe"], timeout=60, **quiet)
            try:
                code = window.wait(60)
                print(f"Zorvane.exe ({arch}): closed, exit code {code}")
                if code != 0 or top_level_window("Zorvane"):
                    fault(f"Zorvane.exe ({arch}): exit code {code} after closing its window")
            except subprocess.TimeoutExpired:
                fault(f"Zorvane.exe ({arch}): still running 60 s after it was asked to close")
        report = subprocess.run(["wine", "ZorvaneReport.exe", "--json"], cwd=folder, capture_output=True,
                                env=env, stdin=subprocess.DEVNULL, timeout=300)
        try:
            parsed = json.loads(report.stdout.decode("utf-8"))
            print(f"ZorvaneReport.exe --json ({arch}): exit code {report.returncode}, valid JSON "
                  f"({len(report.stdout)} bytes, keys {', '.join(parsed) if isinstance(parsed, dict) else '-'})")
        except ValueError as error:
            fault(f"ZorvaneReport.exe --json ({arch}) printed no valid JSON ({error}): {report.stdout[:200]!r}")
        if report.returncode != 0:
            fault(f"ZorvaneReport.exe --json ({arch}): exit code {report.returncode}")
    except subprocess.TimeoutExpired as error:
        fault(f"the smoke run timed out: {error}")
    finally:
        subprocess.run(["wineserver", "-k"], **quiet)
        shutil.rmtree(prefix, ignore_errors=True)


def main():
    args = sys.argv[1:]
    prefix = None
    if args[:1] == ["--run"] and len(args) == 3:
        prefix, args = args[1], args[2:]
    if len(args) != 1:
        sys.exit(__doc__)
    zip_path = args[0]
    contents = check_zip(zip_path)
    if README in contents:
        check_readme(contents[README])
    if not contents.get("Quillot.chm", b"").startswith(b"ITSF"):
        fault("Quillot.chm is not a compiled help file")
    with tempfile.TemporaryDirectory() as stage:
        paths = {}
        for name in PROGRAMS:
            if name in contents:
                paths[name] = os.path.join(stage, name)
                with open(paths[name], "wb") as f:
                    f.write(contents[name])
        library_exports = set()
        if "zarlib.dll" in paths:
            library_exports = set(check_program("zarlib.dll", paths["zarlib.dll"], None))
            if library_exports != LIBRARY_EXPORTS:
                fault(f"zarlib.dll exports {sorted(library_exports)}, expected {sorted(LIBRARY_EXPORTS)} by name")
        for name in ("Zorvane.exe", "ZorvaneReport.exe"):
            if name in paths:
                check_program(name, paths[name], PROGRAMS[name], library_exports)
        version = version_record(SOURCE_RC)["FileVersion"]
        if os.path.basename(zip_path) != f"Zorvane-{version}-win32.zip":
            fault(f"the zip is not named after the version {version}")
    if prefix:
        smoke_run(prefix, "win64", contents)
        smoke_run(prefix + "-32", "win32", contents)
    for text in faults:
        print(f"FAULT: {text}", file=sys.stderr)
    if faults:
        sys.exit(f"release check failed: {len(faults)} fault(s)")
    print("release check passed")


if __name__ == "__main__":
    main()
