"""The client's side of the wire, for scripts that drive a running ozl-server."""
import re
import socket
import subprocess
import threading


def request(port, session, data=None, host="127.0.0.1", timeout=10.0):
    """Sends one request as the client does and returns the body's command lines (bytes)."""
    head = [b"GET / HTTP/1.0", b"Host: " + host.encode(),
            b"Accept: www/source, text/html, video/mpeg, image/jpeg, image/x-tiff",
            b"Accept: image/x-rgb, image/x-xbm, image/gif, */*, application/postscript",
            b"Content-type: application/x-www-form-urlencoded",
            b"Session: " + str(session).encode()]
    if data is not None:
        head.append(b"Data: " + (data.encode("cp1251") if isinstance(data, str) else data))
    head.append(b"Version: 0.03b")
    with socket.create_connection((host, port), timeout=timeout) as connection:
        connection.sendall(b"\r\n".join(head) + b"\r\n\r\n")
        received = b""
        while True:
            chunk = connection.recv(65536)
            if not chunk:
                break
            received += chunk
    status_line, _, rest = received.partition(b"\r\n")
    if b" 200 " not in status_line + b" ":
        raise RuntimeError("unexpected answer: %r" % received[:200])
    _, _, body = rest.partition(b"\r\n\r\n")
    return [line for line in body.split(b"\r\n") if line]


def start_server(binary, database, *extra, listen="127.0.0.1:0"):
    """Starts the server; returns the process and the port it listens on. The process's `log`
    collects the lines it writes to standard error."""
    process = subprocess.Popen([binary, "--listen", listen, "--db", database,
                                "--password-cost", "minimal", *extra],
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    process.log = []
    for line in process.stderr:
        process.log.append(line)
        match = re.search(r"listening on [^ ]*:(\d+)", line)
        if match:
            threading.Thread(target=lambda: process.log.extend(process.stderr), daemon=True).start()
            return process, int(match.group(1))
    raise RuntimeError("the server stopped before listening: %s" % "".join(process.log))


def register(port, session, nick, password="secret"):
    lines = request(port, session, "#R%s|Имя|Фамилия|Отчество|mail|Город|%s|м|о себе|%s" % (nick, password, nick))
    assert lines and lines[0].startswith(b"#R"), lines
    return int(lines[0][2:])
