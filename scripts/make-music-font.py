#!/usr/bin/python3
"""Builds the notation font "MusicalSymbols" (data/fonts/MusicalSymbols.ttf).

Every symbol of the default symbol map gets the glyph of its 8-bit character code,
reachable both at U+00xx and at U+F0xx (the private-use range where symbol fonts keep
their characters; the drawing uses that one). The shapes come from Noto Music
(Unicode "Musical Symbols" block) and Noto Serif (digits, plus, equals, parentheses),
both under the SIL Open Font License 1.1, Debian package fonts-noto-core. What Unicode
lacks (stem-down notes, flags for them, grace notes, tuplet and time digits, several
ornaments) is composed here.

Conventions the drawing relies on, in font units (1000 to the em, a staff space S is
250, so a 24 point font fits a staff of 2.1 mm line spacing):
  - noteheads and notes: the head is centred on the baseline, its ink starts at x = 0
    and the advance is the head width; up stems stand at the right edge of the head,
    down stems at its left edge, both 3.5 S long;
  - accidentals, dots, digits and most ornaments are centred on the baseline;
  - clefs stand on their line (G, F or the middle line for C) on the baseline;
  - bar lines stand on the bottom staff line and are one staff (4 S) tall;
  - rests are placed for a baseline on the middle staff line.

Usage: make-music-font.py [OUTPUT.ttf]   (needs python3-fonttools and fonts-noto-core)
"""
import math
import os
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.boundsPen import BoundsPen
from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.pens.reverseContourPen import ReverseContourPen
from fontTools.pens.transformPen import TransformPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont

NOTO_DIR = "/usr/share/fonts/truetype/noto"
S = 250            # staff space
STEM = 28          # stem thickness
STEM_LEN = 875     # 3.5 S
HEAD_DY = -134     # Noto Music heads sit on y = -1..269


class Source:
    def __init__(self, file_name):
        self.font = TTFont(os.path.join(NOTO_DIR, file_name))
        self.glyphs = self.font.getGlyphSet()
        self.cmap = self.font.getBestCmap()

    def record(self, code):
        name = self.cmap[code] if isinstance(code, int) else code
        rec = DecomposingRecordingPen(self.glyphs)
        self.glyphs[name].draw(rec)
        return rec, self.glyphs[name].width


MUSIC = Source("NotoMusic-Regular.ttf")
SERIF = Source("NotoSerif-Bold.ttf")
SERIF_ITALIC = Source("NotoSerif-BoldItalic.ttf")


# A part is a function that draws into a pen.
def src(source, code, dx=0.0, dy=0.0, sx=1.0, sy=1.0):
    rec, _ = source.record(code)

    def draw(pen):
        t = TransformPen(pen, (sx, 0, 0, sy, dx, dy))
        rec.replay(ReverseContourPen(t) if sx * sy < 0 else t)
    return draw


def polygon(points):
    """A filled polygon, turned clockwise (the outer direction of TrueType)."""
    area = sum(points[i][0] * points[(i + 1) % len(points)][1] -
               points[(i + 1) % len(points)][0] * points[i][1] for i in range(len(points)))
    pts = list(reversed(points)) if area > 0 else list(points)

    def draw(pen):
        pen.moveTo((round(pts[0][0]), round(pts[0][1])))
        for p in pts[1:]:
            pen.lineTo((round(p[0]), round(p[1])))
        pen.closePath()
    return draw


def hole(points):
    """A polygon cut out of the shape drawn before it (counter-clockwise)."""
    area = sum(points[i][0] * points[(i + 1) % len(points)][1] -
               points[(i + 1) % len(points)][0] * points[i][1] for i in range(len(points)))
    pts = list(points) if area > 0 else list(reversed(points))

    def draw(pen):
        pen.moveTo((round(pts[0][0]), round(pts[0][1])))
        for p in pts[1:]:
            pen.lineTo((round(p[0]), round(p[1])))
        pen.closePath()
    return draw


def rect(x0, y0, x1, y1):
    return polygon([(x0, y0), (x0, y1), (x1, y1), (x1, y0)])


def ellipse_points(cx, cy, rx, ry, n=28, tilt=0.0):
    pts = []
    for i in range(n):
        a = 2 * math.pi * i / n
        x, y = rx * math.cos(a), ry * math.sin(a)
        pts.append((cx + x * math.cos(tilt) - y * math.sin(tilt),
                    cy + x * math.sin(tilt) + y * math.cos(tilt)))
    return pts


def ellipse(cx, cy, rx, ry, tilt=0.0):
    return polygon(ellipse_points(cx, cy, rx, ry, tilt=tilt))


def ring(cx, cy, r, w):
    outer, inner = polygon(ellipse_points(cx, cy, r, r)), hole(ellipse_points(cx, cy, r - w, r - w))

    def draw(pen):
        outer(pen)
        inner(pen)
    return draw


def stroke(points, width):
    """A polyline of the given thickness: one quadrilateral per segment, round joints."""
    parts = []
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy) or 1.0
        nx, ny = -dy / length * width / 2, dx / length * width / 2
        parts.append(polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny),
                              (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)]))
    for (x, y) in points[1:-1]:
        parts.append(ellipse(x, y, width / 2, width / 2))

    def draw(pen):
        for p in parts:
            p(pen)
    return draw


def arc_lens(width, height, thickness, flip=False):
    """A slur-like arc from (0, 0) to (width, 0), bulging up (or down when flip)."""
    sign = -1 if flip else 1
    n = 16
    outer = [(width * i / n, sign * height * math.sin(math.pi * i / n)) for i in range(n + 1)]
    inner = [(width * i / n, sign * (height - thickness) * math.sin(math.pi * i / n))
             for i in range(n, -1, -1)]
    return polygon(outer + inner[1:-1])


def zigzag(count, step=70, amp=110, width=34, x0=0.0):
    pts = [(x0 + i * step, 0 if i % 2 == 0 else amp) for i in range(count + 1)]
    return pts, stroke(pts, width)


def moved(part, dx=0.0, dy=0.0, sx=1.0, sy=1.0):
    def draw(pen):
        t = TransformPen(pen, (sx, 0, 0, sy, dx, dy))
        part(ReverseContourPen(t) if sx * sy < 0 else t)
    return draw


# --- notes ------------------------------------------------------------------------
HEAD_W = 297  # ink width of the Noto heads


def head(kind="black"):
    code = {"black": 0x1D158, "void": 0x1D157}[kind]
    return src(MUSIC, code, dx=-50, dy=HEAD_DY)


def up_stem():
    return rect(HEAD_W - STEM, 30, HEAD_W, STEM_LEN)


def down_stem():
    return rect(0, -STEM_LEN, STEM, -30)


FLAG_CODES = {1: 0x1D16E, 2: 0x1D16F, 3: 0x1D170, 4: 0x1D171, 5: 0x1D172}


def up_flag(n):
    return src(MUSIC, FLAG_CODES[n], dx=HEAD_W - STEM, dy=HEAD_DY)


def down_flag(n):
    # The up flag mirrored about the head centre: it hangs from the foot of a down
    # stem and curls up toward the head, on the right of the stem.
    return src(MUSIC, FLAG_CODES[n], dx=0, dy=-HEAD_DY, sy=-1)


def note(flags, up, kind="black"):
    parts = [head(kind), up_stem() if up else down_stem()]
    if flags:
        parts.append(up_flag(flags) if up else down_flag(flags))
    return parts


def grace_slash():
    # A slash across the stem and flag of an up-stem grace note.
    return stroke([(HEAD_W - 170, 430), (HEAD_W + 170, 760)], 34)


# --- glyph table -------------------------------------------------------------------
GLYPHS = {}


def glyph(code, parts, lsb=0, rsb=0, name=None, advance=None):
    GLYPHS[code] = (parts, lsb, rsb, advance, name)


def serif_digit(source, ch, height, widen=1.0):
    rec, _ = source.record(ord(ch))
    bp = BoundsPen(None)
    rec.replay(bp)
    x0, y0, x1, y1 = bp.bounds
    k = height / (y1 - y0)
    return src(source, ord(ch), dx=-x0 * k * widen, dy=-(y0 + y1) / 2 * k, sx=k * widen, sy=k)


def row(parts_with_widths, gap=0):
    """Places parts one after the other; each entry is (part, advance)."""
    out, x = [], 0
    for part, adv in parts_with_widths:
        out.append(moved(part, dx=x))
        x += adv + gap
    return out


def dyn(letters):
    codes = {"p": 0x1D18F, "m": 0x1D190, "f": 0x1D191, "r": 0x1D18C, "s": 0x1D18D,
             "z": 0x1D18E}
    entries = []
    for ch in letters:
        _, width = MUSIC.record(codes[ch])
        entries.append((src(MUSIC, codes[ch], dy=-420), width))
    return row(entries, gap=10)


def build_table():
    # Clefs, on their own line.
    glyph(0x26, [src(MUSIC, 0x1D11E, dy=-250)], rsb=140)
    glyph(0x3F, [src(MUSIC, 0x1D122, dy=-750)], rsb=140)
    glyph(0x42, [src(MUSIC, 0x1D121, dy=-500)], rsb=140)
    glyph(0x5F, [rect(0, -12, 400, 12)])  # ledger line
    glyph(0x3D, [rect(0, y - 12, 1000, y + 12) for y in range(0, 1001, S)])

    # Bar lines, standing on the bottom line, with room on both sides.
    glyph(0x6C, [src(MUSIC, 0x1D100)], lsb=110, rsb=150)
    glyph(0xD3, [src(MUSIC, 0x1D102)], lsb=110, rsb=150)
    glyph(0xD2, [src(MUSIC, 0x1D103)], lsb=110, rsb=150)
    glyph(0x5B, [rect(0, 0, 100, 1000)], lsb=110, rsb=150)
    glyph(0xF1, [src(MUSIC, 0x1D104)], lsb=110, rsb=150)
    glyph(0x5D, [src(MUSIC, 0x1D106)], lsb=110, rsb=150)
    glyph(0x7D, [src(MUSIC, 0x1D107)], lsb=110, rsb=150)
    glyph(0x7B, [src(MUSIC, 0x1D108)], lsb=60, rsb=60)
    glyph(0xD4, [src(MUSIC, 0x1D10E, dy=0)], lsb=60, rsb=60)

    # Notes.
    glyph(0xF6, [head("black")])
    glyph(0xFA, [head("void")])
    glyph(0x57, [src(MUSIC, 0x1D15C, dx=-50, dy=-135)])
    glyph(0x77, [src(MUSIC, 0x1D15D, dx=-50, dy=HEAD_DY)])
    glyph(0x68, note(0, True, "void"))
    glyph(0x48, note(0, False, "void"))
    glyph(0x71, note(0, True))
    glyph(0x51, note(0, False))
    for up_code, down_code, flags in ((0x65, 0x45, 1), (0x78, 0x58, 2), (0x72, 0x52, 3),
                                      (0xC6, 0xEF, 4), (0x8D, 0x82, 5)):
        glyph(up_code, note(flags, True), advance=HEAD_W)
        glyph(down_code, note(flags, False), advance=HEAD_W)
    glyph(0x6A, [up_flag(1)])
    glyph(0x4A, [down_flag(1)])
    glyph(0x6B, [up_flag(2)])
    glyph(0x4B, [down_flag(2)])
    glyph(0x2E, [ellipse(0, 0, 48, 48)], lsb=70, rsb=20)  # dot, also staccato
    glyph(0xC0, [src(MUSIC, 0x1D143, dx=-50, dy=-134)])

    # Grace notes (drawn with the smaller grace font).
    glyph(0x3B, note(1, True), advance=HEAD_W)
    glyph(0x3A, note(1, False), advance=HEAD_W)
    glyph(0xA9, note(0, True))
    glyph(0xED, note(0, False))
    glyph(0xC9, note(1, True) + [grace_slash()], advance=HEAD_W)

    # Accidentals, placed against a head on the same baseline.
    acc = dict(dx=-50, dy=HEAD_DY)
    glyph(0x23, [src(MUSIC, 0x266F, **acc)], rsb=60)
    glyph(0x62, [src(MUSIC, 0x266D, **acc)], rsb=60)
    glyph(0x6E, [src(MUSIC, 0x266E, **acc)], rsb=60)
    glyph(0xDC, [src(MUSIC, 0x1D12A, **acc)], rsb=60)
    glyph(0xBA, [src(MUSIC, 0x1D12B, **acc)], rsb=60)
    glyph(0x49, [src(MUSIC, 0x266F, **acc)], rsb=60)
    glyph(0x69, [src(MUSIC, 0x266D, **acc)], rsb=60)
    glyph(0xE9, [src(MUSIC, 0x266E, **acc)], rsb=60)

    # Rests, for a baseline on the middle line.
    glyph(0xB7, [src(MUSIC, 0x1D13B, dy=250 - 512)], lsb=40, rsb=40)
    glyph(0xEE, [src(MUSIC, 0x1D13C, dy=-244)], lsb=40, rsb=40)
    for code, uni in ((0xCE, 0x1D13D), (0xE4, 0x1D13E), (0xC5, 0x1D13F), (0xA8, 0x1D140),
                      (0xF4, 0x1D141), (0xE5, 0x1D142)):
        glyph(code, [src(MUSIC, uni, dy=-500)], lsb=20, rsb=40)

    # Time signatures: digits two spaces tall, centred on the baseline.
    glyph(0x63, [src(MUSIC, 0x1D134, dy=-500)], rsb=60)
    glyph(0x43, [src(MUSIC, 0x1D135, dy=-500)], rsb=60)
    for d in range(10):
        glyph(0x30 + d, [serif_digit(SERIF, str(d), 2 * S - 10, widen=1.12)], rsb=30)
    glyph(0x2B, [serif_digit(SERIF, "+", 330)], lsb=20, rsb=30)

    # Tuplet digits: small italic figures centred on the baseline.
    for d, code in enumerate((0xBC, 0xC1, 0xAA, 0xA3, 0xA2, 0xB0, 0xA4, 0xA6, 0xA5, 0xBB)):
        glyph(code, [serif_digit(SERIF_ITALIC, str(d), 300)], rsb=20)

    # Accents and ornaments, centred on the baseline.
    glyph(0x2C, [src(MUSIC, 0x1D112, dy=-850)], lsb=20, rsb=20)
    glyph(0x2D, [rect(0, -16, 300, 16)], lsb=10, rsb=10)  # tenuto
    glyph(0xA1, [src(MUSIC, 0x1D1AE, dy=-500)])
    glyph(0x2A, [src(MUSIC, 0x1D1AF, dy=-500)])
    glyph(0x28, [serif_digit(SERIF, "(", 600)], rsb=20)
    glyph(0x29, [serif_digit(SERIF, ")", 600)], rsb=20)
    glyph(0x3E, [src(MUSIC, 0x1D17B, dy=146)], lsb=10, rsb=10)  # accent
    glyph(0x60, [src(MUSIC, 0x1D196, dy=-550)], rsb=20)  # tr
    glyph(0x5E, [src(MUSIC, 0x1D17F, dy=158)], lsb=10, rsb=10)  # marcato
    glyph(0x7E, [arc_lens(440, 130, 42), moved(arc_lens(440, 130, 42), dy=-65)][1:],
          lsb=10, rsb=10)  # roll
    glyph(0x67, [src(MUSIC, 0x1D183, dy=-500)])
    _, mord = zigzag(6, amp=120)
    glyph(0x6D, [moved(mord, dy=-60)], lsb=10, rsb=10)  # pralltriller
    glyph(0x4D, [moved(mord, dy=-60), rect(196, -150, 230, 150)], lsb=10, rsb=10)
    glyph(0xB5, [moved(zigzag(10, amp=120)[1], dy=-60)], lsb=10, rsb=10)
    glyph(0x6F, [ring(0, 0, 80, 22)], lsb=10, rsb=10)  # harmonic
    glyph(0x55, [src(MUSIC, 0x1D110, dy=-824)], rsb=10)
    glyph(0x75, [src(MUSIC, 0x1D111, dy=177)], rsb=10)
    glyph(0x76, [src(MUSIC, 0x1D1AB, dy=-865)], lsb=10, rsb=10)  # up bow
    glyph(0xB3, [src(MUSIC, 0x1D1AA, dy=-884)], lsb=10, rsb=10)  # down bow
    slide = [(0, -150), (60, -120), (130, -60), (210, 0)]
    glyph(0x47, [stroke(slide, 30)], lsb=10, rsb=30)
    glyph(0x54, [src(MUSIC, 0x1D197, dy=-500)], rsb=10)
    glyph(0xAC, [src(MUSIC, 0x1D180, dy=158)], lsb=10, rsb=10)
    glyph(0xB1, [polygon([(0, -110), (130, 120), (260, -110)]),
                 hole([(45, -85), (130, 70), (215, -85)])], lsb=10, rsb=10)
    glyph(0x27, [polygon([(0, -70), (80, 75), (160, -70)]),
                 hole([(35, -52), (80, 35), (125, -52)])], lsb=10, rsb=10)
    glyph(0xAE, [polygon([(0, 70), (80, -75), (160, 70)]),
                 hole([(35, 52), (80, -35), (125, 52)])], lsb=10, rsb=10)
    glyph(0xBE, [ellipse(60 + 150 * i, 0, 62, 26) for i in range(3)], lsb=10, rsb=10)
    glyph(0xC7, [rect(0, -90, 40, 90)], lsb=20, rsb=20)
    glyph(0xC8, [rect(0, -90, 40, 90)], lsb=20, rsb=20)
    glyph(0xD9, [moved(zigzag(12, step=50, amp=70, width=28)[1], dy=-35)], lsb=10, rsb=10)
    glyph(0xD1, [polygon([(0, -100), (120, 110), (240, -100)])], lsb=10, rsb=10)
    glyph(0xE8, [stroke([(0, 120), (110, -110), (220, 120)], 34), ellipse(110, 60, 30, 30)],
          lsb=10, rsb=10)
    glyph(0x4F, [polygon([(0, 0), (110, 130), (220, 0), (110, -130)]),
                 hole([(40, 0), (110, 85), (180, 0), (110, -85)])], lsb=10, rsb=10)

    # Dynamics.
    for code, letters in ((0x66, "f"), (0xC4, "ff"), (0xEC, "fff"), (0x70, "p"), (0xB9, "pp"),
                          (0xB8, "ppp"), (0x46, "mf"), (0x50, "mp"), (0x53, "sf"), (0x7A, "z"),
                          (0x5A, "fz"), (0xBD, "m"), (0xF3, "r"), (0x73, "s")):
        glyph(code, dyn(letters), lsb=10, rsb=30)

    # Other signs.
    glyph(0xDE, [src(MUSIC, 0x1D10C, dy=-500)], lsb=10, rsb=10)
    glyph(0x25, [src(MUSIC, 0x1D10B, dy=-500)], lsb=10, rsb=10)
    glyph(0x44, [src(MUSIC, 0x1D10A, dy=-500)], lsb=10, rsb=10)
    glyph(0x64, [src(MUSIC, 0x1D109, dy=-500)], lsb=10, rsb=10)
    _, eq_width = SERIF.record(ord("="))
    glyph(0xF2, [moved(part, sx=0.7, sy=0.7) for part in note(0, True)] +
          [moved(serif_digit(SERIF, "=", 160), dx=300)], rsb=40)
    glyph(0xC3, [src(MUSIC, 0x1D136, dy=-500)], lsb=10, rsb=10)
    glyph(0xD7, [src(MUSIC, 0x1D137, dy=-500)], lsb=10, rsb=10)
    hook = [(0, 1000), (90, 1030), (200, 1110)]
    glyph(0xA7, [rect(0, 0, 80, 1030), stroke(hook, 40)])
    glyph(0xFD, [rect(0, -30, 80, 1000), stroke([(x, 1000 - y) for x, y in hook], 40)])


def draw_parts(parts, pen):
    for part in parts:
        part(pen)


def main():
    out_path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "data", "fonts", "MusicalSymbols.ttf")
    build_table()

    order = [".notdef", "space"]
    glyph_objects = {}
    metrics = {}
    cmap = {}

    pen = TTGlyphPen(None)
    glyph_objects[".notdef"] = pen.glyph()
    metrics[".notdef"] = (500, 0)
    pen = TTGlyphPen(None)
    glyph_objects["space"] = pen.glyph()
    metrics["space"] = (S, 0)
    cmap[0x20] = "space"
    cmap[0xF020] = "space"

    for code in sorted(GLYPHS):
        parts, lsb, rsb, advance, name = GLYPHS[code]
        name = name or "sym%02X" % code
        bounds_pen = BoundsPen(None)
        draw_parts(parts, bounds_pen)
        x0, y0, x1, y1 = bounds_pen.bounds
        shift = lsb - x0
        pen = TTGlyphPen(None)
        draw_parts(parts, TransformPen(pen, (1, 0, 0, 1, shift, 0)))
        g = pen.glyph()
        width = advance if advance is not None else round(x1 - x0 + lsb + rsb)
        glyph_objects[name] = g
        metrics[name] = (width, round(lsb))
        order.append(name)
        cmap[code] = name
        cmap[0xF000 + code] = name

    fb = FontBuilder(1000, isTTF=True)
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyph_objects)
    for name, g in glyph_objects.items():
        if hasattr(g, "recalcBounds"):
            g.recalcBounds(fb.font["glyf"])
    fb.setupHorizontalMetrics({n: (w, glyph_objects[n].xMin if hasattr(glyph_objects[n], "xMin")
                                   and glyph_objects[n].numberOfContours else 0)
                               for n, (w, _) in metrics.items()})
    fb.setupHorizontalHeader(ascent=1400, descent=-600)
    fb.setupNameTable({
        "familyName": "MusicalSymbols",
        "styleName": "Regular",
        "uniqueFontIdentifier": "MusicalSymbols Regular 1.0",
        "fullName": "MusicalSymbols",
        "psName": "MusicalSymbols-Regular",
        "version": "Version 1.000",
        "copyright": "Copyright 2018 Google Inc. (Noto Music, Noto Serif); "
                     "composed glyphs by the Tunora developers",
        "licenseDescription": "This Font Software is licensed under the SIL Open Font "
                              "License, Version 1.1.",
        "licenseInfoURL": "https://openfontlicense.org",
    })
    fb.setupOS2(sTypoAscender=1400, sTypoDescender=-600, sTypoLineGap=0, usWinAscent=1600,
                usWinDescent=900, achVendID="NONE", fsType=0)
    fb.setupPost()
    fb.setupHead(unitsPerEm=1000)
    fb.save(out_path)
    print("wrote %s with %d glyphs" % (out_path, len(order)))


if __name__ == "__main__":
    main()
