#!/usr/bin/env python3
"""Draws Vora's button, crosshair, lock, section and symbol artwork as PNG files.

Only the standard library: every shape is a signed distance field, and a pixel's
coverage is how far inside the edge its centre lies, which gives clean anti-aliased
edges at any size. Run it again after changing a shape; the output is deterministic.

    scripts/draw-artwork.py [OUTPUT_DIR]     (default: resources/images beside this script)
"""
import math
import os
import struct
import sys
import zlib

# Palette: the control mode is blue, the synth mode pink, everything else white on a
# dark disc so that it stays legible over the brightest look.
WHITE = (1.0, 1.0, 1.0, 1.0)
DISC = (0.04, 0.05, 0.08, 0.55)
RIM = (1.0, 1.0, 1.0, 0.85)
BLUE = (0.23, 0.66, 1.0, 1.0)
PINK = (1.0, 0.31, 0.64, 1.0)
AMBER = (1.0, 0.74, 0.23, 1.0)


class Canvas:
    """An RGBA image in premultiplied floats; shapes are composited over it in order."""

    def __init__(self, width, height):
        self.w, self.h = width, height
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def fill(self, sdf, color, bounds=None, soft=1.0):
        """Paints color where sdf(x, y) < 0; x and y in pixels, sdf in pixels.
        soft widens the edge (in pixels) for glows."""
        x0, y0, x1, y1 = bounds or (0, 0, self.w, self.h)
        x0, y0 = max(0, int(x0) - 2), max(0, int(y0) - 2)
        x1, y1 = min(self.w, int(math.ceil(x1)) + 2), min(self.h, int(math.ceil(y1)) + 2)
        r, g, b, a = color
        for y in range(y0, y1):
            row = y * self.w
            for x in range(x0, x1):
                d = sdf(x + 0.5, y + 0.5)
                cov = min(1.0, max(0.0, 0.5 - d / soft))
                if cov <= 0.0:
                    continue
                k = cov * a
                p = self.px[row + x]
                inv = 1.0 - k
                p[0] = r * k + p[0] * inv
                p[1] = g * k + p[1] * inv
                p[2] = b * k + p[2] * inv
                p[3] = k + p[3] * inv

    def write_png(self, path):
        raw = bytearray()
        for y in range(self.h):
            raw.append(0)
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                if a > 0:
                    r, g, b = r / a, g / a, b / a
                raw += bytes(int(round(min(1.0, max(0.0, c)) * 255)) for c in (r, g, b, a))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", header))
            f.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
            f.write(chunk(b"IEND", b""))


# Signed distance fields (negative inside), in pixels.
def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2


def box(cx, cy, hw, hh, radius=0.0):
    def f(x, y):
        qx = abs(x - cx) - hw + radius
        qy = abs(y - cy) - hh + radius
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return f


def segment(ax, ay, bx, by, width):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy or 1e-9

    def f(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - width / 2
    return f


def polyline(points, width):
    parts = [segment(*points[i], *points[i + 1], width) for i in range(len(points) - 1)]
    return union(*parts)


def arc(cx, cy, r, width, start, end):
    """A stroke along the circle from angle start to end (radians, y down, clockwise)."""
    ends = [(cx + r * math.cos(a), cy + r * math.sin(a)) for a in (start, end)]

    def f(x, y):
        a = math.atan2(y - cy, x - cx)
        span = (end - start) % (2 * math.pi)
        if (a - start) % (2 * math.pi) <= span:
            return abs(math.hypot(x - cx, y - cy) - r) - width / 2
        return min(math.hypot(x - ex, y - ey) for ex, ey in ends) - width / 2
    return f


def polygon(points):
    """A convex or concave polygon, by the even-odd rule."""
    n = len(points)

    def f(x, y):
        d = float("inf")
        inside = False
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            ex, ey = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * ex + (y - ay) * ey) / (ex * ex + ey * ey or 1e-9)))
            d = min(d, math.hypot(x - ax - t * ex, y - ay - t * ey))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / (by - ay):
                inside = not inside
        return -d if inside else d
    return f


def union(*fs):
    return lambda x, y: min(f(x, y) for f in fs)


def subtract(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def intersect(a, b):
    return lambda x, y: max(a(x, y), b(x, y))


# Buttons: 128 px square, a dark disc with a light rim and a glyph drawn in a 128 unit box.
S = 128
C = S / 2


def button(glyph, rim=RIM, glyph_color=WHITE, fill=DISC):
    cv = Canvas(S, S)
    cv.fill(circle(C, C, 60), fill)
    cv.fill(ring(C, C, 58.5, 3.5), rim)
    for sdf, color in glyph():
        cv.fill(sdf, color or glyph_color)
    return cv


def sliders_glyph(color):
    def g():
        out = []
        for i, knob in enumerate((0.35, 0.65, 0.45)):
            x = C - 22 + 22 * i
            out.append((segment(x, 36, x, 92, 5), (1, 1, 1, 0.7)))
            ky = 36 + 56 * knob
            out.append((box(x, ky, 8, 5, 2.5), color))
        return out
    return g


def sine_path(x0, x1, cy, amp, cycles=1.0, steps=48):
    pts = []
    for i in range(steps + 1):
        t = i / steps
        pts.append((x0 + (x1 - x0) * t, cy - amp * math.sin(2 * math.pi * cycles * t)))
    return pts


def sine_glyph(color):
    def g():
        return [(polyline(sine_path(32, 96, C, 20), 7), color)]
    return g


def thumbtack_glyph(filled, color):
    def g():
        # A push pin seen from the side, tilted: head, collar, needle.
        ang = math.radians(35)
        ca, sa = math.cos(ang), math.sin(ang)

        def rot(px, py):
            px, py = px - C, py - C
            return (C + px * ca - py * sa, C + px * sa + py * ca)
        head = polygon([rot(*p) for p in [(48, 30), (80, 30), (76, 40), (72, 60), (86, 70), (42, 70), (56, 60), (52, 40)]])
        needle = segment(*rot(64, 70), *rot(64, 102), 4.5)
        if filled:
            return [(head, color), (needle, WHITE)]
        outline = subtract(head, lambda x, y: head(x, y) + 4.5)
        return [(outline, WHITE), (needle, WHITE)]
    return g


def padlock_glyph(closed, color):
    def g():
        body = box(C, 74, 24, 19, 5)
        keyhole = union(circle(C, 70, 5), box(C, 79, 2.5, 7, 1))
        shackle_x = C if closed else C + 20
        shackle = union(
            arc(shackle_x, 50, 15, 7, math.pi, 2 * math.pi),
            segment(shackle_x - 15, 50, shackle_x - 15, 58 if closed else 40, 7),
            segment(shackle_x + 15, 50, shackle_x + 15, 58, 7))
        return [(shackle, color), (subtract(body, keyhole), color)]
    return g


def chevron_glyph(left):
    def g():
        s = -1 if left else 1
        return [(polyline([(C - 8 * s, 40), (C + 12 * s, C), (C - 8 * s, 88)], 10), WHITE)]
    return g


def gear_glyph():
    def g():
        teeth = []
        for i in range(8):
            a = i * math.pi / 4
            teeth.append(segment(C + 22 * math.cos(a), C + 22 * math.sin(a),
                                 C + 31 * math.cos(a), C + 31 * math.sin(a), 11))
        wheel = union(circle(C, C, 25), *teeth)
        return [(subtract(wheel, circle(C, C, 10)), WHITE)]
    return g


def crosshair_line(horizontal, color, length=512, thickness=6):
    """A thin bright line that fades toward both ends; it is stretched across the pad."""
    w, h = (length, thickness) if horizontal else (thickness, length)
    cv = Canvas(w, h)
    r, g, b, _ = color
    for y in range(h):
        for x in range(w):
            along = (x + 0.5) / w if horizontal else (y + 0.5) / h
            across = abs(((y + 0.5) if horizontal else (x + 0.5)) - thickness / 2)
            fade = min(1.0, min(along, 1.0 - along) / 0.18)
            core = max(0.0, min(1.0, 1.6 - across))
            a = fade * (0.35 + 0.65 * core) * (1.0 if across < thickness / 2 else 0.0)
            cv.px[y * w + x] = [r * a, g * a, b * a, a]
    return cv


def target():
    cv = Canvas(S, S)
    cv.fill(circle(C, C, 62), (1, 1, 1, 0.08))
    cv.fill(ring(C, C, 56, 5), (1, 1, 1, 0.9))
    cv.fill(ring(C, C, 34, 3), (1, 1, 1, 0.55))
    cv.fill(circle(C, C, 6), WHITE)
    return cv


def lock_up():
    """The lock view at rest: a pad the finger holds to play through the lock."""
    cv = Canvas(S, S)
    cv.fill(box(C, C, 60, 60, 18), (0.04, 0.05, 0.08, 0.5))
    cv.fill(subtract(box(C, C, 60, 60, 18), box(C, C, 56.5, 56.5, 15)), (1, 1, 1, 0.7))
    for sdf, color in padlock_glyph(True, WHITE)():
        cv.fill(sdf, (1, 1, 1, 0.85))
    return cv


def lock_down():
    """The lock view while held: lit, with the shackle open."""
    cv = Canvas(S, S)
    cv.fill(box(C, C, 60, 60, 18), (AMBER[0], AMBER[1], AMBER[2], 0.35))
    cv.fill(subtract(box(C, C, 60, 60, 18), box(C, C, 56, 56, 14.5)), AMBER)
    for sdf, color in padlock_glyph(False, WHITE)():
        cv.fill(sdf, AMBER)
    return cv


def small(glyph, size=64):
    """A symbol for a settings row: the glyph alone, white, on a transparent square."""
    cv = Canvas(size, size)
    k = size / 64.0
    for sdf, color in glyph(k):
        cv.fill(sdf, color or WHITE)
    return cv


def sym_sine(k):
    return [(polyline([(x * k, y * k) for x, y in sine_path(6, 58, 32, 14)], 5 * k), WHITE)]


def sym_group(k):
    out = []
    for i, knob in enumerate((0.3, 0.7, 0.5)):
        x = (16 + 16 * i) * k
        out.append((segment(x, 10 * k, x, 54 * k, 3.5 * k), (1, 1, 1, 0.75)))
        out.append((box(x, (10 + 44 * knob) * k, 6 * k, 4 * k, 2 * k), WHITE))
    return out


def sym_xmark(k):
    return [(union(segment(16 * k, 16 * k, 48 * k, 48 * k, 6 * k),
                   segment(48 * k, 16 * k, 16 * k, 48 * k, 6 * k)), WHITE)]


def sym_hammer(k):
    head = polygon([(p[0] * k, p[1] * k) for p in [(14, 14), (40, 8), (46, 14), (42, 22), (20, 24)]])
    handle = segment(34 * k, 20 * k, 52 * k, 56 * k, 7 * k)
    return [(union(head, handle), WHITE)]


def sym_bag(k):
    body = box(32 * k, 40 * k, 20 * k, 16 * k, 4 * k)
    handle = arc(32 * k, 24 * k, 10 * k, 4.5 * k, math.pi, 2 * math.pi)
    sides = union(segment(22 * k, 24 * k, 22 * k, 30 * k, 4.5 * k),
                  segment(42 * k, 24 * k, 42 * k, 30 * k, 4.5 * k))
    return [(union(body, handle, sides), WHITE)]


def sym_camera(k):
    outer = box(32 * k, 34 * k, 26 * k, 20 * k, 8 * k)
    inner = box(32 * k, 34 * k, 21.5 * k, 15.5 * k, 4 * k)
    lens = ring(32 * k, 34 * k, 9 * k, 4.5 * k)
    dot = circle(48 * k, 23 * k, 2.5 * k)
    return [(union(subtract(outer, inner), lens, dot), WHITE)]


def sym_play(k):
    return [(polygon([(20 * k, 12 * k), (52 * k, 32 * k), (20 * k, 52 * k)]), WHITE)]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources", "images")
    os.makedirs(out, exist_ok=True)
    art = {
        "mode_on": lambda: button(sliders_glyph(BLUE), rim=BLUE),
        "sine_on": lambda: button(sine_glyph(PINK), rim=PINK),
        "thumbtack": lambda: button(thumbtack_glyph(False, WHITE)),
        "thumbtackon": lambda: button(thumbtack_glyph(True, AMBER), rim=AMBER),
        "lock icon": lambda: button(padlock_glyph(True, AMBER), rim=AMBER),
        "openlock": lambda: button(padlock_glyph(False, WHITE)),
        "arrow_left": lambda: button(chevron_glyph(True)),
        "arrow_right": lambda: button(chevron_glyph(False)),
        "settings": lambda: button(gear_glyph()),
        "horizontal_blu": lambda: crosshair_line(True, BLUE),
        "vertical_blu": lambda: crosshair_line(False, BLUE),
        "horizontal_pink": lambda: crosshair_line(True, PINK),
        "vertical_pink": lambda: crosshair_line(False, PINK),
        "target": target,
        "lockUp": lock_up,
        "lockDown": lock_down,
        "sine": lambda: small(sym_sine),
        "Group": lambda: small(sym_group),
        "xmark": lambda: small(sym_xmark),
        "hammer": lambda: small(sym_hammer),
        "bag": lambda: small(sym_bag),
        "camera": lambda: small(sym_camera),
        "play": lambda: small(sym_play),
    }
    only = set(sys.argv[2:])
    for name, draw in art.items():
        if only and name not in only:
            continue
        draw().write_png(os.path.join(out, name + ".png"))
        print(name + ".png")


if __name__ == "__main__":
    main()
