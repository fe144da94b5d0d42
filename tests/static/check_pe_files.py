"""What can be checked of a Windows build without running it: the exe is a GUI program for its
processor, imports only DLLs that every Windows has, carries its version resource and manifest,
and is the very file inside its installer and its portable zip. Machines that execute no 32-bit
code check the 32-bit build this way only."""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

MACHINES = {"i386": (0x014C, 0x10B), "amd64": (0x8664, 0x20B)}  # COFF machine, optional header magic
SUBSYSTEM_GUI = 2
RT_VERSION, RT_MANIFEST = 16, 24
# DLLs that ship with every Windows the program supports; nothing else may be needed beside the exe.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msimg32.dll", "comctl32.dll", "ws2_32.dll",
               "winmm.dll", "shell32.dll", "ole32.dll", "oleaut32.dll", "advapi32.dll", "msvcrt.dll",
               "version.dll"}


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise AssertionError("not an MZ file")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise AssertionError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + (96 if self.magic == 0x10B else 112)
        count = struct.unpack_from("<I", data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(count)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw_pointer in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_pointer + rva - address
        raise AssertionError("address %#x is in no section" % rva)

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imported_dlls(self):
        dlls = []
        for index, size in ((1, 20), (13, 32)):  # imports, delay-load imports
            if index >= len(self.directories) or not self.directories[index][0]:
                continue
            entry = self.offset(self.directories[index][0])
            name_field = 12 if index == 1 else 4
            while any(self.data[entry:entry + size]):
                dlls.append(self.c_string(struct.unpack_from("<I", self.data, entry + name_field)[0]).lower())
                entry += size
        return dlls

    def resource(self, kind):
        """The data of the first resource of a type, or None."""
        base = self.offset(self.directories[2][0])

        def first_leaf(directory, want=None):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                if want is not None and name != want:
                    continue
                if target & 0x80000000:
                    return first_leaf(base + (target & 0x7FFFFFFF))
                rva, size = struct.unpack_from("<II", self.data, base + target)
                start = self.offset(rva)
                return self.data[start:start + size]
            return None
        return first_leaf(base, kind)


def check_exe(data, machine, version):
    pe = PeFile(data)
    coff_machine, magic = MACHINES[machine]
    assert (pe.machine, pe.magic) == (coff_machine, magic), "not a %s PE file: machine %#x, magic %#x" % (
        machine, pe.machine, pe.magic)
    assert pe.subsystem == SUBSYSTEM_GUI, "subsystem %d, not a GUI program" % pe.subsystem
    foreign = [dll for dll in pe.imported_dlls() if dll not in SYSTEM_DLLS]
    assert not foreign, "imports DLLs that Windows does not ship: %s" % foreign
    version_info = pe.resource(RT_VERSION)
    assert version_info, "no version resource"
    for key, value in (("ProductVersion", version), ("FileVersion", version)):
        pair = (key + "\0").encode("utf-16-le")
        at = version_info.find(pair)
        assert at >= 0, "the version resource has no %s" % key
        start = (at + len(pair) + 3) & ~3  # the value starts on a 32-bit boundary
        assert version_info[start:].startswith((value + "\0").encode("utf-16-le")), "%s is not %s" % (key, value)
    manifest = pe.resource(RT_MANIFEST)
    assert manifest and b"asInvoker" in manifest and b"Microsoft.Windows.Common-Controls" in manifest, \
        "no manifest asking for the common controls without elevation"


def exe_in_installer(setup):
    """The ozl.exe that the installer carries, unpacked by 7-Zip (which reads NSIS installers)."""
    folder = tempfile.mkdtemp(prefix="ozl-setup-")
    try:
        subprocess.run(["7z", "x", "-y", "-o" + folder, setup, "ozl.exe"], check=True, capture_output=True)
        with open(os.path.join(folder, "ozl.exe"), "rb") as exe:
            return exe.read()
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--machine", choices=sorted(MACHINES), required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--setup", required=True)
    parser.add_argument("--portable", required=True)
    args = parser.parse_args()
    try:
        with open(args.exe, "rb") as exe:
            built = exe.read()
        check_exe(built, args.machine, args.version)
        for package in (args.setup, args.portable):
            assert os.path.exists(package), "no package %s: 'make dist' makes it" % package
        assert PeFile(open(args.setup, "rb").read()).machine == MACHINES[args.machine][0], \
            "the installer is not a %s program" % args.machine
        with zipfile.ZipFile(args.portable) as archive:
            assert archive.read("OZL/ozl.exe") == built, "the zip holds another ozl.exe"
        assert exe_in_installer(args.setup) == built, "the installer holds another ozl.exe"
    except AssertionError as failure:
        print("FAILED:", failure)
        return 1
    print("passed: %s is a %s GUI program with its version and manifest, in its installer and zip" % (
        os.path.basename(args.exe), args.machine))
    return 0


if __name__ == "__main__":
    sys.exit(main())
