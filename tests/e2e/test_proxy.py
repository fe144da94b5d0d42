"""Logins through a real HTTP proxy (tinyproxy with Basic authorisation) between the client and the
reference server: settings made in the proxy window, and a "Proxy.cfg" laid before the start.
Wrong proxy credentials are told to the user, and nothing reaches the server until they are right."""

import os
import socket
import stat
import struct
import subprocess
import tempfile

import ozl_e2e as e2e

PROXY_USER = "ozl"
PROXY_PASSWORD = "proxypass"
REFUSED = "Прокси-сервер отказал в доступе: проверьте логин и пароль прокси."


class Tinyproxy:
    """tinyproxy on a free loopback port, allowing 127.0.0.1 with one user and password."""

    def __init__(self, folder):
        probe = socket.socket()
        probe.bind(("127.0.0.1", 0))
        self.port = probe.getsockname()[1]
        probe.close()
        self.log = os.path.join(folder, "tinyproxy.log")
        config = os.path.join(folder, "tinyproxy.conf")
        with open(config, "w") as file:
            file.write("Port %d\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\n"
                       "BasicAuth %s %s\nLogFile \"%s\"\nLogLevel Connect\n"
                       % (self.port, PROXY_USER, PROXY_PASSWORD, self.log))
        self.process = subprocess.Popen(["tinyproxy", "-d", "-c", config],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        e2e.wait_for("tinyproxy", self._listening, timeout=10)

    def _listening(self):
        try:
            socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
            return True
        except OSError:
            return False

    def requests(self):
        """The request lines the proxy received, in order."""
        if not os.path.exists(self.log):
            return []
        with open(self.log, errors="replace") as file:
            return [line.split("): ", 1)[1].strip() for line in file if "Request (file descriptor" in line]

    def close(self):
        self.process.terminate()
        self.process.wait()


def record(host, port, login, password):
    def field(text):
        data = text.encode("cp1251")
        return bytes([len(data)]) + data + bytes(80 - len(data))
    return field(host) + bytes(3) + struct.pack("<i", port) + field(login) + field(password) + bytes(2)


def through_proxy(proxy):
    return lambda: proxy.requests().count("GET http://127.0.0.1:%d/ HTTP/1.0" % e2e.SERVER_PORT)


def type_login(user_id, password):
    login = e2e.login_window()
    e2e.replace_text(login, 112 + 30, 96 + 10, user_id)
    e2e.replace_text(login, 96 + 40, 120 + 10, password)
    e2e.press("Return")


def close_notice(text):
    notice = e2e.wait_for("the notice", lambda: e2e.windows_named("^" + text + "$"))[0]
    e2e.click(notice, 224 + 7, 6 + 6)
    e2e.wait_for("the notice to close", lambda: not e2e.windows_named("^" + text + "$"))


def settings_made_in_the_window(args, proxy):
    client = e2e.Client(args.exe)
    try:
        e2e.click(e2e.login_window(), 20 + 80, 148 + 9)  # "Настройка прокси"
        window = e2e.wait_for("the proxy window", lambda: e2e.windows_named("^Настройка прокси$"))[0]
        e2e.click(window, 164 + 8, 31 + 7)  # Cuseproxy
        e2e.replace_text(window, 16 + 50, 70 + 10, "127.0.0.1")
        e2e.replace_text(window, 144 + 18, 70 + 10, str(proxy.port))
        e2e.click(window, 164 + 8, 98 + 7)  # Cuseproxyauthorization
        e2e.replace_text(window, 64 + 50, 124 + 10, PROXY_USER)
        e2e.replace_text(window, 64 + 50, 148 + 10, "wrong")
        e2e.click(window, 24 + 36, 174 + 9)  # bApply: stores, hides and probes
        e2e.wait_for("the window to hide", lambda: not e2e.windows_named("^Настройка прокси$"))

        stored = os.path.join(client.folder, "Proxy.cfg")
        content = open(stored, "rb").read()
        assert content == record("127.0.0.1", proxy.port, PROXY_USER, "wrong"), content
        assert stat.S_IMODE(os.stat(stored).st_mode) & 0o007 == 0, oct(os.stat(stored).st_mode)

        # The probe and a login are refused by the proxy; the user is told, nothing gets through.
        close_notice(REFUSED)
        assert through_proxy(proxy)() == 1
        type_login("10001", "kot2002")
        close_notice(REFUSED)
        assert e2e.windows_named("^OZL$"), "the login window stays"

        e2e.click(e2e.login_window(), 20 + 80, 148 + 9)
        window = e2e.wait_for("the proxy window", lambda: e2e.windows_named("^Настройка прокси$"))[0]
        e2e.replace_text(window, 64 + 50, 148 + 10, PROXY_PASSWORD)
        e2e.click(window, 24 + 36, 174 + 9)
        e2e.wait_for("the probe", lambda: through_proxy(proxy)() == 3)
        type_login("10001", "kot2002")
        e2e.wait_for("the login to be accepted", lambda: not e2e.windows_named("^OZL$"))
        assert through_proxy(proxy)() >= 4
    finally:
        client.close()


def a_file_laid_beforehand(args, proxy):
    before = through_proxy(proxy)()
    laid = record("127.0.0.1", proxy.port, PROXY_USER, PROXY_PASSWORD)
    client = e2e.Client(args.exe, files={"Proxy.cfg": laid})
    try:
        e2e.wait_for("the probe at the start", lambda: through_proxy(proxy)() == before + 1)
        type_login("10002", "zayka2002")
        e2e.wait_for("the login to be accepted", lambda: not e2e.windows_named("^OZL$"))
        assert through_proxy(proxy)() == before + 2
        assert open(os.path.join(client.folder, "Proxy.cfg"), "rb").read() == laid
    finally:
        client.close()


def main(args):
    folder = tempfile.mkdtemp(prefix="ozl-e2e-proxy-")
    server = e2e.start_real_server(args.server, folder)
    proxy = Tinyproxy(folder)
    try:
        settings_made_in_the_window(args, proxy)
        a_file_laid_beforehand(args, proxy)
    finally:
        proxy.close()
        server.terminate()
        server.wait()


if __name__ == "__main__":
    e2e.run(main)
