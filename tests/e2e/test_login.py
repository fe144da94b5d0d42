"""A user types an id and a password into the login window and presses Enter: exactly one request
leaves, in the client's exact bytes. Without a server the user is told so."""

import re
import time

import ozl_e2e as e2e

CANNOT_REACH = "Извините, OZL сервер недоступен!"


def login_request_is_exact(args):
    server = e2e.ScriptedServer()
    client = e2e.Client(args.exe)
    try:
        e2e.log_in("12345", "secret")
        requests = e2e.wait_for("the login request", server.received)
        time.sleep(1.0)  # long enough for a second request, if one were made
        assert len(server.received()) == 1, server.received()
        request = requests[0]
        session = e2e.header(request, b"Session")
        assert session and re.fullmatch(rb"0|[1-9][0-9]*", session), request
        assert int(session) < 4967296, session
        expected = (b"GET / HTTP/1.0\r\n"
                    b"Host: 127.0.0.1\r\n"
                    b"Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff\r\n"
                    b"Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript\r\n"
                    b"Content-type: application/x-www-form-urlencoded\r\n"
                    b"Session: " + session + b"\r\n"
                    b"Data: #A12345|secret\r\n"
                    b"Version: 0.03b\r\n"
                    b"\r\n")
        assert request == expected, request
    finally:
        client.close()
        server.close()


def unreachable_server_is_reported(args):
    client = e2e.Client(args.exe)
    try:
        e2e.log_in("1")
        e2e.wait_for("the notice", lambda: e2e.windows_named("^" + CANNOT_REACH + "$"))
        e2e.wait_for("the error box", lambda: e2e.windows_named("^OZL$") and
                     len(e2e.windows_named("^OZL$")) == 2)
    finally:
        client.close()


def main(args):
    login_request_is_exact(args)
    unreachable_server_is_reported(args)


if __name__ == "__main__":
    e2e.run(main)
