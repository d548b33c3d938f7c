#!/usr/bin/env python3
"""Draw Zorvane's pictures and write them as .ico files next to this script.

Standard library only, so the icons can be rebuilt on any machine with a
Python 3; run `python3 res/icons/make_icons.py`.  Every image is a 32-bit
BGRA DIB with a 1-bit AND mask: Windows versions and Wine builds that ignore
the alpha channel still cut the shape out through the mask.
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


# ---------------------------------------------------------------- canvas --

class Canvas:
    """A grid of RGB tuples; None is a fully transparent pixel.

    Shapes use continuous coordinates and cover a pixel when the pixel's
    centre (x + 0.5, y + 0.5) lies inside them, so a shape can be placed
    and sized in fractions of a pixel until its edges fall where they look
    right.  A colour may be a function of (x, y), which is how the shapes
    are shaded.
    """

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[None] * w for _ in range(h)]

    @staticmethod
    def _col(c, x, y):
        return c(x, y) if callable(c) else c

    def get(self, x, y):
        if 0 <= x < self.w and 0 <= y < self.h:
            return self.px[y][x]
        return None

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = self._col(c, x, y)

    def fill_where(self, inside, c):
        for y in range(self.h):
            for x in range(self.w):
                if inside(x + 0.5, y + 0.5):
                    self.set(x, y, c)

    def rect(self, x0, y0, x1, y1, c):
        """Filled rectangle, pixel corners inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        self.line(x0, y0, x1, y0, c)
        self.line(x0, y1, x1, y1, c)
        self.line(x0, y0, x0, y1, c)
        self.line(x1, y0, x1, y1, c)

    def line(self, x0, y0, x1, y1, c):
        """Bresenham between two pixels, both ends drawn."""
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx = 1 if x0 < x1 else -1
        sy = 1 if y0 < y1 else -1
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def thick_line(self, x0, y0, x1, y1, width, c):
        """A stroke of the given width between two continuous points."""
        vx, vy = x1 - x0, y1 - y0
        ll = vx * vx + vy * vy

        def inside(px, py):
            t = max(0.0, min(1.0, ((px - x0) * vx + (py - y0) * vy) / ll))
            return math.hypot(px - x0 - t * vx, py - y0 - t * vy) <= width / 2
        self.fill_where(inside, c)

    def disc(self, cx, cy, r, c):
        self.fill_where(lambda x, y: math.hypot(x - cx, y - cy) <= r, c)

    def polygon(self, pts, c):
        self.fill_where(lambda x, y: point_in_polygon(x, y, pts), c)

    def clear(self, x, y):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = None

    def edge(self, c):
        """Recolour the shape's own border pixels: an outline that never
        grows the shape past what was drawn."""
        border = [(x, y) for y in range(self.h) for x in range(self.w)
                  if self.px[y][x] is not None and any(
                      self.get(x + dx, y + dy) is None
                      for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))]
        for x, y in border:
            self.set(x, y, c)
        return self

    def paste(self, other, dx=0, dy=0):
        for y in range(other.h):
            for x in range(other.w):
                if other.px[y][x] is not None:
                    self.set(x + dx, y + dy, other.px[y][x])
        return self

    def layer(self):
        return Canvas(self.w, self.h)


def point_in_polygon(x, y, pts):
    inside = False
    j = len(pts) - 1
    for i in range(len(pts)):
        xi, yi = pts[i]
        xj, yj = pts[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def vgrad(top, bottom, y0, y1):
    return lambda x, y: mix(top, bottom, (y - y0) / max(1, y1 - y0))


def dgrad(light, dark, x0, y0, size):
    """Light at the top left, dark at the bottom right: the usual lighting
    of Windows icons."""
    return lambda x, y: mix(light, dark, ((x - x0) + (y - y0)) / (2 * size))


# --------------------------------------------------------------- palette --

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY_DK = (88, 88, 88)
GREY = (128, 128, 128)
GREY_LT = (192, 192, 192)
GREY_XLT = (226, 226, 226)
PAPER_LINE = (170, 184, 208)
BLUE_DK = (0, 32, 120)
BLUE = (16, 84, 204)
BLUE_LT = (96, 160, 255)
TITLE_L = (0, 40, 160)
TITLE_R = (80, 150, 240)
GOLD_DK = (128, 82, 0)
GOLD = (240, 184, 0)
GOLD_LT = (255, 240, 120)
GREEN_DK = (0, 90, 20)
GREEN = (40, 170, 50)
GREEN_LT = (140, 230, 120)
RED_DK = (120, 0, 0)
RED = (210, 30, 30)
RED_LT = (255, 120, 110)
BROWN_DK = (80, 40, 10)
BROWN = (150, 90, 40)
BROWN_LT = (205, 145, 80)
STRAW = (200, 130, 0)


# ----------------------------------------------------- shared components --

def page(cv, x0, y0, x1, y1, fold=4):
    """A sheet of paper with its top right corner folded down."""
    sheet = cv.layer()
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            if x - (x1 - fold) <= y - y0:
                sheet.set(x, y, WHITE)
    sheet.edge(GREY_DK)
    for y in range(y0 + 4, y1 - 1, 2):
        right = x1 - 2 if y > y0 + fold + 1 else x1 - fold - 2
        if (y - y0) % 6 == 2:
            right -= 3
        sheet.line(x0 + 2, y, right, y, PAPER_LINE)
    cv.paste(sheet)
    flap = cv.layer()
    for y in range(y0, y0 + fold + 1):
        for x in range(x1 - fold, x1 + 1):
            if x - (x1 - fold) <= y - y0:
                flap.set(x, y, GREY_XLT)
    cv.paste(flap.edge(GREY_DK))


def window(cv, x0, y0, x1, y1):
    """A top-level window: frame, blue caption with a close box, client."""
    cv.rect(x0, y0, x1, y1, GREY_LT)
    cv.rect(x0 + 1, y0 + 1, x1 - 1, y0 + 3,
            lambda x, y: mix(TITLE_L, TITLE_R, (x - x0) / (x1 - x0)))
    cv.rect(x0 + 1, y0 + 4, x1 - 1, y1 - 1, WHITE)
    cv.line(x0 + 1, y0 + 4, x1 - 1, y0 + 4, GREY)
    cv.rect(x1 - 3, y0 + 1, x1 - 2, y0 + 2, GREY_LT)
    cv.frame(x0, y0, x1, y1, GREY_DK)


def gear(cv, cx, cy, r_out=6.2, r_body=4.6, r_hole=1.6, teeth=8):
    """A yellow cog: a disc with square teeth and a hole through the hub."""
    g = cv.layer()
    tooth_w = 2.4
    angles = [math.pi / teeth + 2 * math.pi * k / teeth for k in range(teeth)]

    def inside(x, y):
        dx, dy = x - cx, y - cy
        d = math.hypot(dx, dy)
        if d <= r_hole:
            return False
        if d <= r_body:
            return True
        for a in angles:
            along = dx * math.cos(a) + dy * math.sin(a)
            across = -dx * math.sin(a) + dy * math.cos(a)
            if 0 < along <= r_out and abs(across) <= tooth_w / 2:
                return True
        return False
    g.fill_where(inside, dgrad(GOLD_LT, GOLD, cx - r_out, cy - r_out,
                               r_out * 2))
    cv.paste(g.edge(GOLD_DK))


def padlock(cv, x0, y0):
    """An 8 by 10 red padlock with a two-tone steel shackle."""
    shackle = cv.layer()
    shackle.rect(x0 + 2, y0, x0 + 5, y0, GREY_DK)
    shackle.rect(x0 + 1, y0 + 1, x0 + 1, y0 + 4, GREY_DK)
    shackle.rect(x0 + 6, y0 + 1, x0 + 6, y0 + 4, GREY_DK)
    shackle.rect(x0 + 2, y0 + 1, x0 + 5, y0 + 1, GREY_XLT)
    shackle.rect(x0 + 2, y0 + 2, x0 + 2, y0 + 4, GREY_XLT)
    shackle.rect(x0 + 5, y0 + 2, x0 + 5, y0 + 4, GREY_LT)
    body = cv.layer()
    body.rect(x0, y0 + 5, x0 + 7, y0 + 9, dgrad(RED_LT, RED, x0, y0 + 5, 6))
    body.edge(RED_DK)
    body.rect(x0 + 3, y0 + 6, x0 + 4, y0 + 7, BLACK)
    cv.paste(shackle).paste(body)


def puzzle_piece(cv, x0, y0, x1, y1, knob, reach, neck):
    """A piece with knobs on its top and right sides and a socket on its
    left; each knob is a disc `reach` beyond the edge on a narrower neck."""
    piece = cv.layer()
    xm, ym = (x0 + x1) / 2, (y0 + y1) / 2

    def inside(x, y):
        if x0 <= x <= x1 and y0 <= y <= y1:
            return math.hypot(x - x0, y - ym) > knob * 0.9
        return (math.hypot(x - xm, y - (y0 - reach)) <= knob
                or math.hypot(x - (x1 + reach), y - ym) <= knob
                or (abs(x - xm) <= neck and y0 - reach <= y <= y0)
                or (abs(y - ym) <= neck and x1 <= x <= x1 + reach))
    piece.fill_where(inside, dgrad(BLUE_LT, BLUE, x0, y0, x1 - x0))
    cv.paste(piece.edge(BLUE_DK))


def sparkle(cv, x, y):
    cv.set(x, y, WHITE)
    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
        cv.set(x + dx, y + dy, GOLD)


def sprite(cv, x0, y0, rows, palette):
    """Hand-placed pixels: one string per row, one character per pixel,
    '.' left untouched."""
    for dy, row in enumerate(rows):
        for dx, ch in enumerate(row):
            if ch != '.':
                cv.set(x0 + dx, y0 + dy, palette[ch])


# -------------------------------------------------------------- pictures --

def draw_browser_e():
    """The web browser: a blue letter e with a ring round it."""
    cv = Canvas(20, 20)
    cx, cy = 10.0, 10.0
    r_out, r_in = 8.0, 3.8
    bar_top, bar_bot = 8.6, 10.9

    def letter(x, y):
        d = math.hypot(x - cx, y - cy)
        if d > r_out:
            return False
        if bar_top <= y <= bar_bot and x > cx - r_in - 0.5:
            return True
        if d <= r_in:
            return False
        # the mouth of the "e": open on the right just under the bar
        angle = math.degrees(math.atan2(y - cy, x - cx))
        return not (-2 < angle < 35 and y > bar_bot)
    e = cv.layer()
    e.fill_where(letter, vgrad(BLUE_LT, BLUE, cy - r_out, cy + r_out))
    e.edge(BLUE_DK)

    # a tilted ring around the letter: its near half (below the long axis)
    # crosses in front of the strokes, its far half is hidden behind them,
    # and none of it shows through the letter's holes
    tilt = math.radians(-30)
    back, front = cv.layer(), cv.layer()
    for y in range(20):
        for x in range(20):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            u = dx * math.cos(tilt) + dy * math.sin(tilt)
            v = -dx * math.sin(tilt) + dy * math.cos(tilt)
            if not 0.6 <= (u / 9.9) ** 2 + (v / 3.6) ** 2 <= 1.0:
                continue
            outside = math.hypot(dx, dy) > r_out
            if outside:
                (front if v > 0 else back).set(x, y, GOLD)
            elif v > 0 and e.get(x, y) is not None:
                front.set(x, y, GOLD)
    return cv.paste(back).paste(e).paste(front)


def draw_computer():
    """A desktop computer: monitor on a stand."""
    cv = Canvas(20, 20)
    cv.rect(1, 1, 18, 13, GREY_XLT)
    cv.line(2, 12, 17, 12, GREY_LT)
    cv.frame(1, 1, 18, 13, GREY_DK)
    cv.rect(3, 3, 16, 10, vgrad((40, 120, 220), (0, 60, 150), 3, 10))
    cv.frame(3, 3, 16, 10, GREY)
    cv.line(4, 4, 8, 4, (130, 190, 255))
    cv.line(4, 5, 5, 5, (130, 190, 255))
    cv.set(15, 12, GREEN)
    stand = cv.layer()
    stand.rect(8, 14, 11, 15, GREY_LT)
    stand.rect(4, 16, 15, 18, vgrad(GREY_XLT, GREY_LT, 16, 18))
    cv.paste(stand.edge(GREY_DK))
    return cv


def draw_page_gear():
    """A page with a yellow gear."""
    cv = Canvas(20, 20)
    page(cv, 2, 0, 14, 17)
    gear(cv, 13.5, 13.5)
    return cv


def draw_window_gear():
    """A window with a yellow gear."""
    cv = Canvas(20, 20)
    window(cv, 0, 1, 16, 14)
    gear(cv, 13.5, 13.5)
    return cv


def draw_page_arrow_gear():
    """A page with a green arrow over a yellow gear."""
    cv = Canvas(20, 20)
    page(cv, 2, 0, 14, 17)
    gear(cv, 13.5, 13.5)
    arrow = cv.layer()
    arrow.polygon([(3, 10), (9, 10), (9, 7), (15, 12), (9, 17), (9, 14),
                   (3, 14)], vgrad(GREEN_LT, GREEN, 7, 17))
    cv.paste(arrow.edge(GREEN_DK))
    return cv


def draw_page_magnifier():
    """A page under a magnifying glass."""
    cv = Canvas(20, 20)
    page(cv, 1, 0, 13, 17)
    handle = cv.layer()
    handle.thick_line(13.2, 13.2, 18.3, 18.3, 3.0, BROWN)
    handle.edge(BROWN_DK)
    cv.paste(handle)
    glass = cv.layer()
    glass.disc(10.5, 10.5, 5.0, GREY)
    glass.disc(10.5, 10.5, 3.6,
               dgrad((230, 245, 255), (150, 200, 240), 7, 7, 7))
    glass.edge(GREY_DK)
    glass.set(8, 8, WHITE)
    glass.set(9, 8, WHITE)
    glass.set(8, 9, WHITE)
    cv.paste(glass)
    return cv


def draw_window_gear_lock():
    """A window with a yellow gear and a red padlock: built in, locked."""
    cv = Canvas(20, 20)
    window(cv, 0, 0, 15, 12)
    gear(cv, 7.0, 13.0)
    padlock(cv, 11, 9)
    return cv


def draw_registry():
    """The registry: a cluster of blue-green cubes."""
    cv = Canvas(16, 16)

    def cube(x, y):
        # oblique cube: 6-pixel front face, 2 pixels of depth up and right
        f, d = 6, 2
        c = cv.layer()
        c.polygon([(x + d, y), (x + d + f, y), (x + f, y + d), (x, y + d)],
                  (150, 240, 230))
        c.polygon([(x + f, y + d), (x + d + f, y), (x + d + f, y + f),
                   (x + f, y + d + f)], (0, 110, 140))
        c.rect(x, y + d, x + f - 1, y + d + f - 1,
               dgrad((70, 200, 210), (20, 140, 170), x, y + d, f))
        c.edge((0, 50, 70))
        cv.paste(c)
    cube(0, 7)
    cube(7, 7)
    cube(4, 1)
    return cv


def draw_program_group():
    """A folder with a program-group window on it."""
    cv = Canvas(16, 16)
    back = cv.layer()
    back.polygon([(0, 2), (6, 2), (7, 4), (15, 4), (15, 15), (0, 15)],
                 (220, 170, 40))
    cv.paste(back.edge((120, 80, 0)))
    front = cv.layer()
    front.polygon([(0, 6), (15, 6), (15, 15), (0, 15)],
                  vgrad((255, 228, 120), (235, 180, 40), 6, 15))
    cv.paste(front.edge((120, 80, 0)))
    w = cv.layer()
    w.rect(4, 5, 14, 13, WHITE)
    w.rect(5, 6, 13, 7, lambda x, y: mix(TITLE_L, TITLE_R, (x - 5) / 8))
    w.frame(4, 5, 14, 13, GREY_DK)
    w.rect(6, 9, 7, 10, RED)
    w.rect(9, 9, 10, 10, GREEN)
    w.rect(12, 9, 12, 10, BLUE)
    cv.paste(w)
    return cv


def draw_app_large():
    """A broom sweeping beside a puzzle piece: the add-on being cleaned
    up.  Both knobs stay in sight, since they are what makes it a piece."""
    cv = Canvas(32, 32)
    puzzle_piece(cv, 2, 15, 17, 30, 3.4, 4.5, 1.1)

    handle = cv.layer()
    handle.thick_line(29.5, 0.5, 27.0, 15.5, 3.2, BROWN_LT)
    handle.edge(BROWN_DK)
    handle.line(29, 2, 27, 13, (235, 185, 120))
    cv.paste(handle)
    head = cv.layer()
    head.polygon([(25, 18), (31.5, 18), (32.5, 32), (21, 32)],
                 dgrad(GOLD_LT, GOLD, 18, 18, 14))
    head.edge(GOLD_DK)
    # separate straws, and a ragged end where they splay
    for x0, x1 in ((26, 24), (28, 27), (30, 30)):
        head.line(x0, 20, x1, 29, STRAW)
    for x in range(22, 32, 2):
        head.clear(x, 31)
    cv.paste(head)
    band = cv.layer()
    band.rect(22, 15, 31, 18, RED)
    band.line(23, 16, 30, 16, RED_LT)
    cv.paste(band.edge(RED_DK))
    # where the dust has just been swept off
    sparkle(cv, 3, 5)
    sparkle(cv, 9, 2)
    sparkle(cv, 24, 6)
    return cv


def draw_app_small():
    """The same broom and piece at half size, placed pixel by pixel: the
    outlines of a scaled-down copy would swallow handle and straws."""
    cv = Canvas(16, 16)
    piece = cv.layer()
    # at this size a computed knob is a shapeless bump
    sprite(piece, 0, 4, [
        '...XX.......',
        '..XXXX......',
        '..XXXX......',
        '...XX.......',
        'XXXXXXXX....',
        'XXXXXXXX....',
        '.XXXXXXX.XX.',
        '..XXXXXXXXXX',
        '..XXXXXXXXXX',
        '.XXXXXXX.XX.',
        'XXXXXXXX....',
        'XXXXXXXX....',
    ], {'X': dgrad(BLUE_LT, BLUE, 0, 4, 10)})
    cv.paste(piece.edge(BLUE_DK))

    cv.line(14, 0, 13, 6, BROWN_LT)
    cv.line(15, 0, 14, 6, BROWN_DK)
    head = cv.layer()
    head.polygon([(12, 9), (16, 9), (16.5, 16), (10.5, 16)],
                 dgrad(GOLD_LT, GOLD, 9, 9, 7))
    head.edge(GOLD_DK)
    head.line(13, 10, 12, 14, STRAW)
    head.line(14, 10, 14, 14, STRAW)
    for x in (11, 13):
        head.clear(x, 15)
    cv.paste(head)
    cv.rect(12, 7, 15, 7, RED)
    cv.rect(12, 8, 15, 8, RED_DK)
    sparkle(cv, 2, 2)
    return cv


# ------------------------------------------------------------ ICO writer --

def dib(cv):
    """BITMAPINFOHEADER, bottom-up BGRA pixels, then the AND mask.  The
    header's height covers both the colour and the mask rows."""
    xor = bytearray()
    for y in reversed(range(cv.h)):
        for x in range(cv.w):
            c = cv.px[y][x]
            xor += bytes((0, 0, 0, 0)) if c is None else \
                bytes((c[2], c[1], c[0], 255))
    stride = ((cv.w + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(cv.h)):
        row = bytearray(stride)
        for x in range(cv.w):
            if cv.px[y][x] is None:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack('<IiiHHIIiiII', 40, cv.w, cv.h * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def write_ico(name, canvases):
    images = [dib(cv) for cv in canvases]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for cv, data in zip(canvases, images):
        out += struct.pack('<BBBBHHII', cv.w % 256, cv.h % 256, 0, 0, 1, 32,
                           len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(out)


PICTURES = [
    ('zorvane.ico', lambda: [draw_app_small(), draw_app_large()]),
    ('plugin0.ico', lambda: [draw_browser_e()]),
    ('plugin1.ico', lambda: [draw_computer()]),
    ('plugin2.ico', lambda: [draw_page_gear()]),
    ('plugin3.ico', lambda: [draw_window_gear()]),
    ('plugin4.ico', lambda: [draw_page_arrow_gear()]),
    ('plugin5.ico', lambda: [draw_page_magnifier()]),
    ('plugin6.ico', lambda: [draw_window_gear_lock()]),
    ('start0.ico', lambda: [draw_registry()]),
    ('start1.ico', lambda: [draw_program_group()]),
]


def main():
    for name, draw in PICTURES:
        write_ico(name, draw())


if __name__ == '__main__':
    main()
