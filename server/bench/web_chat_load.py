#!/usr/bin/env python3
"""Load on the web chat: BROWSERS pages in the general chat, each polling every 2 s as the page's
script does, while some of them say a line now and then. Prints the time of a poll (median and
99th percentile) and how many lines each page received.

    python3 server/bench/web_chat_load.py --server build/release/server/ozl-server --browsers 500
"""
import argparse
import http.client
import json
import os
import re
import statistics
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "server"))
from ozl_wire import register, start_server  # noqa: E402


def get(port, target):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    connection.request("GET", target)
    body = connection.getresponse().read()
    connection.close()
    return body


def browse(port, nick, seconds, speaks, times, received):
    page = get(port, "/cgi-bin/go.cgi?name=%s&pass=secret&room=main&i=v" % nick).decode("cp1251")
    token = re.search(r'var token = "([0-9a-f]+)"', page).group(1)
    deadline = time.monotonic() + seconds
    lines = 0
    while time.monotonic() < deadline:
        started = time.monotonic()
        action = "say?s=%s&text=hello%%20from%%20%s" % (token, nick) if speaks else "poll?s=" + token
        lines += len(json.loads(get(port, "/chat/" + action)).get("lines", []))
        times.append(time.monotonic() - started)
        time.sleep(max(0.0, 2.0 - (time.monotonic() - started)))
    received.append(lines)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--server", required=True)
    parser.add_argument("--browsers", type=int, default=200)
    parser.add_argument("--seconds", type=int, default=20)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        # Generous rations: the load comes from one address.
        process, port = start_server(args.server, os.path.join(folder, "load.db"), "--failed-logins-per-address",
                                     "100000/1", "--unknown-sessions", "100000/1")
        nicks = ["web%d" % number for number in range(args.browsers)]
        for nick in nicks:
            register(port, 1, nick)
        times, received = [], []
        threads = [threading.Thread(target=browse, args=(port, nick, args.seconds, number % 20 == 0, times, received))
                   for number, nick in enumerate(nicks)]
        started = time.monotonic()
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        elapsed = time.monotonic() - started
        process.terminate()
        process.wait()
    times.sort()
    print("%d browsers, %d requests in %.1f s: median %.1f ms, 99th percentile %.1f ms; lines per page %d..%d" % (
        args.browsers, len(times), elapsed, statistics.median(times) * 1000, times[int(len(times) * 0.99)] * 1000,
        min(received), max(received)))


if __name__ == "__main__":
    main()
