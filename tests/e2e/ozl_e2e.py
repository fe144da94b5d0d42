"""Black-box scenarios: the real ozl.exe under Wine on an X display, driven with xdotool, talking
to a scripted or real server on 127.0.0.1:5190.

The client always talks to port 5190, so every scenario runs in a network namespace of its own
when the machine allows one; another server on this machine's 5190 (for example 'make run') is
then out of the way. Wine's sockets are made by its wineserver, so the scenarios use a Wine prefix
of their own whose wineserver is started afresh inside the namespace.
"""

import argparse
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SERVER_PORT = 5190
# Where the reference server listens when a relay stands on SERVER_PORT in its place.
RELAYED_SERVER_PORT = 5191

sys.path.insert(0, os.path.join(REPO, "tests", "server"))
import ozl_wire  # noqa: E402


def enter_private_network():
    """Re-runs this script in a new network namespace with its own loopback, if allowed."""
    if os.environ.get("OZL_E2E_NETNS") or shutil.which("unshare") is None:
        return
    env = dict(os.environ, OZL_E2E_NETNS="1")
    probe = subprocess.run(["unshare", "--net", "true"], capture_output=True)
    if probe.returncode != 0:
        return
    command = ["unshare", "--net", "sh", "-c", 'ip link set lo up && exec "$@"', "sh",
               sys.executable] + sys.argv
    sys.exit(subprocess.call(command, env=env))


def use_own_wineserver():
    """Ends the scenarios' wineservers (of the 32-bit prefix and of the 64-bit one beside it),
    wherever they were started; the next Wine program starts one here, in this network namespace."""
    global _booted
    os.environ["OZL_WINEPREFIX"] = os.environ.get("OZL_E2E_WINEPREFIX", os.path.join(REPO, "build", "wine-e2e"))
    # Wine's errors go to the report of a program that failed to start; its fixmes are noise.
    os.environ["WINEDEBUG"] = "fixme-all"
    for prefix in (os.environ["OZL_WINEPREFIX"], os.environ["OZL_WINEPREFIX"] + "64"):
        env = dict(os.environ, WINEPREFIX=prefix)
        if os.path.exists(os.path.join(prefix, "system.reg")):
            subprocess.run(["wineserver", "-k"], env=env, capture_output=True)
            subprocess.run(["wineserver", "-w"], env=env, capture_output=True)
    _booted = False


_booted = False  # whether the scenarios' wineserver runs with its session booted
BOOT_SECONDS = 120


def boot_own_wineserver(exe):
    """Creates the prefix when it is missing and boots its session before the first program
    starts, so that no scenario's wait for a first window includes either. A boot that stalls is
    reported with what Wine said, and tried once more on a fresh wineserver."""
    global _booted
    if _booted:
        return
    for attempt in (1, 2):
        with tempfile.NamedTemporaryFile(prefix="ozl-e2e-boot-", suffix=".log") as log:
            started = time.monotonic()
            boot = subprocess.Popen([os.path.join(REPO, "scripts", "wine-boot"), exe],
                                    stdout=log, stderr=subprocess.STDOUT, process_group=0)
            try:
                status = boot.wait(timeout=BOOT_SECONDS)
            except subprocess.TimeoutExpired:
                status = None
            if status == 0:
                _booted = True
                return
            what = ("has not booted after %d s" % BOOT_SECONDS if status is None
                    else "failed to boot (exit status %d) after %.0f s" % (status, time.monotonic() - started))
            running = wine_processes()
            end_group(boot)
            print("note: the Wine session %s, attempt %d. What Wine said and ran:\n%s%s"
                  % (what, attempt, tail(log), running), flush=True)
            use_own_wineserver()
    raise AssertionError("the Wine session did not boot")


def tail(log, size=2000):
    """The end of what a program wrote to a log file that it may still be writing."""
    log.flush()
    with open(log.name, "rb") as again:
        return again.read()[-size:].decode("utf-8", "replace")


def wine_processes():
    return subprocess.run("xdotool search --onlyvisible --name . getwindowname %@; "
                          "ps -eo pid,etimes,args | grep -i -E 'wine|[.]exe' | grep -v grep",
                          shell=True, capture_output=True).stdout.decode("utf-8", "replace")


def end_group(process):
    """Kills a process started in a group of its own, with whatever it started there (a script
    that has not yet become the program leaves its children behind otherwise)."""
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    process.wait()


def arguments():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--server")
    parser.add_argument("--setup", help="the installer, where the build makes one")
    parser.add_argument("--portable", help="the portable zip, where the build makes one")
    parser.add_argument("--long", action="store_true", help="the long version of a scenario, where it has one")
    return parser.parse_args()


def wait_for(what, condition, timeout=30.0, interval=0.1):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(interval)


class ScriptedServer:
    """Accepts requests on 127.0.0.1:5190, records their bytes and answers each with the next
    scripted body (an empty body when the script has run out)."""

    def __init__(self, bodies=()):
        self.requests = []
        self.bodies = list(bodies)
        self.lock = threading.Lock()
        self.open()

    def open(self):
        """Listens (again, after `close`)."""
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", SERVER_PORT))
        self.listener.listen(16)
        threading.Thread(target=self._serve, args=(self.listener,), daemon=True).start()

    def _serve(self, listener):
        while True:
            try:
                connection, _ = listener.accept()
            except OSError:
                return
            self._answer(connection)

    def _answer(self, connection):
        with connection:
            data = read_request(connection)
            with self.lock:
                self.requests.append(data)
                body = self.bodies.pop(0) if self.bodies else b""
            connection.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + body)

    def received(self):
        with self.lock:
            return list(self.requests)

    def close(self):
        # A listener closed while accept() waits stays open until accept() returns: wake it.
        try:
            self.listener.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.listener.close()


class Relay(ScriptedServer):
    """Stands on 127.0.0.1:5190 in the reference server's place and hands every request on to the
    server on RELAYED_SERVER_PORT, each connection on a thread of its own. The server's answer
    goes back through `deliver`, which subclasses change: whatever they do, the server has carried
    the command out. When the server gives no answer (it is down, or killed on the way) the
    client's connection is reset, as the server's own would be.
    `delivered` lists (time, Data) of the answers that reached the client whole."""

    def __init__(self):
        self.delivered = []
        super().__init__()

    def delivered_at(self, text):
        """When the client first had the answer to the message `text` whole, or None."""
        with self.lock:
            return next((at for at, data in self.delivered if data.endswith(b"|" + text.encode() + b" ")), None)

    def _answer(self, connection):
        threading.Thread(target=self._relay, args=(connection,), daemon=True).start()

    def _relay(self, connection):
        with connection:
            request = read_request(connection)
            if not request.endswith(b"\r\n\r\n"):
                return
            command = header(request, b"Data") or b""
            try:
                with socket.create_connection(("127.0.0.1", RELAYED_SERVER_PORT), timeout=30) as server:
                    server.sendall(request)
                    answer = read_to_end(server)
            except OSError:
                answer = b""
            if not answer:
                return reset(connection)
            try:
                whole = self.deliver(connection, command, answer)
            except OSError:
                whole = False
            if whole:
                with self.lock:
                    self.delivered.append((time.monotonic(), command))

    def deliver(self, connection, command, answer):
        """Sends the answer on; says whether the client had it whole."""
        connection.sendall(answer)
        return True


def reset(connection):
    """Ends a connection with a reset instead of an orderly close."""
    connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    connection.close()


class Recipient:
    """Zayka, polling the reference server on `port` straight from a session of her own; she logs
    in again when the server forgot her. `received` holds the texts of Kot's messages, in order."""

    SESSION = 4242

    def __init__(self, port):
        self.port = port
        self.received = []
        self.log_in()

    def log_in(self):
        self._take(ozl_wire.request(self.port, self.SESSION, "#A10002|zayka2002"))

    def send(self, command):
        ozl_wire.request(self.port, self.SESSION, command)

    def poll(self):
        try:
            lines = ozl_wire.request(self.port, self.SESSION, "#PING")
        except (OSError, RuntimeError):
            return
        if lines and lines[0].startswith(b"#0"):
            return self.log_in()
        self._take(lines)

    def wait_for(self, texts, timeout=30):
        def all_arrived():
            self.poll()
            return all(text in self.received for text in texts)
        try:
            wait_for("the messages at the recipient", all_arrived, timeout=timeout, interval=0.5)
        except AssertionError:
            raise AssertionError("the recipient waited in vain for %s"
                                 % [text for text in texts if text not in self.received])

    def count(self, typed):
        """Prints and returns how many of the typed messages arrived, twice or more, or not at all."""
        doubled = len(self.received) - len(set(self.received))
        lost = len([text for text in typed if text not in self.received])
        print("typed %d messages, the recipient got %d: %d doubled, %d lost"
              % (len(typed), len(self.received), doubled, lost), flush=True)
        return doubled, lost

    def _take(self, lines):
        # The client ends each line of a message with a blank.
        prefix = b"#S10001|Kot|"
        self.received += [line[len(prefix):].decode("cp1251").rstrip(" ") for line in lines
                          if line.startswith(prefix)]


def read_to_end(connection):
    received = b""
    while True:
        chunk = connection.recv(65536)
        if not chunk:
            return received
        received += chunk


def read_request(connection):
    """A request's bytes up to the end of its header, or whatever came before the client closed."""
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = connection.recv(65536)
        if not chunk:
            break
        data += chunk
    return data


def header(request, name):
    for line in request.split(b"\r\n")[1:]:
        if line.startswith(name + b": "):
            return line[len(name) + 2:]
    return None


class Client:
    """ozl.exe started under Wine in a fresh folder of its own (icons, sounds, empty HISTORY, and
    the help file a first start leaves, unless the scenario asks for a first start), or in the
    folder where it is installed. `files` maps further file names to the bytes laid in a fresh
    folder before the start."""

    latest = None  # the client started last, the one whose first window a scenario waits for

    def __init__(self, exe, installed=False, first_start=False, files=None):
        self.installed = installed
        if installed:
            self.folder = os.path.dirname(os.path.abspath(exe))
        else:
            self.folder = tempfile.mkdtemp(prefix="ozl-e2e-")
            source = os.path.dirname(os.path.abspath(exe))
            shutil.copy(exe, self.folder)
            for name in ("design", "sound"):
                shutil.copytree(os.path.join(source, name), os.path.join(self.folder, name))
            os.mkdir(os.path.join(self.folder, "HISTORY"))
            laid = dict(files or {})
            if not first_start:
                laid.setdefault("readme.txt", b"")
            for name, content in laid.items():
                with open(os.path.join(self.folder, name), "wb") as file:
                    file.write(content)
        self.exe = os.path.join(self.folder, os.path.basename(exe))
        # What Wine prints (a crash, a failed start) is kept beside the folder for the report.
        self.log = tempfile.NamedTemporaryFile(prefix="ozl-e2e-wine-", suffix=".log", delete=False)
        self.start()
        Client.latest = self

    def start(self):
        boot_own_wineserver(self.exe)
        self.process = subprocess.Popen([os.path.join(REPO, "scripts", "wine-run"), self.exe],
                                        stdout=self.log, stderr=subprocess.STDOUT, process_group=0)

    def restart(self):
        """Ends the program and its wineserver and starts it again."""
        end_group(self.process)
        use_own_wineserver()
        self.start()

    def wine_output(self):
        return tail(self.log)

    def close(self):
        if self.process.poll() is None:
            end_group(self.process)
        # Whatever the killed program left behind in the scenarios' prefix goes with its wineserver.
        use_own_wineserver()
        self.log.close()
        os.unlink(self.log.name)
        if not self.installed:
            shutil.rmtree(self.folder, ignore_errors=True)


def xdotool(*args):
    result = subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, text=True)
    return result.stdout.strip()


def windows_named(pattern):
    """X windows of the client whose name (the window title) matches a regular expression."""
    found = xdotool("search", "--classname", "--onlyvisible", "ozl.exe")
    names = []
    for window in found.split():
        name = xdotool("getwindowname", window)
        if re.search(pattern, name):
            names.append(window)
    return names


def window_geometry(window):
    lines = xdotool("getwindowgeometry", "--shell", window).splitlines()
    values = dict(line.split("=", 1) for line in lines if "=" in line)
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def click(window, x, y):
    """A left click at a point of a window, as the user makes it."""
    left, top, _, _ = window_geometry(window)
    xdotool("mousemove", "--sync", left + x, top + y)
    xdotool("click", 1)


def type_text(text):
    xdotool("type", "--delay", 30, text)


CYRILLIC_KEYSYMS = dict(zip(
    "абвгдеёжзийклмнопрстуфхцчшщъыьэюя",
    ["a", "be", "ve", "ghe", "de", "ie", "io", "zhe", "ze", "i", "shorti", "ka", "el", "em", "en", "o",
     "pe", "er", "es", "te", "u", "ef", "ha", "tse", "che", "sha", "shcha", "hardsign", "yeru",
     "softsign", "e", "yu", "ya"]))


def type_russian(text):
    """Types Russian text by keysym names, which reach Wine whatever the keyboard's layout.
    xdotool lends each keysym a spare key for the moment of its press; on a busy machine Wine may
    read the key after its loan has ended, and the letter is lost: `type_russian_surely` checks."""
    for character in text:
        name = CYRILLIC_KEYSYMS.get(character.lower())
        if name is None:
            type_text(character)
        else:
            press(("shift+Cyrillic_" if character.isupper() else "Cyrillic_") + name)


def type_russian_surely(exe, window, text):
    """Types Russian text into the focused one-line field of an X window until the field holds
    it; a try that lost a letter is typed over."""
    title = xdotool("getwindowname", window)
    for _ in range(5):
        type_russian(text)
        shown = [shown for _, shown in control_texts(exe, title, window) or []]
        if text in shown:
            return
        press("End")
        press("shift+Home")
    raise AssertionError("the text %r could not be typed into %r, which shows %r" % (text, title, shown))


def replace_text(window, x, y, text):
    """Clicks a one-line field and types `text` over whatever it held."""
    click(window, x, y)
    press("End")
    press("shift+Home")
    type_text(text)


def press(key):
    xdotool("key", key)


MESSAGE_BOX = (15 + 100, 184 + 20)  # Msend of a message window
SEND_BUTTON = (32 + 20, 230 + 9)  # Bsend


def send_private_message(window, text):
    """Types a message into a message window and sends it with its button."""
    click(window, *MESSAGE_BOX)
    type_text(text)
    click(window, *SEND_BUTTON)


# While the server is away, an error box that a failing poll brings up as the user types takes
# his keys or his click. The helpers below read the message box back (with ozl_probe), close the
# boxes and do the step again; `keep` names the windows that are no notices, and they return the
# titles of the notices they closed.

def composing(exe, window):
    edits = [text for kind, text in control_texts(exe, xdotool("getwindowname", window)) or []
             if kind.lower() == "edit"]
    return edits[-1] if edits else None


def type_private_message_surely(exe, window, text, *keep):
    notices = []
    for _ in range(5):
        notices += close_boxes_and_notices(*keep)
        left_over = composing(exe, window) or ""
        click(window, *MESSAGE_BOX)
        if left_over:
            press("ctrl+End")
            xdotool("key", "--repeat", len(left_over), "BackSpace")
        type_text(text)
        if composing(exe, window) == text:
            return notices
    raise AssertionError("the message %r could not be typed" % text)


def send_private_message_surely(exe, window, text, *keep):
    notices = []
    for _ in range(5):
        notices += type_private_message_surely(exe, window, text, *keep)
        click(window, *SEND_BUTTON)
        if composing(exe, window) == "":
            return notices
    raise AssertionError("the message %r could not be sent" % text)


def covers(geometry, point):
    left, top, width, height = geometry
    return left <= point[0] < left + width and top <= point[1] < top + height


def close_boxes_and_notices(*keep):
    """After the login (the login window hidden): closes the error boxes and the notices as the
    user does, leaving the windows titled `keep`; returns the notices' titles."""
    def closed():
        boxes = windows_named("^OZL$")
        for box in boxes:
            # A message window raised by an incoming line may cover the box, and take the focus.
            xdotool("windowraise", box)
            left, top, width, height = window_geometry(box)
            notices = [window for window in windows_named(".")
                       if window not in boxes and xdotool("getwindowname", window) not in keep]
            for notice in notices:
                if covers(window_geometry(notice), (left + width // 2, top + height - 25)):
                    # A notice shown again while the box is open stays on top of it and hides OK;
                    # it may take no clicks while the box is open: it is moved aside, where
                    # nothing is clicked.
                    xdotool("windowmove", "--sync", notice, 10, 100)
            click(box, width // 2, height - 25)  # OK
        return not boxes
    # A box of a request that timed out under the fault may open while others close.
    wait_for("the error boxes to close", closed, timeout=30, interval=0.3)
    notices = [window for window in windows_named(".") if xdotool("getwindowname", window) not in keep]
    titles = [xdotool("getwindowname", window) for window in notices]
    for notice in notices:
        xdotool("windowraise", notice)
        click(notice, 224 + 7, 6 + 6)  # its close button
    return titles


class ProgramEnded(Exception):
    def __init__(self, status):
        super().__init__("the program ended (exit status %s) before its first window" % status)


FIRST_START_HELP = "^" + re.escape("© OZL") + "$"


def dismiss_first_start_help():
    """At its first start in a folder the program shows its help before the login window: it is
    closed as a user closes it, with Return."""
    # The session is booted before the program starts, and the program itself shows its first
    # window within about a second. Very rarely its start stalls inside Wine all the same, or
    # the program ends without a window: the scenario then reports what it saw and starts the
    # program once more.
    client = Client.latest

    def first_window():
        if client is not None and client.process.poll() is not None:
            raise ProgramEnded(client.process.returncode)
        return windows_named("^OZL$") or windows_named(FIRST_START_HELP)
    try:
        wait_for("the login window or the help", first_window, timeout=45)
    except (AssertionError, ProgramEnded) as failure:
        if client is None:
            raise
        print("note: %s; started again. What the display and Wine showed:\n%s%s"
              % (failure, wine_processes(), client.wine_output()), flush=True)
        client.restart()
        try:
            wait_for("the login window or the help", first_window, timeout=90)
        except (AssertionError, ProgramEnded) as again:
            raise AssertionError("%s, also when started again. What the display and Wine showed:\n%s%s"
                                 % (again, wine_processes(), client.wine_output()))
    for window in windows_named(FIRST_START_HELP):
        xdotool("windowfocus", "--sync", window)
        press("Return")
        wait_for("the help to close", lambda: not windows_named(FIRST_START_HELP))


def login_window():
    dismiss_first_start_help()
    return wait_for("the login window", lambda: windows_named("^OZL$"))[0]


def log_in(user_id, password=None):
    """Types into the login window as a user does: the id, Tab and the password, then Enter."""
    click(login_window(), 112 + 30, 96 + 10)  # the id field
    type_text(user_id)
    if password is not None:
        press("Tab")
        type_text(password)
    press("Return")


def start_real_server(binary, folder, port=SERVER_PORT):
    """The reference server on 127.0.0.1:`port` with the demo users, its database in `folder`."""
    process = subprocess.Popen([binary, "--listen", "127.0.0.1:%d" % port, "--db",
                                os.path.join(folder, "ozl.db"), "--demo", "--password-cost", "minimal"],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    for line in process.stdout:
        if "listening on" in line:
            return process
    raise AssertionError("the server stopped before listening")


class SecondDisplay:
    """A private Xvfb of its own for a second client, so that two clients' windows (both list
    windows dock at the right edge) do not cover each other. Inside `with display:` the helpers
    here act on it, and a Client made there starts on it."""

    def __init__(self):
        for number in range(141, 190):
            if not os.path.exists("/tmp/.X%d-lock" % number) and not os.path.exists("/tmp/.X11-unix/X%d" % number):
                break
        self.name = ":%d" % number
        self.process = subprocess.Popen(["Xvfb", self.name, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.saved = []
        with self:
            wait_for("the second display", lambda: subprocess.run(["xdpyinfo"], capture_output=True).returncode == 0)

    def __enter__(self):
        self.saved.append(os.environ.get("DISPLAY"))
        os.environ["DISPLAY"] = self.name
        return self

    def __exit__(self, *exception):
        os.environ["DISPLAY"] = self.saved.pop()

    def close(self):
        self.process.terminate()
        self.process.wait()


def control_texts(exe, title, window=None):
    """The class and text of each control of the window titled `title` (of the X window `window`,
    when given), read by the probe program beside the exe: [(class, text), ...], or None when no
    window has that title."""
    probe = os.path.join(os.path.dirname(os.path.abspath(exe)), "ozl_probe.exe")
    wanted = [title] + ([str(window)] if window else [])
    result = subprocess.run([os.path.join(REPO, "scripts", "wine-run"), probe] + wanted,
                            capture_output=True)
    if result.returncode != 0:
        return None
    rows = result.stdout.decode("utf-8", "replace").splitlines()
    return [tuple(row.split("\t", 1)) if "\t" in row else (row, "") for row in rows]


def menu_item(index):
    """Clicks the item `index` (from 0) of the popup menu that has just opened (the newest untitled
    window of the client)."""
    menu = wait_for("the menu", lambda: [w for w in windows_named("^$")][-1:])[0]
    left, top, _, _ = window_geometry(menu)
    xdotool("mousemove", "--sync", left + 40, top + 4 + 17 * index + 8)
    xdotool("click", 1)


def run(scenario):
    """Runs a scenario function; prints the outcome and exits with its status."""
    enter_private_network()
    use_own_wineserver()
    try:
        scenario(arguments())
    except AssertionError as failure:
        print("FAILED:", failure)
        sys.exit(1)
    finally:
        use_own_wineserver()
    print("passed")


def shape_rectangles(window):
    """The rectangles of an X window's bounding shape, as the X SHAPE extension reports them."""
    import ctypes
    import ctypes.util

    class XRectangle(ctypes.Structure):
        _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                    ("width", ctypes.c_ushort), ("height", ctypes.c_ushort)]

    xlib = ctypes.CDLL(ctypes.util.find_library("X11"))
    xext = ctypes.CDLL(ctypes.util.find_library("Xext"))
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xlib.XFree.argtypes = [ctypes.c_void_p]
    xext.XShapeGetRectangles.restype = ctypes.POINTER(XRectangle)
    xext.XShapeGetRectangles.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                         ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int)]
    display = xlib.XOpenDisplay(None)
    count, ordering = ctypes.c_int(), ctypes.c_int()
    shape_bounding = 0
    rectangles = xext.XShapeGetRectangles(display, int(window), shape_bounding,
                                          ctypes.byref(count), ctypes.byref(ordering))
    result = [(rectangles[i].x, rectangles[i].y, rectangles[i].width, rectangles[i].height)
              for i in range(count.value)]
    if rectangles:
        xlib.XFree(rectangles)
    xlib.XCloseDisplay(display)
    return result


class WindowProbe:
    """window_probe.exe (built beside ozl.exe) in the scenarios' prefix: until `result()` it
    times WM_NULL round trips to the client's windows of the given titles and watches its error
    boxes. Started, it waits until it has found the windows."""

    def __init__(self, exe, *titles):
        probe = os.path.join(os.path.dirname(os.path.abspath(exe)), "window_probe.exe")
        self.process = subprocess.Popen([os.path.join(REPO, "scripts", "wine-run"), probe] + list(titles),
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        line = self.process.stdout.readline().strip()
        if line != "ready":
            raise AssertionError("the window probe did not start: %r" % line)

    # The user sees a window that freezes for a second; one that answers late twice in a row is
    # sluggish. A single late answer alone is as often the busy machine's doing as the window's.
    FREEZE_MS = 1000
    SLUGGISH_MS = 200

    @staticmethod
    def responsive(figures):
        """Whether the windows answered in time throughout, by the figures of `result`."""
        return figures["worst_ms"] < WindowProbe.FREEZE_MS and figures["sustained_ms"] < WindowProbe.SLUGGISH_MS

    def result(self):
        """worst_ms, mean_ms, sustained_ms, samples, boxes_max, boxes_seen and the texts of the boxes."""
        output, _ = self.process.communicate("stop\n", timeout=60)
        figures = {"boxes": []}
        for line in output.splitlines():
            if line.startswith("box: "):
                figures["boxes"].append(line[5:])
            elif line.startswith("samples="):
                for pair in line.split():
                    name, value = pair.split("=")
                    figures[name] = float(value)
        if "worst_ms" not in figures:
            raise AssertionError("the window probe gave no figures: %r" % output)
        return figures
