"""What a Windows user downloads. The installer runs silently into a fresh Wine prefix; the program
starts from its shortcut's folder, logs in to the reference server and writes its history there;
installing again over it keeps the history and the proxy settings, and so does the uninstaller,
which takes the program, its shortcut and its entry in the installed programs. The portable zip
unpacks to one folder from which the program runs and logs in."""

import glob
import os
import re
import shutil
import struct
import subprocess
import tempfile
import zipfile

import ozl_e2e as e2e
from test_real_server import ozl_wire

PREFIXES = os.path.join(e2e.REPO, "build", "wine-packages")
# scripts/wine-run gives a 64-bit installer the 64-bit prefix beside the 32-bit one.
PREFIX = PREFIXES
UNINSTALL_KEY = r"[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OZL]"


def wine_run(exe, *arguments):
    return subprocess.run([os.path.join(e2e.REPO, "scripts", "wine-run"), exe] + list(arguments),
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


def settle():
    """Waits until every program in the prefix has ended (the uninstaller goes on in a copy of
    itself after the one started returns) and its wineserver has written the registry."""
    subprocess.run(["wineserver", "-w"], env=dict(os.environ, WINEPREFIX=PREFIX), capture_output=True)


def unix_path(windows_path):
    drive, rest = windows_path.split(":\\", 1)
    return os.path.join(PREFIX, "drive_" + drive.lower(), *rest.split("\\"))


def shortcut_working_folder(lnk):
    """The working folder of a shell link file, from its string data."""
    data = open(lnk, "rb").read()
    flags = struct.unpack_from("<I", data, 0x14)[0]
    offset = 0x4C
    if flags & 0x01:  # a target id list
        offset += 2 + struct.unpack_from("<H", data, offset)[0]
    if flags & 0x02:  # link info
        offset += struct.unpack_from("<I", data, offset)[0]
    width = 2 if flags & 0x80 else 1
    for bit in (0x04, 0x08, 0x10):  # name, relative path, working folder
        if flags & bit:
            count = struct.unpack_from("<H", data, offset)[0]
            text = data[offset + 2:offset + 2 + count * width].decode("utf-16-le" if width == 2 else "latin-1")
            offset += 2 + count * width
            if bit == 0x10:
                return text.rstrip("\0")  # Wine counts a terminating zero that Windows leaves out
    return None


def uninstall_entry():
    """The installed programs' entry of OZL in the user's registry file, as name -> value."""
    text = open(os.path.join(PREFIX, "user.reg"), encoding="utf-8", errors="replace").read()
    start = text.find(UNINSTALL_KEY)
    if start < 0:
        return None
    section = text[start:].split("\n\n", 1)[0]
    return dict(re.findall(r'^"(\w+)"=(?:str:)?"?([^"\n]*)"?$', section, re.M))


def log_in_and_receive(folder):
    """Kot logs in from the program in a folder; Zayka writes to him; the history file appears."""
    client = e2e.Client(os.path.join(folder, "ozl.exe"), installed=True)
    try:
        e2e.log_in("10001", "kot2002")
        e2e.wait_for("the login to be accepted", lambda: not e2e.windows_named("^OZL$"))
        assert ozl_wire.request(e2e.SERVER_PORT, 4242, "#A10002|zayka2002")[0].startswith(b"#A")
        ozl_wire.request(e2e.SERVER_PORT, 4242, "#S10001|Привет из установленной программы")
        history = os.path.join(folder, "HISTORY", "10002.htm")
        e2e.wait_for("the history file", lambda: os.path.exists(history), timeout=40)
    finally:
        client.close()


def log_in_only(folder):
    client = e2e.Client(os.path.join(folder, "ozl.exe"), installed=True)
    try:
        e2e.log_in("10002", "zayka2002")
        e2e.wait_for("the login to be accepted", lambda: not e2e.windows_named("^OZL$"))
    finally:
        client.close()


def the_installer_installs_keeps_and_uninstalls(args):
    version = re.fullmatch(r"ozl-([0-9.]+)(?:-x64)?-setup\.exe", os.path.basename(args.setup)).group(1)
    assert wine_run(args.setup, "/S") == 0
    settle()
    links = glob.glob(os.path.join(PREFIX, "drive_c", "users", "*", "AppData", "Roaming", "Microsoft", "Windows",
                                   "Start Menu", "Programs", "OZL.lnk"))
    assert len(links) == 1, links
    folder = unix_path(shortcut_working_folder(links[0]))
    assert folder.endswith(os.path.join("AppData", "Local", "Programs", "OZL")), folder
    assert sorted(os.listdir(folder)) == ["HISTORY", "design", "ozl.exe", "sound", "uninstall.exe"], os.listdir(folder)
    entry = uninstall_entry()
    assert entry and entry["DisplayName"] == "OZL" and entry["DisplayVersion"] == version, entry
    assert entry["Publisher"] == "OZL" and entry["DisplayIcon"].endswith("ozl.exe,0"), entry

    log_in_and_receive(folder)
    history = os.path.join(folder, "HISTORY", "10002.htm")
    proxy = os.path.join(folder, "Proxy.cfg")
    with open(proxy, "wb") as settings:
        settings.write(b"\0" * 252)

    assert wine_run(args.setup, "/S") == 0, "installing over itself"
    settle()
    assert os.path.exists(os.path.join(folder, "ozl.exe")) and os.path.exists(history) and os.path.exists(proxy)

    assert wine_run(os.path.join(folder, "uninstall.exe"), "/S") == 0
    settle()
    assert sorted(os.listdir(folder)) == ["HISTORY", "Proxy.cfg"], os.listdir(folder)
    assert os.path.exists(history)
    assert not os.path.exists(links[0])
    assert uninstall_entry() is None


def the_zip_unpacks_to_a_folder_that_runs(args):
    unpacked = tempfile.mkdtemp(prefix="ozl-e2e-zip-")
    try:
        with zipfile.ZipFile(args.portable) as archive:
            archive.extractall(unpacked)
        assert os.listdir(unpacked) == ["OZL"], os.listdir(unpacked)
        folder = os.path.join(unpacked, "OZL")
        assert sorted(os.listdir(folder)) == ["HISTORY", "design", "ozl.exe", "sound"], os.listdir(folder)
        assert os.listdir(os.path.join(folder, "HISTORY")) == []
        log_in_only(folder)
    finally:
        shutil.rmtree(unpacked, ignore_errors=True)


def main(args):
    for package in (args.setup, args.portable):
        assert package and os.path.exists(package), "no package %s: 'make dist' makes them" % package
    # A fresh prefix every run: the installer must not find a trace of an earlier one.
    global PREFIX
    if "-x64-" in os.path.basename(args.setup):
        PREFIX = PREFIXES + "64"
    os.environ["OZL_E2E_WINEPREFIX"] = PREFIXES
    e2e.use_own_wineserver()
    shutil.rmtree(PREFIX, ignore_errors=True)
    folder = tempfile.mkdtemp(prefix="ozl-e2e-server-")
    server = e2e.start_real_server(args.server, folder)
    try:
        the_installer_installs_keeps_and_uninstalls(args)
        the_zip_unpacks_to_a_folder_that_runs(args)
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    e2e.run(main)
