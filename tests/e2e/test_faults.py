"""The client against a relay that stands in the reference server's place and spoils its answers
in one way at a time, each for a few seconds, after the server has carried the command out: it
answers one byte per second, sends 100 MB, closes after the status line, resets the connection
in the middle of the answer, answers garbage, answers 407 or 500, or never answers. Throughout,
the client's windows never freeze for a second nor answer later than 200 ms twice in a row, and at
most one error box is open; a message typed while the fault lasts is confirmed to the client once
the relay behaves again, by the next poll, before a message typed afterwards, and the recipient
gets every message exactly once, in order.
The figures of each fault are printed.

With --long each fault lasts 65 s, beyond the client's time limit of 60 s for a request.
"""

import socket
import tempfile
import threading
import time

import ozl_e2e as e2e

FAULTS = ["slow", "huge", "status_line_only", "reset", "garbage", "proxy_auth", "server_error", "silent"]
POLL_SECONDS = 10


def ok_head(length):
    """The head of an answer, as the reference server writes it."""
    return b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n\r\n" % length


class SpoilingRelay(e2e.Relay):
    """Hands the server's answers on as the current mode says."""

    def __init__(self):
        self.mode = "ok"
        self.recovered = threading.Event()
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

    def deliver(self, connection, command, answer):
        with self.lock:
            mode = self.mode
        return getattr(self, "_" + mode)(connection, answer)

    def _ok(self, connection, answer):
        connection.sendall(answer)
        return True

    def _slow(self, connection, answer):
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
            return False  # beyond what the client takes
        finally:
            with self.lock:
                self.sending -= 1

    def _status_line_only(self, connection, _):
        connection.sendall(b"HTTP/1.0 200 OK\r\n")
        return False

    def _reset(self, connection, answer):
        head, _, body = answer.partition(b"\r\n\r\n")
        connection.sendall(head + b"\r\n\r\n" + body[:len(body) // 2] if body else head[:len(head) // 2])
        time.sleep(0.2)
        e2e.reset(connection)
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


def one_fault(args, relay, client, composer, mode, seconds):
    probe = e2e.WindowProbe(args.exe, "Kot", "10002")
    during = "during %s" % mode
    relay.fault(mode)
    started = time.monotonic()
    e2e.send_private_message(composer, during)
    time.sleep(seconds)
    # 100 MB take their time: that fault lasts until the client has had enough of them.
    e2e.wait_for("the answers in progress", lambda: not relay.sending, timeout=60)
    relay.behave()
    ended = time.monotonic()
    time.sleep(1)  # what the end of a fault brings the user is part of it
    figures = probe.result()
    figures["mode"] = mode
    figures["lasted_s"] = ended - started
    delivered = e2e.wait_for("the message typed during " + mode, lambda: relay.delivered_at(during),
                             timeout=POLL_SECONDS + 15)
    figures["recovery_s"] = max(0.0, delivered - ended)
    figures["notices"] = e2e.close_boxes_and_notices("Kot", "10002")
    after = "after %s" % mode
    e2e.send_private_message(composer, after)
    e2e.wait_for("the message typed after " + mode, lambda: relay.delivered_at(after), timeout=10)
    assert client.process.poll() is None, "the client has ended"
    return figures, [during, after]


def print_row(figures):
    seen = ["box: " + text for text in figures["boxes"]] + ["notice: " + n for n in figures["notices"]]
    print("%-17s lasted %4.1f s, worst %6.1f ms, twice in a row %6.1f ms, mean %5.2f ms over %4d, boxes at once "
          "%d, recovered in %4.1f s; the user saw: %s"
          % (figures["mode"], figures["lasted_s"], figures["worst_ms"], figures["sustained_ms"], figures["mean_ms"],
             figures["samples"], figures["boxes_max"], figures["recovery_s"], "; ".join(seen) or "nothing"),
          flush=True)


def faults_one_after_another(args):
    seconds = 65 if args.long else 3
    server = e2e.start_real_server(args.server, tempfile.mkdtemp(prefix="ozl-e2e-faults-"), e2e.RELAYED_SERVER_PORT)
    relay = SpoilingRelay()
    client = e2e.Client(args.exe)
    all_figures, typed = [], []
    print("each fault lasts %d s" % seconds)
    try:
        recipient = e2e.Recipient(e2e.RELAYED_SERVER_PORT)
        recipient.send("#S10001|Привет")  # opens Kot's message window at his login
        e2e.log_in("10001", "kot2002")
        e2e.wait_for("the list window", lambda: e2e.windows_named("^Kot$"))
        composer = e2e.wait_for("the message window", lambda: e2e.windows_named("^10002$"))[0]
        for mode in FAULTS:
            figures, texts = one_fault(args, relay, client, composer, mode, seconds)
            print_row(figures)
            all_figures.append(figures)
            typed += texts
            recipient.poll()
        recipient.wait_for(typed)
        recipient.count(typed)
        assert recipient.received == typed, recipient.received
        for figures in all_figures:
            assert e2e.WindowProbe.responsive(figures), figures
            assert figures["boxes_max"] <= 1, figures
    finally:
        client.close()
        relay.close()
        server.terminate()
        server.wait()


if __name__ == "__main__":
    e2e.run(faults_one_after_another)
