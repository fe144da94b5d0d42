"""The reference server is killed (SIGKILL) under a logged-in client and started again, a new
process on the same database. Before the kill a relay between client and server loses the answer
to a message the server has stored, as a connection that breaks at the wrong moment does. The user
is told the server is unavailable; messages typed during the outage wait; once the server is back
the client logs in again by itself and every message reaches its recipient exactly once, in order.

With --long the outage comes ten times, each time also with a message sent just before the kill,
so that some die on their way; the figures of every round are printed.
"""

import random
import signal
import tempfile
import time

import ozl_e2e as e2e

UNAVAILABLE = "Извините, OZL сервер недоступен!"


class LosingRelay(e2e.Relay):
    """Resets the connection instead of handing on the answer to the next private message."""

    def __init__(self):
        self.armed = False
        self.lost = []
        super().__init__()

    def lose_next_message_answer(self):
        with self.lock:
            self.armed = True

    def deliver(self, connection, command, answer):
        with self.lock:
            lose = self.armed and command.startswith(b"#S")
            if lose:
                self.armed = False
                self.lost.append(command)
        if lose:
            e2e.reset(connection)
            return False
        return super().deliver(connection, command, answer)


def close_the_coming_box():
    """A failed try ends in an error box: the user closes it before typing on, so that it cannot
    come up while he types. On a busy machine it may come late; returns the notices' titles."""
    try:
        e2e.wait_for("the error box", lambda: e2e.windows_named("^OZL$"), timeout=5)
    except AssertionError:
        pass
    return e2e.close_boxes_and_notices("Kot", "10002")


def one_outage(args, folder, server, relay, composer, recipient, round_number):
    """Kills the server, types three messages, starts it again; returns the new server, the
    messages typed and the figures."""
    probe = e2e.WindowProbe(args.exe, "Kot", "10002")
    typed = ["answer lost %d" % round_number]
    relay.lose_next_message_answer()
    e2e.send_private_message_surely(args.exe, composer, typed[-1], "Kot", "10002")
    e2e.wait_for("the lost answer", lambda: relay.lost[round_number:])
    notices = set(close_the_coming_box())
    if args.long:
        typed.append("on its way %d" % round_number)
        notices.update(e2e.type_private_message_surely(args.exe, composer, typed[-1], "Kot", "10002"))
        e2e.click(composer, *e2e.SEND_BUTTON)
        time.sleep(random.uniform(0.0, 0.03))
    server.send_signal(signal.SIGKILL)
    server.wait()
    relay.close()  # the client meets a closed port, as without the relay
    for index in range(3):
        typed.append("typed in outage %d.%d" % (round_number, index))
        notices.update(e2e.send_private_message_surely(args.exe, composer, typed[-1], "Kot", "10002"))
        notices.update(close_the_coming_box())
    server = e2e.start_real_server(args.server, folder, e2e.RELAYED_SERVER_PORT)
    relay.open()
    restarted = time.monotonic()
    recipient.wait_for(typed)
    figures = {"recovery_s": time.monotonic() - restarted}
    figures.update(probe.result())
    notices.update(e2e.close_boxes_and_notices("Kot", "10002"))
    figures["notices"] = sorted(notices)
    print("outage %d: worst %.1f ms, twice in a row %.1f ms, mean %.2f ms over %d, boxes at once %d, boxes %d "
          "(%s), notices %s; all %d messages arrived %.1f s after the restart"
          % (round_number, figures["worst_ms"], figures["sustained_ms"], figures["mean_ms"], figures["samples"],
             figures["boxes_max"], figures["boxes_seen"], "; ".join(figures["boxes"]), figures["notices"],
             len(typed), figures["recovery_s"]), flush=True)
    return server, typed, figures


def messages_typed_in_an_outage_arrive_once(args):
    folder = tempfile.mkdtemp(prefix="ozl-e2e-restart-")
    server = e2e.start_real_server(args.server, folder, e2e.RELAYED_SERVER_PORT)
    relay = LosingRelay()
    client = e2e.Client(args.exe)
    try:
        e2e.log_in("10001", "kot2002")
        e2e.wait_for("the list window", lambda: e2e.windows_named("^Kot$"))
        recipient = e2e.Recipient(e2e.RELAYED_SERVER_PORT)
        recipient.send("#S10001|Привет")
        composer = e2e.wait_for("the message window", lambda: e2e.windows_named("^10002$"), timeout=40)[0]
        typed, all_figures = [], []
        for round_number in range(10 if args.long else 1):
            server, texts, figures = one_outage(args, folder, server, relay, composer, recipient, round_number)
            typed += texts
            all_figures.append(figures)
        assert client.process.poll() is None, "the client has ended"

        recipient.count(typed)
        assert recipient.received == typed, (recipient.received, typed)
        for figures in all_figures:
            assert UNAVAILABLE in figures["notices"], figures
            assert e2e.WindowProbe.responsive(figures), figures
            assert figures["boxes_max"] <= 1, figures
    finally:
        client.close()
        relay.close()
        server.terminate()
        server.wait()


if __name__ == "__main__":
    e2e.run(messages_typed_in_an_outage_arrive_once)
