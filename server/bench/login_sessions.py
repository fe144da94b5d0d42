#!/usr/bin/env python3
"""Registers N users and logs each in under its own session (first, first+1, ...), then polls
every session once so the presence lines of everyone's login are taken. Afterwards the server
holds N logged-in sessions that are all up to date. With --check it only polls a sample of the
sessions and fails when one of them is no longer known."""
import argparse
import os
import random
import sys
from concurrent.futures import ThreadPoolExecutor

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "server"))
from ozl_wire import register, request  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--sessions", type=int, default=10000)
    parser.add_argument("--first-session", type=int, default=100000)
    parser.add_argument("--step", choices=["register", "login", "check"], required=True)
    arguments = parser.parse_args()
    port, count, first = arguments.port, arguments.sessions, arguments.first_session

    with ThreadPoolExecutor(max_workers=8) as pool:
        if arguments.step == "register":
            ids = list(pool.map(lambda i: register(port, 1, "Bench%d" % i, "pw"), range(count)))
            with open(os.environ.get("OZL_BENCH_IDS", "/dev/null"), "w") as out:
                out.write("\n".join(map(str, ids)))
            return 0
        if arguments.step == "login":
            ids = [int(line) for line in open(os.environ["OZL_BENCH_IDS"])]

            def login(index):
                lines = request(port, first + index, "#A%d|pw" % ids[index])
                assert lines[0].startswith(b"#A"), lines[:1]

            list(pool.map(login, range(count)))
            list(pool.map(lambda index: request(port, first + index, "#PING"), range(count)))
            return 0
        sample = random.sample(range(count), min(200, count))
        lost = sum(1 for lines in pool.map(lambda index: request(port, first + index, "#PING"), sample)
                   if lines[:1] == [b"#0"])
        print("sessions still known after the load: %d of %d sampled" % (len(sample) - lost, len(sample)))
        return 1 if lost else 0


if __name__ == "__main__":
    sys.exit(main())
