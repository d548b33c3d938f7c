#!/usr/bin/env python3
"""Checks the Windows release zip statically, as nothing here can run 32-bit code.

    check-release.py ZIP

The zip must hold exactly the four program files and the Chinese readme, with its SHA-256
beside it. Its programs must be 32-bit (PE32 for i386) and ask for no newer Windows than XP
(5.1): the window a GUI program, the report a console one, the library a DLL that exports
its two functions under their plain names. They may import only the functions of
release/xp-imports.txt and those zarlib.dll exports, and carry the resource script's
version record, icons and manifest. Prints what it found; exits 1 on any fault, naming each.
"""
import hashlib
import os
import re
import subprocess
import sys
import tempfile
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
    """The fields of `objdump -p` that matter here: header values, imports by DLL, exports."""
    text = tool("objdump", "-p", path)
    if text is None:
        return None
    header = {"format": re.search(r"file format (\S+)", text).group(1)}
    for key, value in re.findall(r"^(\w+)\s+(.+?)\s*$", text, re.M):
        header.setdefault(key, " ".join(value.split()))
    # The import tables run from their title to the next line that starts in the first column.
    imports, dll, lines = {}, None, text.split("The Import Tables", 1)[-1].splitlines()[1:]
    for line in lines if "The Import Tables" in text else []:
        if re.match(r"^\S", line):
            break
        named = re.match(r"^\tDLL Name: (\S+)$", line)
        entry = re.match(r"^\t[0-9a-f]+\t\s*\d+\s+(\S+)$", line)
        if named:
            dll = named.group(1).lower()
            imports[dll] = []
        elif not line.strip():
            dll = None
        elif dll and entry:
            imports[dll].append(entry.group(1))
        elif dll and not line.startswith("\tvma:"):
            fault(f"{os.path.basename(path)}: an import that is not by name: {line.strip()!r}")
    exports = []
    if "[Ordinal/Name Pointer] Table" in text:
        table = text.split("[Ordinal/Name Pointer] Table", 1)[1].split("\n\n", 1)[0]
        exports = re.findall(r"^\t\[\s*\d+\] (\S+)$", table, re.M)
    return header, imports, exports


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


def check_resources(name, path):
    text = tool("windres", "-i", path, "-O", "rc")
    if text is None:
        return
    record = version_record(text)
    if record != version_record(SOURCE_RC):
        fault(f"{name}: version record {record} is not the resource script's {version_record(SOURCE_RC)}")
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
    header, imports, exports = parsed
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
    for library, functions in sorted(imports.items()):
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
    if kind:
        check_resources(name, path)
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
    contents = {}
    with zipfile.ZipFile(zip_path) as archive:
        for info in archive.infolist():
            # Without the UTF-8 flag Python reads a name as code page 437, byte for byte.
            raw = info.filename.encode("utf-8" if info.flag_bits & 0x800 else "cp437")
            name = raw.decode("gbk", errors="replace")
            if name == README and info.flag_bits & 0x800:
                fault(f"{README} is named in UTF-8, which Windows XP's zip folders cannot read")
            contents[name] = archive.read(info)
            print(f"{base}: {name} ({info.file_size} bytes)")
    if set(contents) != FILES or len(contents) != len(FILES):
        fault(f"{base} holds {sorted(contents)}, expected {sorted(FILES)}")
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


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    zip_path = sys.argv[1]
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
    for text in faults:
        print(f"FAULT: {text}", file=sys.stderr)
    if faults:
        sys.exit(f"release check failed: {len(faults)} fault(s)")
    print("release check passed")


if __name__ == "__main__":
    main()
