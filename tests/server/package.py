#!/usr/bin/env python3
"""The server's Debian package on a machine without systemd running: dpkg installs it, its unit
passes `systemd-analyze verify`, the unit's command line run as the unit's user serves a login
and the portal, a backup taken under load restores with every message stored before it began,
SIGTERM under load loses no confirmed message and leaves the database closed, an upgrade keeps
the database and the changed configuration, removal keeps them and purge takes everything.

Needs root (or sudo without a password); runs in a network namespace of its own, so the unit's
port 5190 is free. Exits 77 (skipped) where it cannot act or the package is already installed."""
import argparse
import os
import pwd
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ozl_wire import register, request, start_server  # noqa: E402

UNIT = "/lib/systemd/system/ozl-server.service"
CONFIG = "/etc/ozl-server/ozl-server.conf"
STATE = "/var/lib/ozl-server"
SKIPPED = 77
# The unit's User= and Group=; setpriv executes the command itself, so signals reach the server.
AS_SERVICE = ["setpriv", "--reuid=ozl-server", "--regid=ozl-server", "--init-groups", "--"]


def run(*command, **kwargs):
    return subprocess.run(command, check=True, capture_output=True, text=True, **kwargs)


def installed():
    status = subprocess.run(["dpkg-query", "-W", "-f=${Status}", "ozl-server"], capture_output=True, text=True)
    return "installed" in status.stdout or "config-files" in status.stdout


def unit_command():
    for line in open(UNIT):
        if line.startswith("ExecStart="):
            return shlex.split(line.split("=", 1)[1])
    raise AssertionError("the unit has no ExecStart")


class UnitServer:
    """The unit's command line as the unit's user, with its log."""

    def __init__(self):
        self.process = subprocess.Popen(AS_SERVICE + unit_command(),
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        self.log = []
        for line in self.process.stderr:
            self.log.append(line)
            if "listening on" in line:
                threading.Thread(target=lambda: self.log.extend(self.process.stderr), daemon=True).start()
                return
        raise AssertionError("the unit's command stopped before listening: %s" % "".join(self.log))

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        assert self.process.wait(timeout=30) == 0, "".join(self.log)
        time.sleep(0.2)
        return "".join(self.log)


class Writers:
    """Senders writing private messages to recipients who stay offline, so every message stays
    stored; each remembers what the server confirmed and when."""

    def __init__(self, port, count=3):
        self.port = port
        self.pairs = [(register(port, 1, "S%d" % n, "sender-pw"), register(port, 1, "R%d" % n, "recipient-pw"))
                      for n in range(count)]
        self.confirmed = {recipient: [] for _, recipient in self.pairs}
        self.stopping = threading.Event()
        self.threads = []

    def start(self):
        for number, (sender, recipient) in enumerate(self.pairs):
            assert request(self.port, 100 + number, "#A%d|sender-pw" % sender)[0].startswith(b"#A")
            thread = threading.Thread(target=self.write, args=(100 + number, recipient), daemon=True)
            thread.start()
            self.threads.append(thread)

    def write(self, session, recipient):
        counter = 0
        while not self.stopping.is_set():
            counter += 1
            text = ("сообщение %d to %d" % (counter, recipient)).encode("cp1251")
            try:
                lines = request(self.port, session, b"#S%d|" % recipient + text)
            except (OSError, RuntimeError):
                return
            if any(line.endswith(b"|" + text) for line in lines):
                self.confirmed[recipient].append((time.monotonic(), text))

    def stop(self):
        self.stopping.set()
        for thread in self.threads:
            thread.join(timeout=30)


def delivered(port, recipient):
    """Logs the recipient in and returns the texts of the private messages that waited for him."""
    lines = request(port, 9000 + recipient % 1000, "#A%d|recipient-pw" % recipient)
    assert lines and lines[0].startswith(b"#A"), lines
    return [line.split(b"|", 2)[2] for line in lines if line.startswith(b"#S")]


def missing(writers, port, before=None):
    lost = []
    for recipient, confirmed in writers.confirmed.items():
        wanted = [text for at, text in confirmed if before is None or at < before]
        got = set(delivered(port, recipient))
        lost += [text for text in wanted if text not in got]
    return lost


def installs_serves_backs_up_and_stops(deb, binary):
    run("dpkg", "-i", deb)
    user = pwd.getpwnam("ozl-server")
    assert user.pw_uid != 0 and os.stat(STATE).st_uid == user.pw_uid, "the state directory is the service's"
    verify = subprocess.run(["systemd-analyze", "verify", UNIT], capture_output=True, text=True)
    assert verify.returncode == 0 and not verify.stderr.strip(), verify.stderr

    server = UnitServer()
    page = subprocess.run(["python3", "-c", "import urllib.request;print(urllib.request.urlopen("
                           "'http://127.0.0.1:5190/').headers['Content-Type'])"], capture_output=True, text=True)
    assert "text/html" in page.stdout, page.stderr
    user_id = register(5190, 1, "Operator", "operator-pw")
    assert request(5190, 2, "#A%d|operator-pw" % user_id)[0] == b"#AOperator|Operator"
    assert os.stat(os.path.join(STATE, "ozl-server.db")).st_uid == user.pw_uid

    # A backup under load holds every message confirmed before it began.
    writers = Writers(5190)
    writers.start()
    time.sleep(1.0)
    backup = os.path.join(STATE, "backup.db")
    began = time.monotonic()
    run(*AS_SERVICE, "/usr/bin/ozl-server", "--config", CONFIG, "--backup", backup)
    time.sleep(1.0)
    with tempfile.TemporaryDirectory() as folder:
        copy = os.path.join(folder, "restored.db")
        shutil.copy(backup, copy)
        restored, port = start_server(binary, copy)
        try:
            lost = missing(writers, port, before=began)
        finally:
            restored.terminate()
            restored.wait()
    assert not lost, "the backup lacks %d messages confirmed before it: %r" % (len(lost), lost[:3])
    print("backup under load: %d messages confirmed before it, all restored" % sum(
        1 for confirmed in writers.confirmed.values() for at, _ in confirmed if at < began))

    # SIGTERM under load (of new writers: the first ones' recipients are full by now): what was
    # confirmed is there after the restart, and the database was closed.
    writers.stop()
    writers = Writers(5190)
    writers.start()
    time.sleep(0.5)
    log = server.stop()
    writers.stop()
    assert "stopped" in log, log
    assert not os.path.exists(os.path.join(STATE, "ozl-server.db-wal")), "the database was not closed cleanly"
    for secret in ("sender-pw", "recipient-pw", "operator-pw", "сообщение"):
        assert secret not in log, "the log shows %r" % secret
    server = UnitServer()
    try:
        lost = missing(writers, 5190)
    finally:
        server.stop()
    assert not lost, "SIGTERM lost %d confirmed messages: %r" % (len(lost), lost[:3])
    print("SIGTERM under load: %d confirmed messages, none lost" % sum(map(len, writers.confirmed.values())))
    return user_id


def upgrades_removes_and_purges(deb, user_id):
    with open(CONFIG, "a") as config:
        config.write("idle-timeout = 41\n")
    with tempfile.TemporaryDirectory() as folder:
        tree, newer = os.path.join(folder, "tree"), os.path.join(folder, "newer.deb")
        run("dpkg-deb", "-R", deb, tree)
        control = os.path.join(tree, "DEBIAN", "control")
        text = open(control).read()
        version = next(line.split(": ", 1)[1] for line in text.splitlines() if line.startswith("Version: "))
        open(control, "w").write(text.replace("Version: " + version, "Version: %s+1" % version))
        run("dpkg-deb", "--root-owner-group", "-b", tree, newer)
        run("dpkg", "-i", "--force-confdef", "--force-confold", newer)
    assert "idle-timeout = 41" in open(CONFIG).read(), "the upgrade replaced the changed configuration"
    server = UnitServer()
    try:
        assert request(5190, 3, "#A%d|operator-pw" % user_id)[0].startswith(b"#A"), "the upgrade lost the users"
    finally:
        server.stop()

    run("dpkg", "-r", "ozl-server")
    assert not os.path.exists("/usr/bin/ozl-server")
    assert os.path.exists(CONFIG) and os.path.exists(os.path.join(STATE, "ozl-server.db"))
    run("dpkg", "-P", "ozl-server")
    assert not os.path.exists(CONFIG) and not os.path.exists(STATE)
    assert subprocess.run(["getent", "passwd", "ozl-server"], capture_output=True).returncode != 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--deb", required=True)
    parser.add_argument("--server", required=True, help="a server binary to start the restored backup with")
    args = parser.parse_args()
    if os.geteuid() != 0:
        if shutil.which("sudo") and subprocess.run(["sudo", "-n", "true"], capture_output=True).returncode == 0:
            os.execvp("sudo", ["sudo", "-n", sys.executable] + sys.argv)
        print("skipped: installing a package needs root")
        return SKIPPED
    if not os.environ.get("OZL_PACKAGE_NETNS"):
        if subprocess.run(["unshare", "--net", "true"], capture_output=True).returncode != 0:
            print("skipped: no network namespace of our own for port 5190")
            return SKIPPED
        env = dict(os.environ, OZL_PACKAGE_NETNS="1")
        return subprocess.call(["unshare", "--net", "sh", "-c", 'ip link set lo up && exec "$@"', "sh",
                                sys.executable] + sys.argv, env=env)
    if installed():
        print("skipped: ozl-server is installed on this machine; this test installs and purges its own")
        return SKIPPED
    try:
        user_id = installs_serves_backs_up_and_stops(os.path.abspath(args.deb), os.path.abspath(args.server))
        upgrades_removes_and_purges(os.path.abspath(args.deb), user_id)
    except AssertionError as failure:
        print("FAILED:", failure)
        return 1
    finally:
        if installed():
            subprocess.run(["dpkg", "-P", "ozl-server"], capture_output=True)
    print("package: installs, serves, backs up, stops cleanly, upgrades, removes and purges")
    return 0


if __name__ == "__main__":
    sys.exit(main())
