"""A new user searches the directory by city with the reference server, finds another user there
and adds him from the result's menu; he then stands in the user's contact list, from whose menu a
message window to him opens."""

import tempfile
import time

import ozl_e2e as e2e
from test_real_server import ozl_wire

SEARCH_TITLE = "^Поиск друзей$"


def row_menu(window, grid, row, item):
    """A right click on a grid row, then the menu's item. The row must hold a user: an empty row's
    id is no number, which the error box reports instead of opening the menu."""
    left, top, _, _ = e2e.window_geometry(window)
    e2e.xdotool("mousemove", "--sync", left + grid[0] + 60, top + grid[1] + row * 25 + 12)
    e2e.xdotool("click", 3)
    time.sleep(0.5)
    assert not e2e.windows_named("^OZL$"), "the row was empty"
    e2e.menu_item(item)


def contact_found_by_city(args):
    folder = tempfile.mkdtemp(prefix="ozl-e2e-search-")
    server = e2e.start_real_server(args.server, folder)
    client = e2e.Client(args.exe)
    try:
        user_id = ozl_wire.register(e2e.SERVER_PORT, 4242, "Lisa", "lisa2002")
        e2e.log_in(str(user_id), "lisa2002")
        home = e2e.wait_for("the list window", lambda: e2e.windows_named("^Lisa$"))[0]
        _, _, _, height = e2e.window_geometry(home)

        e2e.click(home, 11 + 78, height - 64 + 9)  # Bsearch
        search = e2e.wait_for("the search window", lambda: e2e.windows_named(SEARCH_TITLE))[0]
        e2e.click(search, 16 + 70, 176 + 10)  # the city: a click empties it
        e2e.type_russian_surely(args.exe, search, "Казань")
        e2e.click(search, 176 + 29, 226 + 9)  # Bsearch

        # Zayka lives in Kazan: the first result; its menu's third item adds her. The answers come
        # with the requests that carry the commands, at once.
        time.sleep(2)
        row_menu(search, (176, 56), 0, 2)
        time.sleep(2)

        # Her entry came back with the answer: she is the first row of the contact list.
        e2e.click(home, 4 + 40, 20 + 12)  # the contact page
        row_menu(home, (6, 44), 0, 0)
        e2e.wait_for("a message window to her", lambda: e2e.windows_named("^10002$"))
    finally:
        client.close()
        server.terminate()
        server.wait()


def main(args):
    contact_found_by_city(args)


if __name__ == "__main__":
    e2e.run(main)
