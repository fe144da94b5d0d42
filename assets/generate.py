#!/usr/bin/python3
"""Draws every bitmap, icon and sound of the client and lists the bitmaps and icons in ozl.rc.

Run it with Debian's python3 and python3-pil:  /usr/bin/python3 assets/generate.py
The output is the same bytes on every run, and it is committed, so a build never needs this script.

Coordinates of the window tables below are client coordinates of the window, as the forms place
their controls. A skin painted with its bottom-right corner on the window's bottom-right corner
maps window pixel (x, y) to skin pixel (x - (client width - skin width), y - (client height - skin
height)); `Skin.to_skin` does that, so every decoration is written where the control really sits.
"""

import math
import re
import struct
import wave
from dataclasses import dataclass, field
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

ASSETS = Path(__file__).resolve().parent
FONT_DIR = Path('/usr/share/fonts/truetype/dejavu')

# Colours shared with the forms (red, green, blue).
SKIN_KEY = (50, 60, 154)          # outside every outline: 10107954
NOTICE_KEY = (75, 71, 173)        # outside the notice window's outline: 11355979
FACE = (251, 244, 217)            # cream face; also the caption panels of most windows: 14284027
PANEL = (253, 239, 204)           # panels that hold buttons and field captions: 13430781
HEADING = (236, 219, 187)         # heading labels and their bands: 12311532
FIELD = (253, 250, 241)           # edit fields, memos, the value panel: 15858429
FRIEND_SWITCH = (248, 241, 210)   # the padlock switch of the list window
FRIEND_LABEL = (233, 221, 193)    # the friendship state label of the list window

# Colours of the artwork alone.
BORDER = (122, 94, 54)
HIGHLIGHT = (255, 252, 242)
SHADOW = (214, 196, 154)
PANEL_EDGE = (231, 212, 168)
HEADING_EDGE = (210, 190, 150)
STRIP = (243, 231, 199)
STRIP_TEXT = (150, 112, 60)
FRAME_DARK = (188, 168, 126)
FRAME_LIGHT = (255, 255, 255)
TAB_BACK = HEADING
TAB_TEXT = (70, 48, 20)

BUTTON_FACE = (238, 222, 182)
BUTTON_LIGHT = (253, 248, 232)
BUTTON_SHADOW = (196, 172, 122)
BUTTON_BORDER = (128, 98, 56)
BUTTON_TEXT = (56, 38, 14)
TICK_GREEN = (34, 120, 40)

SKIN_RADIUS = 10
BUTTON_RADIUS = 3


def font(name, size):
    # The basic layout keeps whole-pixel advances; the shaping layout spaces hinted letters unevenly.
    return ImageFont.truetype(str(FONT_DIR / name), size, layout_engine=ImageFont.Layout.BASIC)


TAB_FONT = font('DejaVuSansCondensed.ttf', 11)
LABEL_FONTS = [font('DejaVuSans.ttf', 11), font('DejaVuSansCondensed.ttf', 11),
               font('DejaVuSansCondensed.ttf', 10)]
BOLD = font('DejaVuSans-Bold.ttf', 11)


def crisp(image):
    """A drawing context that renders text without antialiasing, so labels keep pure colours."""
    draw = ImageDraw.Draw(image)
    draw.fontmode = '1'
    return draw


def fitting_font(text, width):
    for candidate in LABEL_FONTS:
        if candidate.getlength(text) <= width:
            return candidate
    raise AssertionError(f'"{text}" does not fit in {width} pixels')


def text_top(chosen_font, y0, y1):
    """The y at which text stands centred between rows y0 and y1 on the height of a capital letter."""
    _, cap_top, _, baseline = chosen_font.getbbox('Н')
    return y0 + (y1 - y0 + 1 - (baseline - cap_top)) // 2 - cap_top


def draw_centred(draw, box, text, colour, chosen_font=None):
    """Centres the text in box (x0, y0, x1, y1 inclusive)."""
    x0, y0, x1, y1 = box
    chosen_font = chosen_font or fitting_font(text, x1 - x0 + 1)
    x = x0 + (x1 - x0 + 1 - round(chosen_font.getlength(text))) // 2
    draw.text((x, text_top(chosen_font, y0, y1)), text, font=chosen_font, fill=colour)


def bevel(draw, box, radius, border, light, shadow, face):
    """A rounded bevelled plate: dark outline, light top-left, shaded bottom-right, flat face."""
    x0, y0, x1, y1 = box
    draw.rounded_rectangle(box, radius, fill=border)
    draw.rounded_rectangle((x0 + 1, y0 + 1, x1 - 1, y1 - 1), max(radius - 1, 0), fill=shadow)
    draw.rounded_rectangle((x0 + 1, y0 + 1, x1 - 2, y1 - 2), max(radius - 1, 0), fill=light)
    draw.rounded_rectangle((x0 + 2, y0 + 2, x1 - 2, y1 - 2), max(radius - 2, 0), fill=face)


def sunken_frame(draw, box):
    x0, y0, x1, y1 = box
    draw.line((x0, y1, x0, y0, x1, y0), fill=FRAME_DARK)
    draw.line((x1, y0 + 1, x1, y1, x0 + 1, y1), fill=FRAME_LIGHT)


# Window skins --------------------------------------------------------------------------------

@dataclass
class Skin:
    resource: str
    file: str
    size: tuple
    client: tuple
    anchored_top_left: bool = False
    key: tuple = SKIN_KEY
    title: str = ''
    title_strip: tuple = ()        # left, top, width, height
    caption_patch: tuple = ()      # the caption panel, when its colour differs from the face
    bands: list = field(default_factory=list)
    panels: list = field(default_factory=list)
    frames: list = field(default_factory=list)
    value_panel: tuple = ()

    def offset(self):
        if self.anchored_top_left:
            return 0, 0
        return self.client[0] - self.size[0], self.client[1] - self.size[1]

    def to_skin(self, rect, pad=0):
        """Window rectangle (left, top, width, height) to inclusive skin box, grown by pad."""
        dx, dy = self.offset()
        left, top, width, height = rect
        return (left - dx - pad, top - dy - pad, left - dx + width - 1 + pad, top - dy + height - 1 + pad)

    def outline_box(self):
        """The part of the skin that lies inside the window: the outline fills it edge to edge."""
        dx, dy = self.offset()
        return (max(0, -dx), max(0, -dy),
                min(self.size[0], self.client[0] - dx) - 1, min(self.size[1], self.client[1] - dy) - 1)


def plate(draw, box, colour, edge, radius=4):
    draw.rounded_rectangle(box, radius, fill=colour, outline=edge)


def render_skin(skin):
    image = Image.new('RGB', skin.size, skin.key)
    draw = crisp(image)
    bevel(draw, skin.outline_box(), SKIN_RADIUS, BORDER, HIGHLIGHT, SHADOW, FACE)
    if skin.title_strip:
        box = skin.to_skin(skin.title_strip)
        plate(draw, box, STRIP, PANEL_EDGE, radius=5)
        draw.text((box[0] + 6, text_top(BOLD, box[1], box[3])), skin.title, font=BOLD, fill=STRIP_TEXT)
    if skin.caption_patch:
        plate(draw, skin.to_skin(skin.caption_patch, pad=2), PANEL, PANEL_EDGE)
    for band in skin.bands:
        plate(draw, skin.to_skin(band), HEADING, HEADING_EDGE)
    for panel in skin.panels:
        plate(draw, skin.to_skin(panel), PANEL, PANEL_EDGE)
    if skin.value_panel:
        plate(draw, skin.to_skin(skin.value_panel), FIELD, PANEL_EDGE, radius=6)
    for control in skin.frames:
        sunken_frame(draw, skin.to_skin(control, pad=1))
    return image


SKINS = [
    Skin('SKIN_START', 'skin/start.bmp', (196, 213), (197, 215),
         caption_patch=(62, 5, 126, 19),
         bands=[(12, 31, 173, 18), (12, 74, 173, 17)],
         panels=[(12, 50, 173, 23), (12, 92, 173, 106)]),
    Skin('SKIN_INFO', 'skin/info.bmp', (249, 71), (249, 71), key=NOTICE_KEY,
         caption_patch=(224, 6, 15, 13)),
    Skin('SKIN_USERINFO', 'skin/userinfo.bmp', (273, 235), (273, 233),
         title='OZL', title_strip=(8, 4, 213, 17),
         bands=[(10, 29, 253, 19)], panels=[(10, 51, 253, 172)], value_panel=(80, 52, 177, 164)),
    Skin('SKIN_SEND', 'skin/send.bmp', (354, 263), (355, 266),
         panels=[(26, 225, 290, 29)], frames=[(15, 34, 327, 145), (15, 184, 327, 40)]),
    Skin('SKIN_CHAT', 'skin/chat.bmp', (613, 418), (611, 416),
         title='Общий чат', title_strip=(10, 4, 549, 19),
         panels=[(474, 377, 122, 26)],
         frames=[(12, 28, 461, 345), (474, 28, 124, 345), (12, 380, 461, 21)]),
    Skin('SKIN_HISTORY', 'skin/browser.bmp', (613, 418), (614, 420),
         title='OZL', title_strip=(14, 6, 548, 20), frames=[(16, 32, 585, 369)]),
    Skin('SKIN_REGISTRY', 'skin/registry.bmp', (185, 380), (184, 379),
         title='OZL', title_strip=(10, 5, 122, 18),
         bands=[(8, 29, 168, 19)], panels=[(10, 51, 165, 319)]),
    Skin('SKIN_SEARCH', 'skin/search.bmp', (354, 263), (401, 316), anchored_top_left=True,
         title='OZL', title_strip=(10, 5, 292, 19),
         bands=[(10, 30, 335, 20)], panels=[(10, 52, 335, 201)], frames=[(176, 56, 161, 161)]),
    Skin('SKIN_PROXY', 'skin/proxy.bmp', (196, 213), (196, 213),
         title='OZL', title_strip=(10, 5, 134, 19),
         bands=[(12, 28, 174, 21), (12, 96, 174, 21)], panels=[(12, 49, 174, 47), (12, 117, 174, 82)]),
]
# The history viewer and the web chat window have the same shape and controls.
WEBCHAT_SKIN = ('SKIN_WEBCHAT', 'skin/browser.bmp')


# The list window: top cap, repeated one-pixel line, bottom cap ------------------------------

LIST_WIDTH = 180
LIST_TOP_HEIGHT = 44
LIST_BOTTOM_HEIGHT = 111
LIST_LINE_ROW = LIST_TOP_HEIGHT + 4
# The bottom controls are placed from the screen height S while the window is as high as the work
# area; with a 28-pixel task bar a control at S - k lands on bottom-cap row 139 - k.
BOTTOM_ROW_OF_SCREEN_OFFSET = LIST_BOTTOM_HEIGHT + 28


def render_list_window():
    """Draws the whole strip once and cuts the two caps and the line out of it, so they join."""
    height = LIST_TOP_HEIGHT + 20 + LIST_BOTTOM_HEIGHT
    image = Image.new('RGB', (LIST_WIDTH, height), SKIN_KEY)
    draw = crisp(image)
    bevel(draw, (0, 0, LIST_WIDTH - 1, height - 1), SKIN_RADIUS, BORDER, HIGHLIGHT, SHADOW, FACE)

    plate(draw, (8, 3, 130, 18), STRIP, PANEL_EDGE, radius=5)
    draw.text((14, text_top(BOLD, 3, 18)), 'OZL', font=BOLD, fill=STRIP_TEXT)
    plate(draw, (133, 3, 174, 21), PANEL, PANEL_EDGE)

    bottom = height - LIST_BOTTOM_HEIGHT

    def row(k):
        return bottom + BOTTOM_ROW_OF_SCREEN_OFFSET - k

    grid_left, grid_right = 5, 172
    sunken_frame(draw, (grid_left, LIST_TOP_HEIGHT - 1, grid_right, bottom + 1))
    plate(draw, (22, row(136) - 1, 45, row(136) + 23), FRIEND_SWITCH, PANEL_EDGE)
    plate(draw, (50, row(130) - 5, 173, row(130) + 15), FRIEND_LABEL, HEADING_EDGE)
    plate(draw, (6, row(104) - 4, 173, row(64) + 22), PANEL, PANEL_EDGE, radius=6)

    top = image.crop((0, 0, LIST_WIDTH, LIST_TOP_HEIGHT))
    line = image.crop((0, LIST_LINE_ROW, LIST_WIDTH, LIST_LINE_ROW + 1))
    bottom_cap = image.crop((0, bottom, LIST_WIDTH, height))
    return top, bottom_cap, line


def render_page_tabs(contact_in_front):
    """The page switch: Контакт-лист on the left, Кто в онлайне on the right, one tab in front."""
    width, height = 169, 24
    image = Image.new('RGB', (width, height), FACE)
    draw = crisp(image)
    tabs = [('Контакт-лист', (1, 84)), ('Кто в онлайне', (84, 168))]
    front = 0 if contact_in_front else 1
    draw.line((1, height - 1, width - 1, height - 1), fill=FRAME_DARK)
    for index, (label, (x0, x1)) in enumerate(tabs):
        if index == front:
            continue
        draw.rounded_rectangle((x0, 4, x1, height - 1), 4, fill=TAB_BACK, outline=HEADING_EDGE)
        draw.line((x0, height - 1, x1, height - 1), fill=FRAME_DARK)
        draw_centred(draw, (x0 + 2, 5, x1 - 2, height - 2), label, TAB_TEXT, TAB_FONT)
    label, (x0, x1) = tabs[front]
    draw.rounded_rectangle((x0, 0, x1, height + 4), 4, fill=FIELD, outline=BORDER)
    draw.line((x0, 5, x0, height - 1), fill=FRAME_DARK)
    draw.line((x1, 5, x1, height - 1), fill=FRAME_LIGHT)
    draw_centred(draw, (x0 + 2, 1, x1 - 2, height - 1), label, BUTTON_TEXT, TAB_FONT)
    return image


def render_padlock(closed):
    image = Image.new('RGB', (20, 23), FRIEND_SWITCH)
    draw = crisp(image)
    steel, steel_dark = (150, 150, 160), (90, 90, 104)
    lift = 0 if closed else 4
    draw.arc((5, 1 - lift + 4, 14, 13 - lift + 4), 180, 360, fill=steel_dark, width=2)
    draw.line((5, 9 - lift, 5, 11), fill=steel_dark, width=2)
    draw.line((13, 9 - lift, 13, 11 if closed else 8 - lift + 2), fill=steel_dark, width=2)
    draw.line((6, 8 - lift, 6, 10), fill=steel)
    body = (214, 170, 60) if closed else (120, 178, 80)
    draw.rectangle((2, 11, 17, 21), fill=body, outline=(104, 76, 20))
    draw.line((3, 12, 16, 12), fill=(240, 210, 120) if closed else (170, 214, 130))
    draw.rectangle((9, 14, 10, 18), fill=(60, 40, 10))
    return image


def render_logo():
    """The about button covers the logo from x = 68 on, so the picture keeps to the left of it."""
    image = Image.new('RGB', (75, 19), PANEL)
    draw = crisp(image)
    draw.rounded_rectangle((0, 2, 29, 16), 4, fill=(164, 48, 28), outline=(112, 28, 14))
    draw.text((3, 3), 'OZL', font=BOLD, fill=(255, 244, 220))
    draw.text((31, 3), 'портал', font=font('DejaVuSansCondensed.ttf', 10), fill=(112, 28, 14))
    return image


def render_info_sign():
    image = Image.new('RGB', (26, 25), FACE)
    draw = crisp(image)
    draw.ellipse((1, 0, 24, 23), fill=(40, 84, 170), outline=(20, 44, 110))
    draw.ellipse((3, 2, 22, 21), fill=(56, 106, 196))
    draw.rectangle((11, 4, 14, 7), fill=(255, 255, 255))
    draw.rectangle((11, 10, 14, 18), fill=(255, 255, 255))
    draw.rectangle((9, 10, 11, 11), fill=(255, 255, 255))
    draw.rectangle((9, 18, 16, 19), fill=(255, 255, 255))
    return image


# Labelled bitmap buttons -------------------------------------------------------------------

BUTTON_HEIGHT = 19
BUTTON_KEY = PANEL   # the panels the buttons sit on, so the corners and the pressed look's shadow blend in


@dataclass
class Button:
    window: str
    control: str
    width: int
    label: str
    double_tick: bool = False

    @property
    def resource(self):
        return f'BUTTON_{self.window.upper()}_{self.control.upper()}'

    @property
    def file(self):
        return f'button/{self.window}_{self.control.lower()}.bmp'

    @property
    def size(self):
        return self.width, BUTTON_HEIGHT


BUTTONS = [
    Button('start', 'Bnewuser', 159, 'Новый пользователь'),
    Button('start', 'Bproxy', 159, 'Настройка прокси'),
    Button('start', 'Bstart', 72, 'Войти'),
    Button('start', 'Bclose', 72, 'Выйти'),
    Button('list', 'Bchat', 156, 'Пообщаться'),
    Button('list', 'Bchatkiv', 156, 'Веб-чат OZL'),
    Button('list', 'Bsearch', 156, 'Поиск друзей'),
    Button('send', 'Bsend', 125, 'Отправить'),
    Button('send', 'Bclose', 125, 'Закрыть'),
    Button('chat', 'Bsend', 109, 'Отправить', double_tick=True),
    Button('registry', 'Brefresh', 40, 'Сброс'),
    Button('registry', 'Bregistry', 39, 'ОК'),
    Button('registry', 'Bcancel', 70, 'Отмена'),
    Button('search', 'Bsearch', 58, 'Искать'),
    Button('search', 'Bstop', 100, 'Закрыть'),
    Button('proxy', 'bApply', 72, 'Применить'),
    Button('proxy', 'bCancel', 72, 'Отмена'),
]


def draw_double_tick(draw, x, y):
    for dx in (0, 5):
        draw.line((x + dx, y + 3, x + dx + 2, y + 5, x + dx + 7, y), fill=TICK_GREEN, width=2)


def render_button(button):
    width, height = button.size
    image = Image.new('RGB', button.size, BUTTON_KEY)
    draw = crisp(image)
    bevel(draw, (0, 0, width - 1, height - 1), BUTTON_RADIUS, BUTTON_BORDER, BUTTON_LIGHT, BUTTON_SHADOW,
          BUTTON_FACE)
    text_box = (2, 2, width - 3, height - 3)
    if button.double_tick:
        chosen = fitting_font(button.label, width - 26)
        text_width = round(chosen.getlength(button.label))
        start = (width - (text_width + 16)) // 2
        draw_double_tick(draw, start, 6)
        draw_centred(draw, (start + 16, 2, start + 16 + text_width - 1, height - 3), button.label,
                     BUTTON_TEXT, chosen)
    else:
        draw_centred(draw, text_box, button.label, BUTTON_TEXT)
    return image


# Caption buttons: normal, hover and pressed pictures sharing one corner colour --------------

CAPTION_SIZE = (15, 13)
CAPTION_KEY = PANEL
CAPTION_LOOKS = {
    '': ((240, 226, 190), BUTTON_LIGHT, BUTTON_SHADOW, (84, 60, 28), 0),
    '_OVER': ((253, 246, 226), (255, 255, 250), (222, 204, 160), (176, 52, 28), 0),
    '_DOWN': ((214, 194, 148), (190, 168, 120), (236, 222, 186), (84, 60, 28), 1),
}


def caption_glyph(draw, sign, colour, shift):
    x, y = 7 + shift, 6 + shift
    if sign == 'close':
        draw.line((x - 3, y - 3, x + 3, y + 3), fill=colour, width=2)
        draw.line((x - 3, y + 3, x + 3, y - 3), fill=colour, width=2)
    elif sign == 'minimize':
        draw.rectangle((x - 3, y + 2, x + 3, y + 3), fill=colour)
    else:
        draw.rectangle((x - 1, y - 4, x, y + 1), fill=colour)
        draw.rectangle((x - 1, y + 3, x, y + 4), fill=colour)


def render_caption(sign, look):
    face, light, shadow, glyph, shift = CAPTION_LOOKS[look]
    image = Image.new('RGB', CAPTION_SIZE, CAPTION_KEY)
    draw = ImageDraw.Draw(image)
    bevel(draw, (0, 0, CAPTION_SIZE[0] - 1, CAPTION_SIZE[1] - 1), 3, BUTTON_BORDER, light, shadow, face)
    caption_glyph(draw, sign, glyph, shift)
    return image


CAPTIONS = [(f'CAPTION_{sign.upper()}{look}', f'caption/{sign}{look.lower()}.bmp', sign, look)
            for sign in ('close', 'minimize', 'about') for look in CAPTION_LOOKS]


# Status icons laid beside the exe -----------------------------------------------------------

def render_status(kind):
    image = Image.new('RGB', (16, 16), FIELD)
    draw = ImageDraw.Draw(image)
    if kind == 'chat':
        draw.rounded_rectangle((1, 2, 14, 11), 3, fill=(250, 200, 60), outline=(150, 100, 10))
        draw.polygon([(4, 11), (8, 11), (4, 14)], fill=(250, 200, 60), outline=(150, 100, 10))
        draw.line((5, 11, 7, 11), fill=(250, 200, 60))
        for x in (4, 7, 10):
            draw.rectangle((x, 6, x + 1, 7), fill=(150, 100, 10))
        return image
    fill, edge, shine = (((60, 180, 60), (20, 100, 20), (170, 235, 160)) if kind == 'connect'
                         else ((200, 60, 50), (120, 20, 16), (240, 170, 160)))
    draw.ellipse((1, 1, 14, 14), fill=fill, outline=edge)
    draw.ellipse((4, 3, 8, 6), fill=shine)
    if kind == 'disconnect':
        draw.rectangle((4, 7, 11, 8), fill=(255, 255, 255))
    return image


STATUS_ICONS = ['connect', 'disconnect', 'chat']   # online, offline, in the general chat


# Window icons: 16 and 32 pixels, 32-bit colour with a one-bit AND mask ----------------------

def render_icon(kind, size):
    """Speech bubble; the tray alert alternates an envelope on red with one on yellow."""
    scale = size / 16
    image = Image.new('RGBA', (size, size), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)

    def s(*points):
        return [round(p * scale) for p in points]

    bubble = {'APP': (236, 136, 40), 'TRAY_STILL': (60, 170, 70),
              'TRAY_ALERT1': (210, 50, 40), 'TRAY_ALERT2': (250, 200, 40)}[kind]
    edge = tuple(c // 2 for c in bubble)
    draw.rounded_rectangle(s(0, 1, 15, 11), round(3 * scale), fill=bubble + (255,), outline=edge + (255,))
    draw.polygon([tuple(s(3, 10)), tuple(s(8, 10)), tuple(s(3, 15))], fill=bubble + (255,), outline=edge + (255,))
    draw.line(s(4, 10, 7, 10), fill=bubble + (255,), width=max(1, round(scale)))
    if kind.startswith('TRAY_ALERT'):
        paper = (255, 255, 255, 255)
        draw.rectangle(s(3, 3, 12, 9), fill=paper, outline=edge + (255,))
        draw.line(s(3, 3, 7.5, 6.5, 12, 3), fill=edge + (255,), width=1)
    else:
        for x in (3, 7, 11):
            draw.rectangle(s(x, 5, x + 1.6, 6.6), fill=(255, 250, 235, 255))
    return image


def icon_image_bytes(image):
    size = image.size[0]
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = image.load()
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        bits = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = pixels[x, y]
            if a == 0:
                colour += b'\0\0\0\0'
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                colour += bytes((b, g, r, 255))
        mask += bits
    return header + bytes(colour) + bytes(mask)


def write_icon(path, kind):
    images = [icon_image_bytes(render_icon(kind, size)) for size in (16, 32)]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b''
    for size, data in zip((16, 32), images):
        entries += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    path.write_bytes(directory + entries + b''.join(images))


# APP comes first, and sorts first among named icons, so it is the exe's own icon.
ICONS = ['APP', 'TRAY_STILL', 'TRAY_ALERT1', 'TRAY_ALERT2']


def icon_file(name):
    return f'icon/{name.lower()}.ico'


# Sounds --------------------------------------------------------------------------------------

SAMPLE_RATE = 22050


def tone_sequence(notes, shape):
    """notes: (frequency in Hz or 0 for silence, seconds); shape 'bell' decays, 'soft' swells and fades."""
    samples = []
    for frequency, seconds in notes:
        count = round(seconds * SAMPLE_RATE)
        for n in range(count):
            t = n / SAMPLE_RATE
            if shape == 'bell':
                envelope = math.exp(-6 * t / seconds)
            else:
                envelope = min(1.0, n / 200, (count - n) / 400)
            value = math.sin(2 * math.pi * frequency * t) + 0.3 * math.sin(4 * math.pi * frequency * t)
            samples.append(round(0.45 * 32767 * envelope * value / 1.3) if frequency else 0)
    return samples


SOUNDS = [
    ('sound/oncreate.wav', [(523, 0.12), (659, 0.12), (784, 0.2)], 'soft'),               # program start
    ('sound/Beep.wav', [(880, 0.12)], 'soft'),                                             # button actions
    ('sound/onregistry.wav', [(523, 0.1), (659, 0.1), (784, 0.1), (1047, 0.25)], 'soft'),  # registered
    ('sound/onenter.wav', [(784, 0.12), (1047, 0.2)], 'bell'),                             # logged in
    ('sound/onprivat.wav', [(1319, 0.14), (1047, 0.22)], 'bell'),                          # private message
    ('sound/onclose.wav', [(784, 0.14), (523, 0.26)], 'soft'),                             # quit question
]


def write_sound(path, notes, shape):
    samples = tone_sequence(notes, shape)
    with wave.open(str(path), 'wb') as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(SAMPLE_RATE)
        out.writeframes(struct.pack(f'<{len(samples)}h', *samples))


# Checks --------------------------------------------------------------------------------------

def colours(image):
    return {colour for _, colour in image.getcolors(image.size[0] * image.size[1])}


def near_corner(x, y, width, height, reach):
    return min(x, width - 1 - x) < reach and min(y, height - 1 - y) < reach


def check_rounded(image, resource, key, rows):
    """The corners of the given rows (0 the top, -1 the bottom) lie outside the outline."""
    width, height = image.size
    for y in rows:
        for x in (0, width - 1):
            assert image.getpixel((x, y % height)) == key, f'{resource}: corner {x},{y} is not transparent'


def check_reaches_bottom_right(image, resource, key):
    """An outline that touches the right and bottom edges lands on the same place whether the window
    aligns the outline's bounding box or the bitmap's frame with its bottom-right corner."""
    width, height = image.size
    assert any(image.getpixel((x, height - 1)) != key for x in range(width)), f'{resource}: bottom edge'
    assert any(image.getpixel((width - 1, y)) != key for y in range(height)), f'{resource}: right edge'


def check_pushbutton(image, resource, key):
    """The corner colour decides what is transparent and what is hit: it must stay in the corners."""
    width, height = image.size
    pixels = image.load()
    assert pixels[0, height - 1] == key, f'{resource}: bottom-left is not the corner colour'
    for y in range(height):
        for x in range(width):
            if pixels[x, y] == key:
                assert near_corner(x, y, width, height, BUTTON_RADIUS), f'{resource}: corner colour at {x},{y}'


def check_derived_looks(image, resource, key):
    """The hover and pressed pictures are drawn with the same corner colour: no face pixel may turn into it.
    The pressed look keeps the colour at (3, 3) and darkens the rest, so that pixel must be the face."""
    reference = image.getpixel((3, 3))
    assert reference == BUTTON_FACE, f'{resource}: (3, 3) is not the face'
    for colour in colours(image) - {key}:
        lighter = tuple(round(255 - 0.8 * (255 - c)) for c in colour)
        assert lighter != key, f'{resource}: hover look would punch a hole'
        if colour != reference:
            darker = tuple((7 * c + 4) // 10 for c in colour)
            assert darker != key, f'{resource}: pressed look would punch a hole'


def check_file(path, size, image):
    header = path.read_bytes()[:54]
    width, height, planes, bits, compression = struct.unpack('<iiHHI', header[18:34])
    assert (width, height) == size, f'{path}: {width}x{height} instead of {size}'
    assert planes == 1 and bits in (4, 8) and compression == 0, f'{path}: not an uncompressed palette bitmap'
    assert Image.open(path).convert('RGB').tobytes() == image.convert('RGB').tobytes(), \
        f'{path}: the stored pixels differ from the drawn ones'


# Output --------------------------------------------------------------------------------------

def palette_bitmap(image):
    """The bytes of an uncompressed BMP with a palette: 4 bits a pixel for up to 16 colours, else 8.
    The skins use a handful of colours, so this keeps the exe small; the program reads every
    bitmap back as 24-bit colour."""
    rgb = image.convert('RGB')
    width, height = rgb.size
    palette = sorted({colour for _, colour in rgb.getcolors(width * height)})
    assert len(palette) <= 256, 'a bitmap with more than 256 colours'
    bits = 4 if len(palette) <= 16 else 8
    index = {colour: i for i, colour in enumerate(palette)}
    pixels = rgb.load()
    row_bytes = (width * bits + 31) // 32 * 4
    rows = []
    for y in range(height - 1, -1, -1):
        indices = [index[pixels[x, y]] for x in range(width)]
        if bits == 4:
            indices += [0] * (len(indices) % 2)
            row = bytes(indices[i] << 4 | indices[i + 1] for i in range(0, len(indices), 2))
        else:
            row = bytes(indices)
        rows.append(row + bytes(row_bytes - len(row)))
    colour_table = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    colour_table += bytes(4 * (2 ** bits - len(palette)))
    offset = 14 + 40 + len(colour_table)
    data = b''.join(rows)
    file_header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info_header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, len(data), 2835, 2835,
                              2 ** bits, 0)
    return file_header + info_header + colour_table + data


def save_bitmap(image, relative, size):
    path = ASSETS / relative
    path.parent.mkdir(parents=True, exist_ok=True)
    assert image.size == size, f'{relative}: drawn at {image.size}, expected {size}'
    path.write_bytes(palette_bitmap(image))
    check_file(path, size, image)


RC_BEGIN = '// Resources drawn by generate.py: edit the script, not these lines.'
RC_END = '// End of the drawn resources.'


def resource_lines(bitmaps):
    lines = [RC_BEGIN]
    lines += [f'{name:<26} ICON   "{icon_file(name)}"' for name in ICONS]
    lines += [f'{name:<26} BITMAP "{file}"' for name, file in bitmaps]
    lines.append(RC_END)
    return '\n'.join(lines) + '\n'


def update_rc(bitmaps):
    """Rewrites only the block of drawn resources, keeping everything else of ozl.rc as it is."""
    rc_path = ASSETS / 'ozl.rc'
    text = rc_path.read_text()
    block = resource_lines(bitmaps)
    pattern = re.compile(re.escape(RC_BEGIN) + r'.*?' + re.escape(RC_END) + r'\n', re.S)
    if pattern.search(text):
        text = pattern.sub(lambda _: block, text)
    else:
        include = '#include <winver.h>\n'
        assert include in text, 'ozl.rc lost its winver.h include'
        text = text.replace(include, include + '\n' + block, 1)
    rc_path.write_text(text)


def main():
    bitmaps = []
    for skin in SKINS:
        image = render_skin(skin)
        check_rounded(image, skin.resource, skin.key, (0, -1))
        if not skin.anchored_top_left:
            check_reaches_bottom_right(image, skin.resource, skin.key)
        save_bitmap(image, skin.file, skin.size)
        bitmaps.append((skin.resource, skin.file))
        if skin.resource == 'SKIN_HISTORY':
            bitmaps.append(WEBCHAT_SKIN)

    top, bottom, line = render_list_window()
    check_rounded(top, 'SKIN_LIST_TOP', SKIN_KEY, (0,))
    check_rounded(bottom, 'SKIN_LIST_BOTTOM', SKIN_KEY, (-1,))
    assert SKIN_KEY not in colours(line), 'the list window line must be opaque edge to edge'
    for resource, file, image, size in (('SKIN_LIST_TOP', 'skin/list_top.bmp', top, (180, 44)),
                                        ('SKIN_LIST_BOTTOM', 'skin/list_bottom.bmp', bottom, (180, 111)),
                                        ('SKIN_LIST_LINE', 'skin/list_line.bmp', line, (180, 1)),
                                        ('SWITCH_PAGES_OFF', 'skin/pages_off.bmp', render_page_tabs(False), (169, 24)),
                                        ('SWITCH_PAGES_ON', 'skin/pages_on.bmp', render_page_tabs(True), (169, 24)),
                                        ('SWITCH_FRIEND_OFF', 'skin/friend_off.bmp', render_padlock(False), (20, 23)),
                                        ('SWITCH_FRIEND_ON', 'skin/friend_on.bmp', render_padlock(True), (20, 23)),
                                        ('LOGO', 'skin/logo.bmp', render_logo(), (75, 19)),
                                        ('INFO_SIGN', 'skin/info_sign.bmp', render_info_sign(), (26, 25))):
        save_bitmap(image, file, size)
        bitmaps.append((resource, file))

    for button in BUTTONS:
        image = render_button(button)
        check_pushbutton(image, button.resource, BUTTON_KEY)
        check_derived_looks(image, button.resource, BUTTON_KEY)
        save_bitmap(image, button.file, button.size)
        bitmaps.append((button.resource, button.file))

    for resource, file, sign, look in CAPTIONS:
        image = render_caption(sign, look)
        check_pushbutton(image, resource, CAPTION_KEY)
        save_bitmap(image, file, CAPTION_SIZE)
        bitmaps.append((resource, file))

    for kind in STATUS_ICONS:
        save_bitmap(render_status(kind), f'design/{kind}.bmp', (16, 16))

    (ASSETS / 'icon').mkdir(exist_ok=True)
    for name in ICONS:
        write_icon(ASSETS / icon_file(name), name)

    for file, notes, shape in SOUNDS:
        seconds = sum(length for _, length in notes)
        assert 0.1 <= seconds <= 0.6, f'{file}: {seconds} s'
        write_sound(ASSETS / file, notes, shape)

    update_rc(bitmaps)


if __name__ == '__main__':
    main()
