#!/usr/bin/env python3
"""Kills the server with SIGKILL in the middle of traffic, starts it again on the same database
and checks that nothing it had confirmed is gone: registered users, contacts and private
messages not yet delivered (to recipients offline, or online but not yet polling)."""
import argparse
import os
import random
import signal
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from ozl_wire import register, request, start_server  # noqa: E402

WRITERS = 4
ROUNDS = 2


class Writer:
    """Registers users, adds contacts and sends messages to its own recipients until the server
    dies; remembers what the server confirmed."""

    def __init__(self, number, sender, recipients):
        self.number, self.sender, self.recipients = number, sender, recipients
        self.session = 1000 + number
        self.registered, self.contacts, self.messages = [], [], {r: [] for r in recipients}
        self.delivered = {r: [] for r in recipients}
        self.counter = 0

    def run(self, port):
        try:
            while True:
                self.counter += 1
                choice = random.random()
                if choice < 0.15:
                    password = "pw%d" % self.counter
                    user = register(port, 1, "W%dU%d" % (self.number, self.counter), password)
                    self.registered.append((user, password))
                elif choice < 0.3:
                    target = random.choice(self.recipients)
                    lines = request(port, self.session, "#K1%d" % target)
                    if lines and lines[0].startswith(b"#K1%d-" % target):
                        self.contacts.append(target)
                else:
                    target = random.choice(self.recipients)
                    text = ("m%d-%d привет | ~ " % (self.number, self.counter)).encode("cp1251")
                    lines = request(port, self.session, b"#S%d|" % target + text)
                    if b"#S%d|S%d|" % (target, self.number) + text in lines:
                        self.messages[target].append(text)
        except (OSError, RuntimeError, AssertionError):
            return


def login_lines(port, session, user, password="secret"):
    lines = request(port, session, "#A%d|%s" % (user, password))
    assert lines and lines[0].startswith(b"#A"), (user, lines)
    return lines


def log_in_everyone(port, writers):
    """Senders log in; half the recipients log in too but never poll, so their messages wait
    in a session when the server dies."""
    for writer in writers:
        login_lines(port, writer.session, writer.sender)
        for recipient in writer.recipients[:2]:
            receive(writer, recipient, login_lines(port, 5000 + recipient, recipient))


def receive(writer, recipient, login):
    writer.delivered[recipient] += [line.split(b"|", 2)[2] for line in login[2:] if line.startswith(b"#S")]


def check(port, writers):
    failures = []
    for writer in writers:
        for user, password in writer.registered:
            lines = request(port, 9, "#A%d|%s" % (user, password))
            if not lines or not lines[0].startswith(b"#AW"):
                failures.append("registered user %d cannot log in: %r" % (user, lines))
        contact_part = login_lines(port, writer.session, writer.sender)[1].split(b"~", 1)[1]
        for contact in set(writer.contacts):
            if b"%d-" % contact not in contact_part:
                failures.append("contact %d of writer %d is gone" % (contact, writer.number))
        for recipient, confirmed in writer.messages.items():
            receive(writer, recipient, login_lines(port, 7000 + recipient, recipient))
            delivered = writer.delivered[recipient]
            # A message in flight at a kill may have been stored although its answer never came.
            if not is_subsequence(confirmed, delivered) or len(delivered) > len(confirmed) + ROUNDS:
                failures.append("recipient %d: %d confirmed, %d delivered" % (
                    recipient, len(confirmed), len(delivered)))
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--server", required=True)
    parser.add_argument("--db", help="the database (a PostgreSQL URI); an SQLite file of its own by default")
    arguments = parser.parse_args()
    binary = arguments.server
    with tempfile.TemporaryDirectory() as folder:
        database = arguments.db or os.path.join(folder, "ozl.db")
        process, port = start_server(binary, database)
        writers = [Writer(number, register(port, 1, "S%d" % number),
                          [register(port, 1, "R%d_%d" % (number, i)) for i in range(4)])
                   for number in range(WRITERS)]
        for round_number in range(ROUNDS):
            log_in_everyone(port, writers)
            threads = [threading.Thread(target=writer.run, args=(port,), daemon=True) for writer in writers]
            for thread in threads:
                thread.start()
            time.sleep(random.uniform(1.0, 2.0))
            process.send_signal(signal.SIGKILL)
            process.wait()
            for thread in threads:
                thread.join(timeout=60)
            process, port = start_server(binary, database)
            print("round %d: %d users, %d contacts, %d messages confirmed before the kill" % (
                round_number + 1, sum(len(w.registered) for w in writers), sum(len(w.contacts) for w in writers),
                sum(len(m) for w in writers for m in w.messages.values())))
        failures = check(port, writers)
        process.send_signal(signal.SIGTERM)
        process.wait()
    for failure in failures:
        print("FAIL:", failure)
    print("durability: %s" % ("FAILED" if failures else "nothing lost"))
    return 1 if failures else 0


def is_subsequence(wanted, found):
    remaining = iter(found)
    return all(any(item == candidate for candidate in remaining) for item in wanted)


if __name__ == "__main__":
    sys.exit(main())
