"""The real client and the reference server: a demo user logs in, another user writes to him, and
the message reaches a window of its own and the history file beside the exe."""

import os
import sys
import tempfile

import ozl_e2e as e2e

sys.path.insert(0, os.path.join(e2e.REPO, "tests", "server"))
import ozl_wire  # noqa: E402


def a_message_reaches_the_logged_in_user(args):
    folder = tempfile.mkdtemp(prefix="ozl-e2e-server-")
    server = e2e.start_real_server(args.server, folder)
    client = e2e.Client(args.exe)
    try:
        e2e.log_in("10001", "kot2002")
        # A successful login hides the login window.
        e2e.wait_for("the login to be accepted", lambda: not e2e.windows_named("^OZL$"))

        # Zayka logs in from elsewhere and writes to Kot.
        assert ozl_wire.request(e2e.SERVER_PORT, 4242, "#A10002|zayka2002")[0].startswith(b"#A")
        ozl_wire.request(e2e.SERVER_PORT, 4242, "#S10001|Привет, Кот!")

        # The client hears it at its next poll: a window titled with Zayka's id, and the history.
        e2e.wait_for("the message window", lambda: e2e.windows_named("^10002$"), timeout=40)
        history = os.path.join(client.folder, "HISTORY", "10002.htm")
        e2e.wait_for("the history file", lambda: os.path.exists(history))
        content = open(history, "rb").read()
        assert "Привет, Кот!".encode("cp1251") in content, content
        assert b"Zayka" in content, content
    finally:
        client.close()
        server.terminate()
        server.wait()


def main(args):
    a_message_reaches_the_logged_in_user(args)


if __name__ == "__main__":
    e2e.run(main)
