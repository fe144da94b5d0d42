"""Two users at home with the reference server, each client on a display of its own: each finds
the other in the online list and writes to him from its menu; the message arrives in a window
titled with the sender's id and in that id's history file, and the answer comes back. Both enter
the general chat and read each other's lines under their names, and Echo answers a line addressed
to him there. Quitting sends the logout and
ends the program, also when the server has gone away."""

import os
import tempfile
import time

import ozl_e2e as e2e

GRID = (6, 44)  # the lists' place in the list window
ROW_PITCH = 25  # a row and its grid line
CHAT_TITLE = "Общий чат"


def list_window(nick):
    return e2e.wait_for("the list window of " + nick, lambda: e2e.windows_named("^%s$" % nick), timeout=40)[0]


def open_composer_to(window, wanted_id, rows=4, timeout=30):
    """Writes to the user `wanted_id` as a user does: the row menu's first item on each online row
    until the message window that opens bears his id, which proves that the online list shows him.
    He may join the list only at the next poll."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        composer = try_rows(window, wanted_id, rows)
        if composer:
            return composer
        time.sleep(2)
    raise AssertionError("no row of the online list is user " + wanted_id)


def try_rows(window, wanted_id, rows):
    for row in range(rows):
        x, y = GRID[0] + 60, GRID[1] + row * ROW_PITCH + 12
        left, top, _, _ = e2e.window_geometry(window)
        before = set(e2e.windows_named(r"^\d+$"))
        e2e.xdotool("mousemove", "--sync", left + x, top + y)
        e2e.xdotool("click", 3)
        e2e.menu_item(0)
        opened = e2e.wait_for("a message window", lambda: set(e2e.windows_named(r"^\d+$")) - before)
        composer = opened.pop()
        if e2e.xdotool("getwindowname", composer) == wanted_id:
            return composer
        e2e.click(composer, 310 + 20 + 7, 10 + 6)  # its close button: not the wanted user
        e2e.wait_for("the window to close", lambda: composer not in e2e.windows_named(r"^\d+$"))
    return None


def send_private(composer, text):
    e2e.click(composer, 15 + 100, 184 + 15)  # the text being written
    e2e.type_text(text)
    e2e.click(composer, 32 + 60, 230 + 9)  # Bsend


def history_holds(client, sender_id, text):
    path = os.path.join(client.folder, "HISTORY", sender_id + ".htm")
    return os.path.exists(path) and text.encode("cp1251") in open(path, "rb").read()


def enter_chat(window):
    _, _, _, height = e2e.window_geometry(window)
    e2e.click(window, 11 + 78, height - 104 + 9)  # Bchat, above the screen's bottom
    return e2e.wait_for("the general chat", lambda: e2e.windows_named("^%s$" % CHAT_TITLE))[0]


def say_in_chat(exe, chat, text):
    e2e.click(chat, 12 + 100, 380 + 10)  # the line being written
    e2e.type_russian_surely(exe, chat, text)
    e2e.press("Return")


def chat_lines(exe):
    texts = e2e.control_texts(exe, CHAT_TITLE) or []
    memo = [text for kind, text in texts if kind == "Edit" and " >> " in text]
    return memo[0].split("\\n") if memo else []


def quit_program(window):
    """The list window's close button, then Yes to the question."""
    e2e.click(window, 136 + 20 + 7, 6 + 6)
    question = e2e.wait_for("the question", lambda: e2e.windows_named("^OZL$"))[0]
    e2e.xdotool("windowfocus", "--sync", question)
    e2e.press("Return")


def ended(client, what, timeout):
    e2e.wait_for(what, lambda: client.process.poll() is not None, timeout=timeout)


def two_users_meet(args):
    folder = tempfile.mkdtemp(prefix="ozl-e2e-home-")
    server = e2e.start_real_server(args.server, folder)
    second = e2e.SecondDisplay()
    kot = e2e.Client(args.exe)
    zayka = None
    try:
        # One client at a time: a window that opens takes the keyboard from the other display.
        e2e.login_window()
        with second:
            zayka = e2e.Client(args.exe)
            e2e.login_window()
        e2e.log_in("10001", "kot2002")
        kot_list = list_window("Kot")
        with second:
            e2e.log_in("10002", "zayka2002")
            zayka_list = list_window("Zayka")

        # Kot writes to Zayka from his online list; it reaches her at her next poll.
        send_private(open_composer_to(kot_list, "10002"), "Privet, Zayka!")
        with second:
            from_kot = e2e.wait_for("Kot's message window", lambda: e2e.windows_named("^10001$"), timeout=30)[0]
            e2e.wait_for("Kot's line in Zayka's history", lambda: history_holds(zayka, "10001", "Privet, Zayka!"))
            send_private(from_kot, "Hi, Kot")
        e2e.wait_for("Zayka's answer in Kot's history", lambda: history_holds(kot, "10002", "Hi, Kot"), timeout=30)

        # Both in the general chat: each reads the other's line under the other's name.
        kot_chat = enter_chat(kot_list)
        with second:
            zayka_chat = enter_chat(zayka_list)
        say_in_chat(args.exe, kot_chat, "hello from Kot")
        with second:
            say_in_chat(args.exe, zayka_chat, "hello from Zayka")
        # Echo sits in the chat and answers a line addressed to him.
        say_in_chat(args.exe, kot_chat, "(для Echo) как дела?")
        try:
            e2e.wait_for("Echo's answer", lambda: "Echo >> (для Kot) как дела?" in chat_lines(args.exe), timeout=30)
        except AssertionError:
            # Typed by keysyms, a line may come out other than meant: say what the chat shows.
            raise AssertionError("no answer from Echo; the chat shows %r" % chat_lines(args.exe))
        for display, reader in ((None, "Kot"), (second, "Zayka")):
            def both_lines():
                lines = chat_lines(args.exe)
                return "Kot >> hello from Kot" in lines and "Zayka >> hello from Zayka" in lines
            if display:
                with display:
                    e2e.wait_for(reader + " reading both lines", both_lines, timeout=30)
            else:
                e2e.wait_for(reader + " reading both lines", both_lines, timeout=30)

        # Kot quits: the server answers the logout and the program ends.
        quit_program(kot_list)
        ended(kot, "Kot's program to end after the logout", 15)

        # The server goes away; Zayka's logout cannot reach it, and her program ends at once.
        server.kill()
        server.wait()
        with second:
            started = time.monotonic()
            quit_program(zayka_list)
            ended(zayka, "Zayka's program to end without a server", 15)
            print("the program ended %.1f s after the quit without a server" % (time.monotonic() - started))
    finally:
        kot.close()
        if zayka:
            zayka.close()
        second.close()
        if server.poll() is None:
            server.terminate()
            server.wait()


def main(args):
    two_users_meet(args)


if __name__ == "__main__":
    e2e.run(main)
