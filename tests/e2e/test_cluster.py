"""Two server nodes on one PostgreSQL behind nginx, as an operator runs the service past one
machine (docs/operating.md, packaging/nginx/ozl-cluster.conf). Kot's client reaches the nodes
through nginx; Zayka's client reaches the other node straight (its proxy setting names that node),
so the two are on different nodes. Protocol peers stand where no window is needed: Lisa beside
Zayka, Mysh beside Kot. Presence, contacts, information, search, private messages and the general
chat cross the nodes. Then Kot's node is killed while he writes: nginx moves him to the other
node, he logs in again by himself, and every message reaches Zayka exactly once, in order. Kot
never goes offline for the others; Mysh, who does not come back, goes offline after the idle
timeout and not sooner.
"""

import os
import random
import signal
import subprocess
import sys
import tempfile
import threading
import time

import ozl_e2e as e2e
import test_home as home
import test_proxy

NODE_PORTS = (5191, 5192)
IDLE_TIMEOUT = 20
HEARTBEAT = IDLE_TIMEOUT / 4


def start_node(server, database, port):
    node = subprocess.Popen([server, "--listen", "127.0.0.1:%d" % port, "--db", database, "--demo",
                             "--password-cost", "minimal", "--trusted-proxy", "127.0.0.1",
                             "--idle-timeout", str(IDLE_TIMEOUT)],
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    for line in node.stderr:
        if "listening on" in line:
            return node
    raise AssertionError("node %d stopped before listening" % port)


class Nginx:
    """nginx with the configuration the operator's guide gives, logging which node served which
    client session."""

    def __init__(self, folder):
        self.log = os.path.join(folder, "access.log")
        site = open(os.path.join(e2e.REPO, "packaging", "nginx", "ozl-cluster.conf")).read()
        site = site.replace("listen 5190;", "listen 127.0.0.1:%d;" % e2e.SERVER_PORT)
        temp = " ".join("%s_temp_path %s/%s;" % (kind, folder, kind)
                        for kind in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi"))
        with open(os.path.join(folder, "nginx.conf"), "w") as conf:
            conf.write("daemon off;\n%spid %s/nginx.pid;\nerror_log %s/nginx-error.log;\n"
                       "events { worker_connections 1024; }\n"
                       "http {\n  log_format nodes '$http_session $upstream_addr $status';\n"
                       "  access_log %s nodes;\n  %s\n%s\n}\n"
                       % ("user root;\n" if os.getuid() == 0 else "", folder, folder, self.log, temp, site))
        self.process = subprocess.Popen(["/usr/sbin/nginx", "-c", os.path.join(folder, "nginx.conf"), "-p", folder])
        e2e.wait_for("nginx", lambda: os.path.exists(os.path.join(folder, "nginx.pid")))

    def node_of_client(self):
        """The port of the node nginx sent the logged-in client's requests to."""
        for line in reversed(open(self.log).read().splitlines()):
            session, upstream, status = line.split(" ")[:3]
            if session not in ("-", "777") and status == "200":
                return int(upstream.split(",")[-1].strip().rsplit(":", 1)[1])
        return None

    def close(self):
        self.process.terminate()
        self.process.wait()


class Peer:
    """A user who talks the protocol straight to one node and polls every two seconds, as a client
    would, until its node is gone; `heard` keeps every line it was given."""

    def __init__(self, port, session, nick):
        self.port, self.session = port, session
        self.id = e2e.ozl_wire.register(port, session, nick, "pw")
        self.heard = []
        self.lock = threading.Lock()
        self.send("#A%d|pw" % self.id)
        threading.Thread(target=self._keep_polling, daemon=True).start()

    def send(self, command):
        with self.lock:
            lines = [line.decode("cp1251") for line in e2e.ozl_wire.request(self.port, self.session, command)]
            self.heard += lines
            return lines

    def _keep_polling(self):
        while True:
            time.sleep(2)
            try:
                self.send("#PING")
            except (OSError, RuntimeError):
                return


def chat_lines(lines):
    return [line for line in lines if line.startswith("#C")]


def history_count(client, sender_id, text):
    path = os.path.join(client.folder, "HISTORY", sender_id + ".htm")
    return open(path, "rb").read().count(text.encode("cp1251")) if os.path.exists(path) else 0


def nodes_serve_one_community(args):
    folder = tempfile.mkdtemp(prefix="ozl-e2e-cluster-")
    database = os.environ["OZL_TEST_POSTGRES"]
    nodes = {port: start_node(args.server, database, port) for port in NODE_PORTS}
    nginx = Nginx(folder)
    second = e2e.SecondDisplay()
    kot = e2e.Client(args.exe)
    zayka = None
    try:
        e2e.log_in("10001", "kot2002")
        kot_list = home.list_window("Kot")
        kot_port = e2e.wait_for("Kot's node in nginx's log", nginx.node_of_client)
        other_port = next(port for port in NODE_PORTS if port != kot_port)
        print("Kot is on node %d, Zayka on node %d" % (kot_port, other_port), flush=True)
        with second:
            zayka = e2e.Client(args.exe, files={"Proxy.cfg": test_proxy.record("127.0.0.1", other_port, "", "")})
            e2e.log_in("10002", "zayka2002")
            zayka_list = home.list_window("Zayka")
        lisa = Peer(other_port, 4301, "Lisa")
        mysh = Peer(kot_port, 4302, "Mysh")

        # Presence, contacts, information and search across the nodes.
        assert any("10001-Kot-online" in line for line in lisa.heard if line.startswith("#U")), lisa.heard
        answered = lisa.send("#K110001")
        assert "#K110001-Kot-online" in answered, answered
        answered = lisa.send("#I10001")
        assert [line for line in answered if line.startswith("#I") and line.endswith("|online")], answered
        answered = lisa.send("#P|||||||kot")
        assert [line for line in answered if line.startswith("#P") and "10001-Kot-online|" in line], answered
        e2e.wait_for("Mysh online at Lisa's node", lambda: "#YU%d-Mysh-online" % mysh.id in lisa.heard)

        # Private messages both ways and the general chat, window to window across the nodes.
        home.send_private(home.open_composer_to(kot_list, "10002"), "Privet, Zayka!")
        with second:
            from_kot = e2e.wait_for("Kot's message window", lambda: e2e.windows_named("^10001$"), timeout=30)[0]
            e2e.wait_for("Kot's line at Zayka", lambda: home.history_holds(zayka, "10001", "Privet, Zayka!"))
            home.send_private(from_kot, "Hi, Kot")
        e2e.wait_for("Zayka's answer at Kot", lambda: home.history_holds(kot, "10002", "Hi, Kot"), timeout=30)
        for peer in (lisa, mysh):
            peer.send("#E1")
        for index in range(2):
            mysh.send("#Cfrom Mysh %d" % index)
            lisa.send("#Cfrom Lisa %d" % index)
        e2e.wait_for("every line at both nodes",
                     lambda: len(chat_lines(lisa.heard)) == 4 and len(chat_lines(mysh.heard)) == 4)
        assert chat_lines(lisa.heard) == chat_lines(mysh.heard), (lisa.heard, mysh.heard)

        # Kot's node dies while he writes.
        composer = e2e.wait_for("Kot's message window", lambda: e2e.windows_named("^10002$"))[0]
        typed = ["before %d" % index for index in range(3)]
        for text in typed:
            e2e.send_private_message_surely(args.exe, composer, text, "Kot", "10002")
        typed.append("on its way")
        e2e.type_private_message_surely(args.exe, composer, typed[-1], "Kot", "10002")
        e2e.click(composer, *e2e.SEND_BUTTON)
        time.sleep(random.uniform(0.0, 0.05))
        nodes[kot_port].send_signal(signal.SIGKILL)
        nodes[kot_port].wait()
        killed = time.monotonic()
        for index in range(3):
            typed.append("after %d" % index)
            e2e.send_private_message_surely(args.exe, composer, typed[-1], "Kot", "10002")
        e2e.wait_for("every message at Zayka", lambda: all(history_count(zayka, "10001", text) for text in typed),
                     timeout=60)

        # Mysh goes offline for Lisa once the dead node has been silent for the idle timeout; Kot never.
        mysh_offline = "#YU%d-Mysh-offline" % mysh.id
        e2e.wait_for("Mysh offline", lambda: mysh_offline in lisa.heard, timeout=IDLE_TIMEOUT * 3, interval=0.2)
        offline_after = time.monotonic() - killed
        time.sleep(3)
        counts = [history_count(zayka, "10001", text) for text in typed]
        doubled = sum(count - 1 for count in counts if count > 1)
        lost = counts.count(0)
        print("typed %d messages after the first; Zayka got %d: %d doubled, %d lost; Mysh offline %.1f s after "
              "the kill (idle timeout %d s)" % (len(typed), sum(counts), doubled, lost, offline_after, IDLE_TIMEOUT),
              flush=True)
        assert doubled == 0 and lost == 0, list(zip(typed, counts))
        assert not [line for line in lisa.heard if "10001-Kot-offline" in line], "Kot flickered offline"
        assert IDLE_TIMEOUT <= offline_after <= IDLE_TIMEOUT + HEARTBEAT + 8, offline_after
        assert kot.process.poll() is None and zayka.process.poll() is None, "a client has ended"
    finally:
        kot.close()
        if zayka:
            zayka.close()
        second.close()
        nginx.close()
        for node in nodes.values():
            if node.poll() is None:
                node.terminate()
                node.wait()


def main(args):
    nodes_serve_one_community(args)


if __name__ == "__main__":
    # PostgreSQL of its own, started before the scenario enters its private network: it listens on
    # a socket file, which the network namespace does not hide.
    if "OZL_TEST_POSTGRES" not in os.environ:
        script = os.path.join(e2e.REPO, "scripts", "with-postgres")
        os.execv(script, [script, sys.executable] + sys.argv)
    e2e.run(main)
