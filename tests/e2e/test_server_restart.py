"""The reference server is killed (SIGKILL) under a logged-in client and started again, a new
process on the same database. The user is told the server is unavailable; messages typed during
the outage wait; once the server is back the client logs in again by itself and every message
reaches its recipient, in order. A message whose request reached the server but whose answer was
lost may arrive twice (the protocol has no acknowledgement): the scenario counts how often.

With --long the outage comes ten times, each time with a message sent just before the kill, so
that some die on their way; the figures of every round are printed.
"""

import os
import random
import signal
import sys
import tempfile
import time

import ozl_e2e as e2e

sys.path.insert(0, os.path.join(e2e.REPO, "tests", "server"))
import ozl_wire  # noqa: E402

UNAVAILABLE = "Извините, OZL сервер недоступен!"
ZAYKA_SESSION = 4242
WINDOW_BOUND_MS = 200


class Recipient:
    """Zayka, polling from a session of her own; she logs in again when the server forgot her."""

    def __init__(self):
        self.received = []
        self.log_in()

    def log_in(self):
        self._take(ozl_wire.request(e2e.SERVER_PORT, ZAYKA_SESSION, "#A10002|zayka2002"))

    def poll(self):
        try:
            lines = ozl_wire.request(e2e.SERVER_PORT, ZAYKA_SESSION, "#PING")
        except (OSError, RuntimeError):
            return
        if lines and lines[0].startswith(b"#0"):
            return self.log_in()
        self._take(lines)

    def _take(self, lines):
        # The client ends each line of a message with a blank.
        prefix = b"#S10001|Kot|"
        self.received += [line[len(prefix):].decode("cp1251").rstrip(" ") for line in lines
                          if line.startswith(prefix)]


def one_outage(args, folder, server, composer, recipient, round_number):
    """Kills the server, types three messages, starts it again; returns the new server, the
    messages typed and the figures."""
    probe = e2e.WindowProbe(args.exe, "Kot", "10002")
    typed = []
    if args.long:
        typed.append("on its way %d" % round_number)
        e2e.send_private_message(composer, typed[-1])
        time.sleep(random.uniform(0.0, 0.03))
    server.send_signal(signal.SIGKILL)
    server.wait()
    notices = set()
    for index in range(3):
        notices.update(e2e.close_boxes_and_notices("Kot", "10002"))
        typed.append("typed in outage %d.%d" % (round_number, index))
        e2e.send_private_message(composer, typed[-1])
        time.sleep(0.5)
    server = e2e.start_real_server(args.server, folder)
    restarted = time.monotonic()

    def all_arrived():
        recipient.poll()
        return all(text in recipient.received for text in typed)
    e2e.wait_for("the messages typed in the outage", all_arrived, timeout=30, interval=0.5)
    figures = {"recovery_s": time.monotonic() - restarted}
    figures.update(probe.result())
    notices.update(e2e.close_boxes_and_notices("Kot", "10002"))
    figures["notices"] = sorted(notices)
    print("outage %d: worst %.1f ms, mean %.2f ms over %d, boxes at once %d, boxes %d (%s), notices %s; "
          "all %d messages arrived %.1f s after the restart"
          % (round_number, figures["worst_ms"], figures["mean_ms"], figures["samples"], figures["boxes_max"],
             figures["boxes_seen"], "; ".join(figures["boxes"]), figures["notices"], len(typed),
             figures["recovery_s"]), flush=True)
    return server, typed, figures


def messages_typed_in_an_outage_arrive(args):
    folder = tempfile.mkdtemp(prefix="ozl-e2e-restart-")
    server = e2e.start_real_server(args.server, folder)
    client = e2e.Client(args.exe)
    try:
        e2e.log_in("10001", "kot2002")
        e2e.wait_for("the list window", lambda: e2e.windows_named("^Kot$"))
        recipient = Recipient()
        ozl_wire.request(e2e.SERVER_PORT, ZAYKA_SESSION, "#S10001|Привет")
        composer = e2e.wait_for("the message window", lambda: e2e.windows_named("^10002$"), timeout=40)[0]
        typed, all_figures = [], []
        for round_number in range(10 if args.long else 1):
            server, texts, figures = one_outage(args, folder, server, composer, recipient, round_number)
            typed += texts
            all_figures.append(figures)
        assert client.process.poll() is None, "the client has ended"

        received = recipient.received
        duplicates = len(received) - len(set(received))
        print("typed %d messages, %d arrived, %d of them twice or more" % (len(typed), len(received), duplicates))
        # In order, a repeat only right after itself.
        arrived = [text for i, text in enumerate(received) if i == 0 or received[i - 1] != text]
        assert arrived == typed, (arrived, typed)
        for figures in all_figures:
            assert UNAVAILABLE in figures["notices"], figures
            assert figures["worst_ms"] < WINDOW_BOUND_MS, figures
            assert figures["boxes_max"] <= 1, figures
    finally:
        client.close()
        server.terminate()
        server.wait()


if __name__ == "__main__":
    e2e.run(messages_typed_in_an_outage_arrive)
