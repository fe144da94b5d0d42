"""The client against a server that misbehaves in one way at a time, each for a few seconds: it
answers one byte per second, sends 100 MB, closes after the status line, resets the connection
in the middle of the body, answers garbage, answers 407 or 500, or never answers. Throughout,
the client's windows answer within 200 ms and at most one error box is open; a message typed
while the fault lasts reaches the server once it behaves again, by the next poll, before a
message typed afterwards. The figures of each fault are printed.

With --long each fault lasts 65 s, beyond the client's time limit of 60 s for a request.
"""

import socket
import struct
import threading
import time

import ozl_e2e as e2e

FAULTS = ["slow", "huge", "status_line_only", "reset", "garbage", "proxy_auth", "server_error", "silent"]
LOGIN_ANSWER = ("#AKot|Kot\r\n#U10002-Zayka-online|~10002-Zayka-online|\r\n"
                "#S10002|Zayka|Привет\r\n").encode("cp1251")
WINDOW_BOUND_MS = 200
POLL_SECONDS = 10


def ok_head(length):
    """The head of an answer, as the reference server writes it."""
    return b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n\r\n" % length


class MisbehavingServer(e2e.ScriptedServer):
    """Serves the client on 127.0.0.1:5190, each connection on a thread of its own, answering as
    the current mode says. `delivered` lists the Data of the requests answered in full."""

    def __init__(self):
        self.mode = "ok"
        self.recovered = threading.Event()
        self.delivered = []
        self.sending = 0  # answers of 100 MB in progress
        super().__init__()

    def fault(self, mode):
        with self.lock:
            self.mode = mode
            self.recovered.clear()

    def behave(self):
        with self.lock:
            self.mode = "ok"
            self.recovered.set()

    def delivered_texts(self):
        with self.lock:
            return [data for _, data in self.delivered if data.startswith(b"#S")]

    def delivered_at(self, text):
        """When the message `text` was first answered in full, or None."""
        with self.lock:
            return next((at for at, data in self.delivered if data.endswith(b"|" + text.encode() + b" ")), None)

    def _answer(self, connection):
        threading.Thread(target=self._misbehave, args=(connection,), daemon=True).start()

    def _misbehave(self, connection):
        data = e2e.read_request(connection)
        if not data.endswith(b"\r\n\r\n"):
            return connection.close()
        with self.lock:
            mode = self.mode
        command = e2e.header(data, b"Data") or b""
        try:
            answered = getattr(self, "_" + mode)(connection, command)
        except OSError:
            answered = False
        connection.close()
        if answered:
            with self.lock:
                self.delivered.append((time.monotonic(), command))

    def _ok(self, connection, command):
        body = LOGIN_ANSWER if command.startswith(b"#A") else b""
        connection.sendall(ok_head(len(body)) + body)
        return True

    def _slow(self, connection, _):
        answer = ok_head(35) + b"#PING\r\n" * 5
        for index in range(len(answer)):
            if self.recovered.is_set():
                connection.sendall(answer[index:])
                return True
            connection.sendall(answer[index:index + 1])
            self.recovered.wait(1.0)
        return True

    def _huge(self, connection, _):
        with self.lock:
            self.sending += 1
        try:
            connection.sendall(ok_head(100 << 20))
            megabyte = (b"x" * 1023 + b"\n") * 1024
            for _ in range(100):
                connection.sendall(megabyte)
            return True
        finally:
            with self.lock:
                self.sending -= 1

    def _status_line_only(self, connection, _):
        connection.sendall(b"HTTP/1.0 200 OK\r\n")
        return False

    def _reset(self, connection, _):
        connection.sendall(ok_head(40) + b"#-half of a li")
        time.sleep(0.2)
        connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        return False

    def _garbage(self, connection, _):
        connection.sendall(b"\x00\x17\xfe garbage \xff\r\n\r\n#-garbage\r\n")
        return False

    def _proxy_auth(self, connection, _):
        connection.sendall(b"HTTP/1.0 407 Proxy Authentication Required\r\n"
                           b"Proxy-Authenticate: Basic realm=\"proxy\"\r\nContent-Length: 0\r\n\r\n")
        return False

    def _server_error(self, connection, _):
        connection.sendall(b"HTTP/1.0 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n")
        return False

    def _silent(self, connection, _):
        connection.settimeout(0.5)
        while not self.recovered.is_set():
            try:
                if connection.recv(1) == b"":
                    return False  # the client gave up waiting
            except socket.timeout:
                pass
        return False


def one_fault(args, server, client, composer, mode, seconds):
    probe = e2e.WindowProbe(args.exe, "Kot", "10002")
    during = "during %s" % mode
    server.fault(mode)
    started = time.monotonic()
    e2e.send_private_message(composer, during)
    time.sleep(seconds)
    # 100 MB take their time: that fault lasts until the client has had enough of them.
    e2e.wait_for("the answers in progress", lambda: not server.sending, timeout=60)
    server.behave()
    ended = time.monotonic()
    time.sleep(1)  # what the end of a fault brings the user is part of it
    figures = probe.result()
    figures["mode"] = mode
    figures["lasted_s"] = ended - started
    delivered = e2e.wait_for("the message typed during " + mode, lambda: server.delivered_at(during),
                             timeout=POLL_SECONDS + 15)
    figures["recovery_s"] = max(0.0, delivered - ended)
    figures["notices"] = e2e.close_boxes_and_notices("Kot", "10002")
    after = "after %s" % mode
    e2e.send_private_message(composer, after)
    e2e.wait_for("the message typed after " + mode, lambda: server.delivered_at(after), timeout=10)
    assert client.process.poll() is None, "the client has ended"
    return figures, [during, after]


def print_row(figures):
    seen = ["box: " + text for text in figures["boxes"]] + ["notice: " + n for n in figures["notices"]]
    print("%-17s lasted %4.1f s, worst %6.1f ms, mean %5.2f ms over %4d, boxes at once %d, recovered in "
          "%4.1f s; the user saw: %s" % (figures["mode"], figures["lasted_s"], figures["worst_ms"],
                                         figures["mean_ms"], figures["samples"], figures["boxes_max"],
                                         figures["recovery_s"], "; ".join(seen) or "nothing"),
          flush=True)


def faults_one_after_another(args):
    seconds = 65 if args.long else 3
    server = MisbehavingServer()
    client = e2e.Client(args.exe)
    all_figures, typed = [], []
    print("each fault lasts %d s" % seconds)
    try:
        e2e.log_in("10001", "kot2002")
        e2e.wait_for("the list window", lambda: e2e.windows_named("^Kot$"))
        composer = e2e.wait_for("the message window", lambda: e2e.windows_named("^10002$"))[0]
        for mode in FAULTS:
            figures, texts = one_fault(args, server, client, composer, mode, seconds)
            print_row(figures)
            all_figures.append(figures)
            typed += texts
        delivered = server.delivered_texts()
        print("typed %d messages, the server took %d, duplicates %d"
              % (len(typed), len(delivered), len(delivered) - len(set(delivered))))
        # Each message arrives, in the order typed; a repeat may only follow itself.
        arrived = [text for i, text in enumerate(delivered) if i == 0 or delivered[i - 1] != text]
        assert [b"#S10002|" + text.encode() + b" " for text in typed] == arrived, arrived
        for figures in all_figures:
            assert figures["worst_ms"] < WINDOW_BOUND_MS, figures
            assert figures["boxes_max"] <= 1, figures
    finally:
        client.close()
        server.close()


if __name__ == "__main__":
    e2e.run(faults_one_after_another)
