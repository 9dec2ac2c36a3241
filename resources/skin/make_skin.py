#!/usr/bin/env python3
"""Generates Ludora's own skin: the description (skin.ini) and its 24-bit bitmaps, drawn
here in code, into OUTDIR, and the engine's built-in track bitmaps with a resource script
(OUTDIR/builtin/SkinBitmaps.rc). Magenta (255, 0, 255) is the transparent key colour.

The look: a dark slate frame and caption around a light client area, with one blue accent
for selection, focus and progress; flat controls with 1-pixel outlines."""
import os
import struct
import sys

KEY = (255, 0, 255)
WHITE = (255, 255, 255)
FACE = (243, 245, 248)        # button face / client background
LIGHT = (252, 253, 254)
LINE = (200, 206, 214)        # control outlines
LINE_HOT = (150, 160, 175)
SHADOW = (160, 168, 180)
DK_SHADOW = (96, 104, 118)
TEXT = (33, 37, 43)
GREY_TEXT = (140, 146, 156)
ACCENT = (0, 120, 215)
ACCENT_DARK = (0, 90, 170)
ACCENT_LIGHT = (204, 228, 247)
CAPTION = (36, 47, 66)        # active caption and frame
CAPTION_EDGE = (26, 34, 48)
CAPTION_OFF = (92, 100, 114)  # inactive
CAPTION_OFF_EDGE = (78, 85, 98)
CLOSE_HOT = (232, 17, 35)


def mix(a, b, t):
    """t of a and 1 - t of b."""
    return tuple(int(round(x * t + y * (1 - t))) for x, y in zip(a, b))


class Image:
    def __init__(self, w, h, fill=KEY):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.px[y][x] = c

    def outline(self, x0, y0, x1, y1, c):
        self.rect(x0, y0, x1, y0 + 1, c)
        self.rect(x0, y1 - 1, x1, y1, c)
        self.rect(x0, y0, x0 + 1, y1, c)
        self.rect(x1 - 1, y0, x1, y1, c)

    def rounded(self, x0, y0, x1, y1, fill, edge=None):
        """A box with 1-pixel cut corners, outlined when edge is given."""
        self.rect(x0 + 1, y0, x1 - 1, y1, fill)
        self.rect(x0, y0 + 1, x1, y1 - 1, fill)
        if edge:
            self.rect(x0 + 1, y0, x1 - 1, y0 + 1, edge)
            self.rect(x0 + 1, y1 - 1, x1 - 1, y1, edge)
            self.rect(x0, y0 + 1, x0 + 1, y1 - 1, edge)
            self.rect(x1 - 1, y0 + 1, x1, y1 - 1, edge)

    def vgradient(self, x0, y0, x1, y1, top, bottom):
        n = max(1, y1 - y0 - 1)
        for y in range(y0, y1):
            self.rect(x0, y, x1, y + 1, mix(bottom, top, (y - y0) / n))

    def glyph(self, x0, y0, rows, c):
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch == '#':
                    self.put(x0 + dx, y0 + dy, c)

    def paste(self, other, x0, y0):
        for y in range(other.h):
            for x in range(other.w):
                self.put(x0 + x, y0 + y, other.px[y][x])

    def bmp(self):
        stride = (self.w * 3 + 3) & ~3
        body = bytearray()
        for row in reversed(self.px):
            line = bytearray()
            for r, g, b in row:
                line += bytes((b, g, r))
            body += line + bytes(stride - len(line))
        header = struct.pack('<2sIHHI', b'BM', 54 + len(body), 0, 0, 54)
        info = struct.pack('<IiiHHIIiiII', 40, self.w, self.h, 1, 24, 0, len(body), 2835, 2835, 0, 0)
        return header + info + bytes(body)


def strip(frames, vertical=False):
    w, h = frames[0].w, frames[0].h
    out = Image(w, h * len(frames)) if vertical else Image(w * len(frames), h)
    for i, f in enumerate(frames):
        out.paste(f, 0, i * h) if vertical else out.paste(f, i * w, 0)
    return out


def frames(n, w, h, draw):
    """n frames of w x h, frame k (1-based) drawn by draw(image, k)."""
    result = []
    for k in range(1, n + 1):
        img = Image(w, h)
        draw(img, k)
        result.append(img)
    return result


# --- window frame ------------------------------------------------------------------------

CAPTION_HEIGHT = 30
BORDER = 4


def caption_band(img, base, edge):
    """The caption's gradient and top edge line over the caption rows of img."""
    img.vgradient(0, 0, img.w, CAPTION_HEIGHT, mix(WHITE, base, 0.06), base)
    img.rect(0, 0, img.w, 1, edge)


# The top border lies between the side borders; the window's corners are theirs.
def top_border():
    def draw(img, k):
        base, edge = (CAPTION, CAPTION_EDGE) if k == 1 else (CAPTION_OFF, CAPTION_OFF_EDGE)
        caption_band(img, base, edge)
    return strip(frames(2, 60, CAPTION_HEIGHT, draw), vertical=True)


def side_border(right):
    def draw(img, k):
        base, edge = (CAPTION, CAPTION_EDGE) if k == 1 else (CAPTION_OFF, CAPTION_OFF_EDGE)
        img.rect(0, 0, img.w, img.h, base)
        caption_band(img, base, edge)   # the top margin: drawn unstretched
        outer, inward = (img.w - 1, -1) if right else (0, 1)
        img.rect(outer, 0, outer + 1, img.h, edge)
        for x, y in ((0, 0), (1, 0), (2, 0), (0, 1), (0, 2)):   # rounded top corner
            img.put(outer + inward * x, y, KEY)
        img.put(outer + inward, 1, edge)
    return strip(frames(2, BORDER, 60, draw))


def bottom_border():
    def draw(img, k):
        base, edge = (CAPTION, CAPTION_EDGE) if k == 1 else (CAPTION_OFF, CAPTION_OFF_EDGE)
        img.rect(0, 0, img.w, img.h, base)
        img.rect(0, img.h - 1, img.w, img.h, edge)
    return strip(frames(2, 60, BORDER, draw), vertical=True)


def menu_bar():
    def draw(img, k):
        img.rect(0, 0, img.w, img.h, FACE if k == 1 else mix(FACE, LINE, 0.5))
        img.rect(0, img.h - 1, img.w, img.h, LINE)
    return strip(frames(2, 20, 20, draw))


# --- caption buttons -----------------------------------------------------------------------

CLOSE = ['#.....#', '.#...#.', '..#.#..', '...#...', '..#.#..', '.#...#.', '#.....#']
MAXIMISE = ['#########', '#########', '#.......#', '#.......#', '#.......#', '#.......#', '#########']
MINIMISE = ['#########', '#########']
RESTORE = ['..#######', '..#.....#', '#######.#', '#.....#.#', '#.....###', '#.....#..', '#######..']
MENU = ['#########', '.........', '.........', '#########', '.........', '.........', '#########']


def caption_button(rows, close=False):
    def draw(img, k):
        ink = WHITE
        if k == 2:
            img.rounded(0, 0, img.w, img.h, mix(CLOSE_HOT, (0, 0, 0), 0.8) if close else mix(WHITE, CAPTION, 0.12))
        elif k == 3:
            img.rounded(0, 0, img.w, img.h, CLOSE_HOT if close else mix(WHITE, CAPTION, 0.22))
        elif k == 4:
            ink = mix(WHITE, CAPTION_OFF, 0.55)
        gw, gh = len(rows[0]), len(rows)
        img.glyph((img.w - gw) // 2, (img.h - gh) // 2, rows, ink)
    return strip(frames(6, 25, 15, draw))


# Two-character labels, drawn 11 x 11, with a leading icon: feedback and home page.
FAN = ['.#########.', '.#.........', '.#.........', '.#########.', '.#.#.....#.', '.#..#...#..',
       '.#...#.#...', '.#....#....', '#....#.#...', '#...#...#..', '#..#.....##']
KUI = ['..#..#.#.#.', '.#...#####.', '#.##.#.#.#.', '..#..#####.', '.#.........', '.#.########',
       '.#...#####.', '.#...#...#.', '.#.#.#####.', '.##...#.#..', '.#..##...##']
ZHU = ['.....#.....', '......#....', '.#########.', '.....#.....', '.....#.....', '..#######..',
       '.....#.....', '.....#.....', '.....#.....', '.....#.....', '###########']
YE = ['###########', '.....#.....', '..#######..', '..#.....#..', '..#..#..#..', '..#..#..#..',
      '..#..#..#..', '..#..#..#..', '....#.#....', '...#...#...', '.##.....##.']
BUBBLE = ['.#########.', '#.........#', '#.##.#.##.#', '#.........#', '.####.####.', '....#.#....',
          '.....#.....']
HOUSE = ['.....#.....', '....#.#....', '...#...#...', '..#.....#..', '.#.......#.', '.#.##.##.#.',
         '.#.##.##.#.', '.#.......#.']


def label_button(icon, chars):
    def draw(img, k):
        ink = WHITE
        if k == 2:
            img.rounded(0, 0, img.w, img.h, mix(WHITE, CAPTION, 0.12))
        elif k == 3:
            img.rounded(0, 0, img.w, img.h, mix(WHITE, CAPTION, 0.22))
        elif k == 4:
            ink = mix(WHITE, CAPTION_OFF, 0.55)
        width = 11 + 4 + 11 + 1 + 11
        x = (img.w - width) // 2
        img.glyph(x, (img.h - len(icon)) // 2, icon, ink)
        img.glyph(x + 15, 3, chars[0], ink)
        img.glyph(x + 27, 3, chars[1], ink)
    return strip(frames(6, 74, 17, draw))


# --- controls ------------------------------------------------------------------------------

def push_button():
    # 1 normal, 2 hot, 3 pressed, 4 disabled, 5 focused / default.
    looks = {1: (LIGHT, LINE), 2: (WHITE, LINE_HOT), 3: (ACCENT_LIGHT, ACCENT), 4: (FACE, mix(LINE, FACE, 0.6)),
             5: (LIGHT, ACCENT)}

    def draw(img, k):
        fill, edge = looks[k]
        img.rounded(0, 0, img.w, img.h, fill, edge)
        if k == 5:
            img.outline(1, 1, img.w - 1, img.h - 1, mix(ACCENT, LIGHT, 0.35))
    return strip(frames(5, 32, 24, draw))


CHECK_MARK = ['......#', '.....##', '#...##.', '##.##..', '.###...', '..#....']


def check_boxes():
    # Unchecked, checked, indeterminate; each normal, hot, pressed, disabled.
    def draw(img, k):
        kind, state = (k - 1) // 4, (k - 1) % 4
        edge = [LINE_HOT, ACCENT, ACCENT_DARK, LINE][state]
        fill = [WHITE, WHITE, ACCENT_LIGHT, FACE][state]
        if kind > 0 and state != 3:
            fill, edge = (ACCENT if state < 2 else ACCENT_DARK), (ACCENT if state < 2 else ACCENT_DARK)
        img.rounded(0, 0, 13, 13, fill, edge)
        ink = WHITE if state != 3 else GREY_TEXT
        if kind == 1:
            img.glyph(3, 4, CHECK_MARK, ink)
        elif kind == 2:
            img.rect(3, 6, 10, 8, ink)
    return strip(frames(12, 13, 13, draw))


RING = ['....#####....', '..##.....##..', '.#.........#.', '.#.........#.', '#...........#', '#...........#',
        '#...........#', '#...........#', '#...........#', '.#.........#.', '.#.........#.', '..##.....##..',
        '....#####....']


def radio_buttons():
    # Unchecked then checked; each normal, hot, pressed, disabled.
    def draw(img, k):
        checked, state = (k - 1) // 4, (k - 1) % 4
        edge = [LINE_HOT, ACCENT, ACCENT_DARK, LINE][state]
        for y, row in enumerate(RING):   # fill inside the ring, then the ring itself
            inside = [x for x, ch in enumerate(row) if ch == '#']
            img.rect(inside[0], y, inside[-1] + 1, y + 1, [WHITE, WHITE, ACCENT_LIGHT, FACE][state])
        img.glyph(0, 0, RING, edge)
        if checked:
            dot = ACCENT if state < 2 else (ACCENT_DARK if state == 2 else GREY_TEXT)
            img.rounded(4, 4, 9, 9, dot)
    return strip(frames(8, 13, 13, draw))


def progress():
    def draw(img, k):
        if k == 1:
            img.rounded(0, 0, img.w, img.h, WHITE, LINE)
        else:
            img.rounded(0, 0, img.w, img.h, ACCENT, ACCENT_DARK)
            img.rect(1, 1, img.w - 1, 2, mix(WHITE, ACCENT, 0.3))
    return strip(frames(2, 20, 14, draw))


def progress_chunk():
    img = Image(8, 10)
    img.rect(0, 0, 6, 10, ACCENT)
    img.rect(0, 0, 6, 1, mix(WHITE, ACCENT, 0.3))
    return img


def tabs():
    # 1 normal, 2 selected, 3 hot, 4 disabled, 5 spare (normal).
    def draw(img, k):
        fill = {1: FACE, 2: WHITE, 3: LIGHT, 4: FACE, 5: FACE}[k]
        img.rect(0, 1, img.w, img.h, fill)
        img.rect(1, 0, img.w - 1, 1, LINE)
        img.rect(0, 1, 1, img.h, LINE)
        img.rect(img.w - 1, 1, img.w, img.h, LINE)
        if k == 2:
            img.rect(1, 0, img.w - 1, 2, ACCENT)
        else:
            img.rect(0, img.h - 1, img.w, img.h, LINE)
        img.put(0, 0, KEY)
        img.put(img.w - 1, 0, KEY)
    return strip(frames(5, 40, 24, draw))


def tab_pane():
    img = Image(24, 24, WHITE)
    img.outline(0, 0, 24, 24, LINE)
    return img


ARROW_DOWN = ['#######', '.#####.', '..###..', '...#...']


def arrow(direction):
    rows = ARROW_DOWN
    if direction == 'up':
        rows = list(reversed(rows))
    elif direction in ('left', 'right'):
        rows = [''.join(r[i] for r in rows) for i in range(len(rows[0]))]
        if direction == 'left':
            rows = [r[::-1] for r in rows]
    return rows


def combo_button():
    # 1 normal, 2 pressed, 3 disabled, 4 hot.
    def draw(img, k):
        fill = {1: LIGHT, 2: ACCENT_LIGHT, 3: FACE, 4: WHITE}[k]
        img.rect(1, 1, img.w - 1, img.h - 1, fill)
        img.rect(0, 2, 1, img.h - 2, LINE)
        img.glyph(5, 9, arrow('down'), GREY_TEXT if k == 3 else TEXT)
    return strip(frames(4, 17, 21, draw))


def status_edges():
    def draw(img, k):
        img.rect(0, 0, img.w, img.h, FACE)
        if k == 1:
            img.outline(0, 0, img.w, img.h, LINE)
        elif k == 2:
            img.outline(0, 0, img.w, img.h, WHITE)
    return strip(frames(3, 12, 12, draw))


def header_bar():
    def draw(img, k):
        img.rect(0, 0, img.w, img.h, {1: LIGHT, 2: WHITE, 3: ACCENT_LIGHT, 4: FACE, 5: LIGHT}[k])
        img.rect(0, img.h - 1, img.w, img.h, LINE)
        img.rect(img.w - 1, 3, img.w, img.h - 3, LINE)
    return strip(frames(5, 30, 22, draw))


def scroll_arrows():
    # Four directions (up, down, left, right) in four states, then grips and spares.
    def draw(img, k):
        img.rect(0, 0, 16, 16, FACE)
        if k <= 16:
            direction = ['up', 'down', 'left', 'right'][(k - 1) // 4]
            state = (k - 1) % 4
            if state in (1, 2):
                img.rect(1, 1, 15, 15, LINE if state == 1 else SHADOW)
            rows = arrow(direction)
            ink = GREY_TEXT if state == 3 else (DK_SHADOW if state == 0 else TEXT)
            img.glyph((16 - len(rows[0])) // 2, (16 - len(rows)) // 2, rows, ink)
        else:
            for i in range(3):
                img.rect(5, 5 + 2 * i, 11, 6 + 2 * i, SHADOW)
            img.put(0, 0, FACE)
    return strip(frames(23, 16, 16, draw))


def scroll_thumb(horizontal):
    w, h = (24, 16) if horizontal else (16, 24)

    def draw(img, k):
        img.rect(0, 0, w, h, FACE)
        fill = {1: LINE, 2: LINE_HOT, 3: SHADOW, 4: mix(LINE, FACE, 0.5)}[k]
        if horizontal:
            img.rounded(0, 4, w, h - 4, fill)
        else:
            img.rounded(4, 0, w - 4, h, fill)
    return strip(frames(4, w, h, draw))


def scroll_track():
    def draw(img, k):
        img.rect(0, 0, 16, 16, {1: FACE, 2: mix(FACE, LINE, 0.7), 3: mix(FACE, LINE, 0.4), 4: FACE}[k])
    return strip(frames(4, 16, 16, draw))


def menu_background():
    img = Image(32, 32, WHITE)
    img.outline(0, 0, 32, 32, LINE)
    return img


def menu_item():
    # 1 normal, 2 separator, 3 spare, 4 selected, 5 disabled.
    def draw(img, k):
        img.rect(0, 0, img.w, img.h, WHITE)
        if k == 2:
            img.rect(4, img.h // 2, img.w - 4, img.h // 2 + 1, LINE)
        elif k == 4:
            img.rounded(2, 1, img.w - 2, img.h - 1, ACCENT_LIGHT)
    return strip(frames(5, 30, 22, draw))


GRIP = ['...........#', '............', '.........#.#', '............', '.......#.#.#', '............',
        '.....#.#.#.#']


def extra_images():
    def draw(img, k):
        if k == 5:
            img.glyph(2, 7, GRIP, SHADOW)
        else:
            rows = arrow(['down', 'up', 'left', 'right'][k - 1])
            img.glyph((16 - len(rows[0])) // 2, (16 - len(rows)) // 2, rows, TEXT)
    return strip(frames(5, 16, 16, draw))


def track_thumb(pointing_down):
    def draw(img, k):
        fill = {1: WHITE, 2: ACCENT, 3: ACCENT_DARK, 4: FACE, 5: WHITE}[k]
        edge = {1: LINE_HOT, 2: ACCENT_DARK, 3: ACCENT_DARK, 4: LINE, 5: ACCENT}[k]
        body = img.h - 5 if pointing_down else img.h
        img.rounded(0, 0, img.w, body, fill, edge)
        if pointing_down:
            for i in range(5):
                img.rect(i + 1, body - 1 + i, img.w - 1 - i, body + i, fill)
                img.put(i, body - 1 + i, edge)
                img.put(img.w - 1 - i, body - 1 + i, edge)
    return strip(frames(5, 11, 20, draw))


def mdi_controls():
    # Minimise, restore, close of a maximised child: 4 frames each (normal, pressed, hot, inactive).
    glyphs = [MINIMISE, RESTORE, CLOSE]

    def draw(img, k):
        button, state = (k - 1) // 4, (k - 1) % 4
        img.rect(0, 0, img.w, img.h, FACE)
        if state in (1, 2):
            img.rounded(0, 0, img.w, img.h, CLOSE_HOT if button == 2 and state == 2 else LINE)
        rows = glyphs[button]
        ink = WHITE if button == 2 and state == 2 else (GREY_TEXT if state == 3 else TEXT)
        img.glyph((img.w - len(rows[0])) // 2, (img.h - len(rows)) // 2, rows, ink)
    return strip(frames(12, 16, 14, draw))


def updown(vertical):
    w, h = (16, 10) if vertical else (10, 16)

    def draw(img, k):
        state = (k - 1) % 4
        img.rounded(0, 0, w, h, [LIGHT, ACCENT_LIGHT, WHITE, FACE][state], [LINE, ACCENT, LINE_HOT, LINE][state])
    return strip(frames(8, w, h, draw))


def updown_glyphs(vertical):
    first, second = ('up', 'down') if vertical else ('left', 'right')
    w, h = (7, 4) if vertical else (4, 7)

    def draw(img, k):
        rows = arrow(first if k <= 4 else second)
        img.glyph(0, 0, rows, GREY_TEXT if (k - 1) % 4 == 3 else TEXT)
    return strip(frames(8, w, h, draw))


def track(vertical):
    """The engine's built-in track-bar channels (used when a skin has none): 16 x 4, 4 x 16."""
    img = Image(16, 4, FACE)
    img.outline(0, 0, 16, 4, LINE_HOT)
    img.rect(1, 1, 15, 3, LINE)
    for x, y in ((0, 0), (15, 0), (0, 3), (15, 3)):
        img.put(x, y, FACE)
    if vertical:
        turned = Image(4, 16)
        for y in range(16):
            for x in range(4):
                turned.put(x, y, img.px[x][y])
        return turned
    return img


def rgb(c):
    return '%d %d %d' % c


def description():
    return '\r\n'.join([
        '; Ludora skin: generated by resources/skin/make_skin.py',
        '[SkinInfo]',
        'Name=Ludora Slate',
        'Author=Ludora',
        '[TitlebarSkin]',
        'Style=flat',
        '[Personality]',
        'Left=left.bmp', 'LeftFrame=2', 'LeftStretch=1', 'LeftTrans=1',
        'LeftTopHeight=%d' % CAPTION_HEIGHT, 'LeftBotHeight=%d' % BORDER,
        'Right=right.bmp', 'RightFrame=2', 'RightStretch=1', 'RightTrans=1',
        'RightTopHeight=%d' % CAPTION_HEIGHT, 'RightBotHeight=%d' % BORDER,
        'Top=top.bmp', 'TopFrame=2', 'TopStretch=1', 'TopTrans=0', 'TopTopHeight=6', 'TopBotHeight=6',
        'Bottom=bottom.bmp', 'BottomFrame=2', 'BottomStretch=1', 'BottomTrans=0',
        'BottomTopHeight=4', 'BottomBotHeight=4',
        'menuBar=menubar.bmp', 'TileMenu=1', 'TileLeftMenu=1', 'TileRightMenu=1',
        'TextShift=16', 'TextShiftVert=2', 'TextRightClip=75', 'TextAlignment=0',
        'ActiveTextR=255', 'ActiveTextG=255', 'ActiveTextB=255',
        'InActiveTextR=214', 'InActiveTextG=218', 'InActiveTextB=224',
        '[Fonts]',
        'FontHeight=14',
        '[Colours]',
        'WindowText=' + rgb(TEXT),
        'ButtonFace=' + rgb(FACE),
        'Scrollbar=' + rgb(FACE),
        'HilightText=' + rgb(WHITE),
        'Hilight=' + rgb(ACCENT),
        'Menubar=' + rgb(FACE),
        'Menu=' + rgb(WHITE),
        'MenuText=' + rgb(TEXT),
        'ButtonText=' + rgb(TEXT),
        'ButtonHilight=' + rgb(WHITE),
        'Buttonlight=' + rgb(LIGHT),
        'ButtonShadow=' + rgb(SHADOW),
        'ButtonDkShadow=' + rgb(DK_SHADOW),
        'MenuBarText=' + rgb(TEXT),
        'TitleTextActive=' + rgb(WHITE),
        'TitleTextNoActive=214 218 224',
        '[Buttons]',
        'Bitmap=button.bmp', 'LeftWidth=4', 'RightWidth=4', 'TopHeight=4', 'BottomHeight=4', 'Trans=1', 'Tile=0',
        'CheckButton=check.bmp', 'CheckButtonFrame=12', 'RadioButton=radio.bmp', 'RadioButtonFrame=8',
        'NormalColour2=' + rgb(TEXT), 'MouseOverColour2=' + rgb(TEXT), 'PressedColour2=' + rgb(ACCENT_DARK),
        '[Progress]',
        'Bitmap=progress.bmp', 'Style=0', 'LeftWidth=3', 'RightWidth=3', 'TopHeight=3', 'BottomHeight=3', 'Trans=1',
        '[Progress.Chunk]',
        'Image=progresschunk.bmp', 'Frame=1', 'Tile=1', 'Trans=1',
        '[Tabs]',
        'Image=tabs.bmp', 'LeftWidth=4', 'RightWidth=4', 'TopHeight=4', 'BottomHeight=4', 'Trans=1', 'Style=0',
        'NormalColour2=' + rgb(DK_SHADOW), 'MouseOverColour2=' + rgb(TEXT),
        '[Tab.Pane]',
        'Image=tabpane.bmp', 'LeftWidth=2', 'RightWidth=2', 'TopHeight=2', 'BottomHeight=2',
        '[ComboButton]',
        'Image=combobutton.bmp', 'LeftWidth=2', 'RightWidth=2', 'TopHeight=2', 'BottomHeight=2', 'Trans=1',
        '[StatusBarEdges]',
        'Image=statusbaredges.bmp', 'LeftWidth=2', 'RightWidth=2', 'TopHeight=2', 'BottomHeight=2',
        'NormalColour2=' + rgb(TEXT),
        '[Headerbar]',
        'Image=headerbar.bmp', 'LeftWidth=3', 'RightWidth=3', 'TopHeight=3', 'BottomHeight=3', 'Frame=5',
        '[Scrollbar]',
        'Image=scrollbar.bmp', 'Trans=1',
        '[HorzScrollThumb]',
        'Image=hscrollthumb.bmp', 'FrameCount=4', 'LeftWidth=4', 'RightWidth=4', 'TopHeight=4', 'BottomHeight=4',
        'Trans=1',
        '[VertScrollThumb]',
        'Image=vscrollthumb.bmp', 'FrameCount=4', 'LeftWidth=4', 'RightWidth=4', 'TopHeight=4', 'BottomHeight=4',
        'Trans=1',
        '[HorzScroll]',
        'Image=hscroll.bmp', 'LeftWidth=2', 'RightWidth=2',
        '[VertScroll]',
        'Image=vscroll.bmp', 'TopHeight=2', 'BottomHeight=2',
        '[MenuBackground]',
        'Image=menubackground.bmp', 'LeftWidth=2', 'RightWidth=2', 'TopHeight=2', 'BottomHeight=2',
        '[MenuItem]',
        'Image=menuitem.bmp', 'LeftWidth=4', 'RightWidth=4', 'TopHeight=2', 'BottomHeight=2', 'Trans=1',
        '[ExtraImages]',
        'Image=extraimages.bmp', 'Trans=1',
        '[Trackbar.ThumbHorz]',
        'Image=trackthumbhorz.bmp', 'Trans=1',
        '[Trackbar.ThumbDown]',
        'Image=trackthumbdown.bmp', 'Trans=1',
        '[MDICONTROLS]',
        'Image=mdicontrols.bmp',
        '[UpDown.Vert]',
        'Image=updownvert.bmp', 'GlyphImage=updownvertglyph.bmp', 'LeftWidth=2', 'RightWidth=2', 'TopHeight=2',
        'BottomHeight=2', 'Trans=1',
        '[UpDown.Horz]',
        'Image=updownhorz.bmp', 'GlyphImage=updownhorzglyph.bmp', 'LeftWidth=2', 'RightWidth=2', 'TopHeight=2',
        'BottomHeight=2', 'Trans=1',
        # Caption buttons. Button4 (system menu) has no image: the engine copies the window's
        # 16-pixel icon in, so it needs one frame to keep the whole icon as its click area.
        # Button6 (feedback) shows on windows with a minimise or maximise box and a system menu.
        '[Button0]', 'Action=0', 'Align=1', 'XCoord=30', 'YCoord=7', 'Visibility=0', 'ButtonImage=btnclose.bmp',
        '[Button1]', 'Action=1', 'Align=1', 'XCoord=54', 'YCoord=7', 'Visibility=2', 'Visibility1=6',
        'ButtonImage=btnmax.bmp',
        '[Button2]', 'Action=2', 'Align=1', 'XCoord=78', 'YCoord=7', 'Visibility=8', 'ButtonImage=btnmin.bmp',
        '[Button3]', 'Action=1', 'Align=1', 'XCoord=54', 'YCoord=7', 'Visibility=1', 'ButtonImage=btnrestore.bmp',
        '[Button4]', 'Action=3', 'Align=0', 'XCoord=8', 'YCoord=7', 'Visibility=0', 'Frame=1',
        '[Button5]', 'Action=12', 'Align=1', 'XCoord=108', 'YCoord=7', 'Visibility=13', 'ButtonImage=btnmenu.bmp',
        '[Button6]', 'Action=13', 'Align=1', 'XCoord=268', 'YCoord=7', 'Visibility=6',
        'ButtonImage=btnfeedback.bmp',
        '[Button7]', 'Action=14', 'Align=1', 'XCoord=188', 'YCoord=7', 'Visibility=6', 'ButtonImage=btnhome.bmp',
        '',
    ])


BITMAPS = [
    ('left.bmp', lambda: side_border(False)),
    ('right.bmp', lambda: side_border(True)),
    ('top.bmp', top_border),
    ('bottom.bmp', bottom_border),
    ('menubar.bmp', menu_bar),
    ('button.bmp', push_button),
    ('check.bmp', check_boxes),
    ('radio.bmp', radio_buttons),
    ('progress.bmp', progress),
    ('progresschunk.bmp', progress_chunk),
    ('tabs.bmp', tabs),
    ('tabpane.bmp', tab_pane),
    ('combobutton.bmp', combo_button),
    ('statusbaredges.bmp', status_edges),
    ('headerbar.bmp', header_bar),
    ('scrollbar.bmp', scroll_arrows),
    ('hscrollthumb.bmp', lambda: scroll_thumb(True)),
    ('vscrollthumb.bmp', lambda: scroll_thumb(False)),
    ('hscroll.bmp', scroll_track),
    ('vscroll.bmp', scroll_track),
    ('menubackground.bmp', menu_background),
    ('menuitem.bmp', menu_item),
    ('extraimages.bmp', extra_images),
    ('trackthumbhorz.bmp', lambda: track_thumb(False)),
    ('trackthumbdown.bmp', lambda: track_thumb(True)),
    ('mdicontrols.bmp', mdi_controls),
    ('updownvert.bmp', lambda: updown(True)),
    ('updownhorz.bmp', lambda: updown(False)),
    ('updownvertglyph.bmp', lambda: updown_glyphs(True)),
    ('updownhorzglyph.bmp', lambda: updown_glyphs(False)),
    ('btnclose.bmp', lambda: caption_button(CLOSE, close=True)),
    ('btnmax.bmp', lambda: caption_button(MAXIMISE)),
    ('btnmin.bmp', lambda: caption_button(MINIMISE)),
    ('btnrestore.bmp', lambda: caption_button(RESTORE)),
    ('btnmenu.bmp', lambda: caption_button(MENU)),
    ('btnfeedback.bmp', lambda: label_button(BUBBLE, (FAN, KUI))),
    ('btnhome.bmp', lambda: label_button(HOUSE, (ZHU, YE))),
]


def velour_menu():
    """The menu glyphs, 1 bit per pixel: four 16 x 16 images side by side, black on white
    (white is the mask colour): a check mark, a radio bullet, a submenu arrow pointing
    right and one pointing left."""
    w, h = 64, 16
    ink = [[False] * w for _ in range(h)]
    for x, y in ((4, 8), (5, 9), (6, 10), (7, 9), (8, 8), (9, 7), (10, 6), (11, 5)):
        ink[y][x] = ink[y + 1][x] = True     # check mark, two pixels thick
    for y in range(6, 10):                   # bullet
        for x in range(16 + 6, 16 + 10):
            if not ((y in (6, 9)) and (x in (22, 25))):
                ink[y][x] = True
    for i in range(4):                       # arrows
        for y in range(4 + i, 12 - i):
            ink[y][32 + 6 + i] = True
            ink[y][48 + 9 - i] = True
    stride = ((w + 31) // 32) * 4
    rows = []
    for y in range(h - 1, -1, -1):           # bottom-up
        row = bytearray(stride)
        for x in range(w):
            if not ink[y][x]:                # 1 = white (palette entry 1)
                row[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
    body = b''.join(rows)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(body), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 1, 0, len(body), 2835, 2835, 2, 2)
    return header + info + palette + body


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    names = ['skin.ini']
    with open(os.path.join(out, 'skin.ini'), 'wb') as f:
        f.write(description().encode('ascii'))
    for name, make in BITMAPS:
        with open(os.path.join(out, name), 'wb') as f:
            f.write(make().bmp())
        names.append(name)
    # The packer's argument list, in entry order.
    with open(os.path.join(out, 'entries.txt'), 'w') as f:
        f.write('\n'.join(names) + '\n')
    # The built-in bitmaps, outside the skin, and a resource script naming them.
    builtin = os.path.abspath(os.path.join(out, 'builtin'))
    os.makedirs(builtin, exist_ok=True)
    lines = []
    for name, vertical in (('TRACK', False), ('TRACKVERT', True)):
        path = os.path.join(builtin, name.lower() + '.bmp')
        with open(path, 'wb') as f:
            f.write(track(vertical).bmp())
        lines.append('%s BITMAP "%s"' % (name, path.replace('\\', '/')))
    path = os.path.join(builtin, 'velourmenu.bmp')
    with open(path, 'wb') as f:
        f.write(velour_menu())
    lines.append('VELOURMENU BITMAP "%s"' % path.replace('\\', '/'))
    with open(os.path.join(builtin, 'SkinBitmaps.rc'), 'w') as f:
        f.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    main()
