"""A new user registers through the registration window against the reference server: the notice
names the new id, the login window comes back holding id and password, and Enter logs in."""

import re
import tempfile

import ozl_e2e as e2e

ASSIGNED = "Вам присвоен идентификатор: "


def a_new_user_registers_and_logs_in(args):
    folder = tempfile.mkdtemp(prefix="ozl-e2e-server-")
    server = e2e.start_real_server(args.server, folder)
    client = e2e.Client(args.exe)
    try:
        e2e.click(e2e.login_window(), 20 + 80, 52 + 9)  # "Новый пользователь"
        registry = e2e.wait_for("the registration window", lambda: e2e.windows_named("^Регистрация$"))[0]
        assert not e2e.windows_named("^OZL$"), "the login window stays up"
        # The other fields keep their captions, which are sent as they stand.
        e2e.replace_text(registry, 16 + 70, 56 + 10, "Tester")
        e2e.replace_text(registry, 16 + 70, 296 + 10, "secret1")
        e2e.replace_text(registry, 16 + 70, 320 + 10, "secret1")
        e2e.press("Return")

        notice = e2e.wait_for("the new id", lambda: e2e.windows_named("^" + ASSIGNED + "[0-9]+$"))[0]
        user_id = re.search("[0-9]+$", e2e.xdotool("getwindowname", notice)).group(0)
        assert int(user_id) > 10003, user_id
        e2e.wait_for("the login window", lambda: e2e.windows_named("^OZL$"))
        assert not e2e.windows_named("^Регистрация$"), "the registration window stays up"

        # The login fields hold the new id and password: Enter logs in.
        e2e.click(e2e.login_window(), 112 + 30, 96 + 10)
        e2e.press("Return")
        e2e.wait_for("the login to be accepted", lambda: not e2e.windows_named("^OZL$"))
    finally:
        client.close()
        server.terminate()
        server.wait()


def main(args):
    a_new_user_registers_and_logs_in(args)


if __name__ == "__main__":
    e2e.run(main)
