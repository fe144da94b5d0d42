#!/usr/bin/env python3
"""Steps of the load benchmarks. register: N users. storm: every user logs in under its own
session (first, first+1, ...) at once, as after a restart of the server: up to --parallel logins
in flight, each answer read whole (the full online list) and thrown away; prints how long it
took. poll: every session once, so the presence lines of everyone's login are taken; afterwards
the server holds N logged-in sessions that are all up to date. check: polls a sample of the
sessions and fails when one of them is no longer known."""
import argparse
import asyncio
import os
import time
import random
import sys
from concurrent.futures import ThreadPoolExecutor

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "server"))
from ozl_wire import register, request  # noqa: E402


async def storm(port, ids, first, parallel):
    """Logs every user in at once; the bytes of all answers."""
    gate = asyncio.Semaphore(parallel)
    request = ("GET / HTTP/1.0\r\nHost: 127.0.0.1\r\nSession: %d\r\nData: #A%d|pw\r\n"
               "Version: 0.03b\r\n\r\n")

    async def login(index):
        async with gate:
            reader, writer = await asyncio.open_connection("127.0.0.1", port)
            writer.write((request % (first + index, ids[index])).encode())
            head = await reader.readuntil(b"\r\n\r\n")
            total = len(head)
            body = await reader.read(2)
            assert head.split(b" ")[1] == b"200" and body == b"#A", (head[:40], body)
            while chunk := await reader.read(1 << 20):
                total += len(chunk)
            writer.close()
            return total

    return sum(await asyncio.gather(*(login(index) for index in range(len(ids)))))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--sessions", type=int, default=10000)
    parser.add_argument("--first-session", type=int, default=100000)
    parser.add_argument("--step", choices=["register", "storm", "poll", "check"], required=True)
    parser.add_argument("--parallel", type=int, default=200)
    arguments = parser.parse_args()
    port, count, first = arguments.port, arguments.sessions, arguments.first_session
    if arguments.step == "storm":
        ids = [int(line) for line in open(os.environ["OZL_BENCH_IDS"])]
        started = time.monotonic()
        received = asyncio.run(storm(port, ids[:count], first, arguments.parallel))
        print("storm: %d logins with their full lists (%.0f MB of answers) in %.1f s" %
              (count, received / 1e6, time.monotonic() - started))
        return 0

    with ThreadPoolExecutor(max_workers=8) as pool:
        if arguments.step == "register":
            ids = list(pool.map(lambda i: register(port, 1, "Bench%d" % i, "pw"), range(count)))
            with open(os.environ.get("OZL_BENCH_IDS", "/dev/null"), "w") as out:
                out.write("\n".join(map(str, ids)))
            return 0
        if arguments.step == "poll":
            list(pool.map(lambda index: request(port, first + index, "#PING"), range(count)))
            return 0
        sample = random.sample(range(count), min(200, count))
        lost = sum(1 for lines in pool.map(lambda index: request(port, first + index, "#PING"), sample)
                   if lines[:1] == [b"#0"])
        print("sessions still known after the load: %d of %d sampled" % (len(sample) - lost, len(sample)))
        return 1 if lost else 0


if __name__ == "__main__":
    sys.exit(main())
