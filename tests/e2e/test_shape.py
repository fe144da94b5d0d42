"""The login window's X window carries the outline of its skin as its bounding shape: every
opaque pixel of the skin, placed with the skin's bottom-right corner on the window's, and nothing
else. (A screenshot cannot show it on Xvfb: the root behind a shaped window stays black.)"""

import os
import struct

import ozl_e2e as e2e

TRANSPARENT = (50, 60, 154)


def read_bmp(path):
    """Width, height and the RGB rows (top first) of an uncompressed palette BMP."""
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    colours = struct.unpack_from("<I", data, 46)[0] or 2 ** bits
    palette = [tuple(reversed(data[54 + 4 * i:54 + 4 * i + 3])) for i in range(colours)]
    row_bytes = (width * bits + 31) // 32 * 4
    rows = []
    for stored in range(height):
        row = data[offset + stored * row_bytes:offset + (stored + 1) * row_bytes]
        indices = ([b >> 4 if i % 2 == 0 else b & 15 for b in row for i in range(2)]
                   if bits == 4 else list(row))
        rows.append([palette[i] for i in indices[:width]])
    rows.reverse()
    return width, height, rows


def the_login_window_has_the_skins_outline(args):
    client = e2e.Client(args.exe)
    try:
        login = e2e.login_window()
        _, _, window_width, window_height = e2e.window_geometry(login)
        assert (window_width, window_height) == (197, 215), (window_width, window_height)
        width, height, rows = read_bmp(os.path.join(e2e.REPO, "assets", "skin", "start.bmp"))
        left, top = window_width - width, window_height - height
        expected = {(left + x, top + y) for y in range(height) for x in range(width)
                    if rows[y][x] != TRANSPARENT}
        shaped = set()
        for x, y, w, h in e2e.wait_for("the window's shape", lambda: e2e.shape_rectangles(login)):
            shaped.update((px, py) for py in range(y, y + h) for px in range(x, x + w))
        assert shaped == expected, (len(shaped - expected), len(expected - shaped))
        # Rounded: the corners are cut, the middle of each edge is not.
        assert (left, top) not in shaped and (left + width // 2, top) in shaped
    finally:
        client.close()


if __name__ == "__main__":
    e2e.run(the_login_window_has_the_skins_outline)
