#!/usr/bin/env python3
"""Checks that the release check finds what it is there to find.

    check-release-faults.py ZIP

Rebuilds the release zip unchanged, then with a fault each: Zorvane.exe's import directory
zeroed, and a second identical Zorvane.exe entry. check-release.py must pass the first and
fail each other, naming the fault. Exits 1 otherwise.
"""
import hashlib
import os
import struct
import subprocess
import sys
import tempfile
import warnings
import zipfile

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check-release.py")


class RawName(zipfile.ZipInfo):
    """An entry written under its name's bytes as they were, without the UTF-8 flag: the
    readme's name is in the code page, as in the release."""

    def _encodeFilenameFlags(self):
        return self.raw_name, self.flag_bits & ~0x800


def entries(zip_path):
    with zipfile.ZipFile(zip_path) as archive:
        return [(info.filename.encode("utf-8" if info.flag_bits & 0x800 else "cp437"), archive.read(info))
                for info in archive.infolist()]


def zero_import_directory(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    directory = pe + 24 + 96 + 1 * 8
    return data[:directory] + bytes(8) + data[directory + 8:]


def check(zip_path, content, stage):
    """check-release.py's exit code and standard error for a zip of these entries."""
    folder = os.path.join(stage, str(len(os.listdir(stage))))
    os.makedirs(folder)
    path = os.path.join(folder, os.path.basename(zip_path))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        for raw, data in content:
            info = RawName(raw.decode("latin-1"), date_time=(2007, 7, 24, 0, 0, 0))
            info.raw_name = raw
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data)
    with open(path, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    with open(path + ".sha256", "w", encoding="ascii") as f:
        f.write(f"{digest}  {os.path.basename(path)}\n")
    run = subprocess.run([sys.executable, CHECK, path], capture_output=True, text=True)
    return run.returncode, run.stderr


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    # The doubled entry is the point of one case.
    warnings.filterwarnings("ignore", "Duplicate name", UserWarning)
    zip_path = sys.argv[1]
    original = entries(zip_path)
    zeroed = [(raw, zero_import_directory(data) if raw == b"Zorvane.exe" else data) for raw, data in original]
    doubled = original + [entry for entry in original if entry[0] == b"Zorvane.exe"]
    cases = [
        ("unchanged", original, None),
        ("Zorvane.exe's import directory zeroed", zeroed, "Zorvane.exe: imports nothing from kernel32.dll"),
        ("a second Zorvane.exe", doubled, "each once"),
    ]
    failed = False
    with tempfile.TemporaryDirectory() as stage:
        for title, content, expected in cases:
            code, errors = check(zip_path, content, stage)
            if expected is None:
                ok = code == 0
            else:
                ok = code != 0 and expected in errors
            print(f"release check, {title}: exit code {code}, {'as expected' if ok else 'WRONG'}")
            if not ok:
                print(errors, file=sys.stderr)
                failed = True
    if failed:
        sys.exit("the release check does not find its faults")
    print("the release check finds its faults")


if __name__ == "__main__":
    main()
