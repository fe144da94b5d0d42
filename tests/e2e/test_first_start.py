"""The first start in a folder without "readme.txt": the help window comes before the login window,
the guide is left in the file, and Enter closes the window."""

import os
import re

import ozl_e2e as e2e

HELP_TITLE = "^© OZL$"


def the_help_comes_first(args):
    client = e2e.Client(args.exe, first_start=True)
    try:
        e2e.wait_for("the help window", lambda: e2e.windows_named(HELP_TITLE))
        assert not e2e.windows_named("^OZL$"), "the login window is shown before the help"
        guide = open(os.path.join(client.folder, "readme.txt"), "rb").read()
        assert re.match(r"OZL \d+\.\d+(\.\d+)?: руководство пользователя\r\n".encode("cp1251"), guide), guide[:80]
        assert "\r\n4. Об авторах\r\n".encode("cp1251") in guide
        assert guide.count(b"\n") == guide.count(b"\r\n")
        e2e.press("Return")
        e2e.wait_for("the login window", lambda: e2e.windows_named("^OZL$"))
        assert not e2e.windows_named(HELP_TITLE)
    finally:
        client.close()


if __name__ == "__main__":
    e2e.run(the_help_comes_first)
