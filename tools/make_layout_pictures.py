#!/usr/bin/env python3
"""Draws the pictures that the windows show (tool and menu pictures, file-state icons, the
product logo and the thumbnail placeholder) and writes each as an 8-bit RGBA PNG file.
Usage: make_layout_pictures.py OUTPUT_FOLDER

Every picture is built from shapes given as signed distance functions (negative inside), painted
in order, later shapes over earlier ones; each pixel averages a grid of samples, so edges are
smooth at 16 pixels as well as at 400. Only the thumbnail placeholder is opaque."""
import math
import os
import sys

from make_app_icon import png

# ---------------------------------------------------------------- shapes (pixel coordinates)


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r_in, r_out):
    mid, half = (r_in + r_out) / 2, (r_out - r_in) / 2
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - mid) - half


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def stroke(points, width):
    """A polyline with round ends and joins."""
    pairs = list(zip(points, points[1:]))
    return lambda x, y: min(segment_distance(x, y, *a, *b) for a, b in pairs) - width / 2


def polygon(points):
    edges = list(zip(points, points[1:] + points[:1]))

    def sdf(x, y):
        inside = False
        for (ax, ay), (bx, by) in edges:
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        d = min(segment_distance(x, y, ax, ay, bx, by) for (ax, ay), (bx, by) in edges)
        return -d if inside else d
    return sdf


def rounded_rect(x0, y0, x1, y1, r):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r
    return sdf


def grown(shape, d):
    """The shape widened by d on every side (an outline drawn under it)."""
    return lambda x, y: shape(x, y) - d


def intersection(a, b):
    return lambda x, y: max(a(x, y), b(x, y))


# A 5 x 7 pixel font for the few texts drawn into pictures.
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    "Y": ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    "a": ["00000", "00000", "01110", "00001", "01111", "10001", "01111"],
    "d": ["00001", "00001", "01101", "10011", "10001", "10001", "01111"],
    "e": ["00000", "00000", "01110", "10001", "11111", "10000", "01110"],
    "i": ["00100", "00000", "01100", "00100", "00100", "00100", "01110"],
    "l": ["01100", "00100", "00100", "00100", "00100", "00100", "01110"],
    "n": ["00000", "00000", "10110", "11001", "10001", "10001", "10001"],
    "o": ["00000", "00000", "01110", "10001", "10001", "10001", "01110"],
    "t": ["01000", "01000", "11100", "01000", "01000", "01001", "00110"],
    ":": ["00000", "01100", "01100", "00000", "01100", "01100", "00000"],
    "(": ["00010", "00100", "01000", "01000", "01000", "00100", "00010"],
    " ": ["00000"] * 7,
}


def text_width(text, scale):
    return (len(text) * 6 - 1) * scale


def text(x0, y0, scale, content):
    """Text in the 5 x 7 font, each font pixel a square of scale pixels; inside is -1, else 1."""
    def sdf(x, y):
        col, row = math.floor((x - x0) / scale), math.floor((y - y0) / scale)
        if row < 0 or row >= 7 or col < 0:
            return 1.0
        index, dot = divmod(col, 6)
        if index >= len(content) or dot == 5:
            return 1.0
        return -1.0 if FONT[content[index]][row][dot] == "1" else 1.0
    return sdf


def text_centred(cx, y0, scale, content):
    return text(cx - text_width(content, scale) / 2, y0, scale, content)


# ---------------------------------------------------------------- pictures

CLEAR = (0, 0, 0, 0)
WHITE = (255, 255, 255, 255)


def rgb(r, g, b):
    return (r, g, b, 255)


def unit(shape_maker, s):
    """Scales a drawing made in the unit square to an s x s picture."""
    return lambda x, y: shape_maker(x / s, y / s) * s


def tick(s):
    line = [(0.17 * s, 0.53 * s), (0.40 * s, 0.76 * s), (0.84 * s, 0.27 * s)]
    return [(stroke(line, 0.24 * s), rgb(20, 105, 35)), (stroke(line, 0.15 * s), rgb(60, 180, 75))]


def chevron(s, up, fill, edge):
    y_arm, y_tip = (0.66, 0.34) if up else (0.34, 0.66)
    line = [(0.18 * s, y_arm * s), (0.5 * s, y_tip * s), (0.82 * s, y_arm * s)]
    return [(stroke(line, 0.27 * s), edge), (stroke(line, 0.18 * s), fill)]


def clock(s):
    c = s / 2
    return [(circle(c, c, 0.47 * s), rgb(60, 64, 75)), (circle(c, c, 0.36 * s), WHITE),
            (stroke([(c, c), (c, 0.22 * s)], 0.11 * s), rgb(40, 40, 50)),
            (stroke([(c, c), (0.72 * s, c)], 0.11 * s), rgb(40, 40, 50)),
            (circle(c, c, 0.07 * s), rgb(200, 40, 40))]


GROUP_COLOURS = [rgb(220, 50, 47), rgb(240, 140, 30), rgb(235, 200, 30),
                 rgb(60, 170, 70), rgb(30, 160, 160), rgb(40, 100, 210),
                 rgb(130, 70, 190), rgb(210, 60, 150), rgb(120, 120, 120)]


def group_squares(s):
    cell, gap = s / 3, max(1.6, s / 12)  # the corners stay clear at 16 pixels
    layers = []
    for k, colour in enumerate(GROUP_COLOURS):
        i, j = k % 3, k // 3
        layers.append((rounded_rect(i * cell + gap / 2, j * cell + gap / 2, (i + 1) * cell - gap / 2,
                                    (j + 1) * cell - gap / 2, 0.12 * cell), colour))
    return layers


def bullet_list(s):
    blue, dark = rgb(40, 110, 210), rgb(20, 60, 140)
    layers = []
    for y in (0.24, 0.5, 0.76):
        layers.append((circle(0.19 * s, y * s, 0.1 * s), dark))
        layers.append((rounded_rect(0.36 * s, (y - 0.07) * s, 0.9 * s, (y + 0.07) * s, 0.05 * s), blue))
    return layers


def play_triangle(s, fill, edge):
    points = [(0.22 * s, 0.12 * s), (0.88 * s, 0.5 * s), (0.22 * s, 0.88 * s)]
    tri = polygon(points)
    return [(grown(tri, 0.05 * s), edge), (tri, fill)]


def exclamation(s, colour):
    return [(stroke([(0.42 * s, 0.31 * s), (0.42 * s, 0.55 * s)], 0.12 * s), colour),
            (circle(0.42 * s, 0.70 * s, 0.07 * s), colour)]


def blocked_badge(s):
    c, r, arm = 0.72 * s, 0.27 * s, 0.11 * s
    return [(circle(c, c, r + 0.04 * s), WHITE), (circle(c, c, r), rgb(215, 30, 30)),
            (stroke([(c - arm, c - arm), (c + arm, c + arm)], 0.08 * s), WHITE),
            (stroke([(c - arm, c + arm), (c + arm, c - arm)], 0.08 * s), WHITE)]


def plus(s):
    blue, dark = rgb(40, 120, 220), rgb(20, 65, 150)
    bars = [rounded_rect(0.39 * s, 0.12 * s, 0.61 * s, 0.88 * s, 0.05 * s),
            rounded_rect(0.12 * s, 0.39 * s, 0.88 * s, 0.61 * s, 0.05 * s)]
    return [(grown(b, 0.05 * s), dark) for b in bars] + [(b, blue) for b in bars]


def thumb(s, down, fill, edge):
    """A fist with its thumb up (or, mirrored top to bottom, down)."""
    def flip(shape):
        return (lambda x, y: shape(x, s - y)) if down else shape
    fist = rounded_rect(0.34 * s, 0.44 * s, 0.90 * s, 0.92 * s, 0.12 * s)
    thumb_ = stroke([(0.45 * s, 0.50 * s), (0.55 * s, 0.14 * s)], 0.20 * s)
    cuff = rounded_rect(0.08 * s, 0.46 * s, 0.28 * s, 0.88 * s, 0.04 * s)
    shapes = [fist, thumb_, cuff]
    return ([(flip(grown(shape, 0.06 * s)), edge) for shape in shapes]
            + [(flip(shape), fill) for shape in shapes])


def waste_bin(s):
    dark, light = rgb(140, 22, 22), rgb(205, 95, 95)
    body = polygon([(0.22 * s, 0.32 * s), (0.78 * s, 0.32 * s), (0.70 * s, 0.93 * s),
                    (0.30 * s, 0.93 * s)])
    layers = [(rounded_rect(0.38 * s, 0.06 * s, 0.62 * s, 0.22 * s, 0.05 * s), dark),
              (rounded_rect(0.45 * s, 0.12 * s, 0.55 * s, 0.22 * s, 0.01 * s), CLEAR),
              (rounded_rect(0.12 * s, 0.18 * s, 0.88 * s, 0.28 * s, 0.04 * s), dark),
              (body, dark)]
    for x in (0.39, 0.5, 0.61):
        layers.append((stroke([(x * s, 0.43 * s), (x * s, 0.82 * s)], 0.06 * s), light))
    return layers


def product_logo(w, h):
    blue, teal, dark = rgb(24, 64, 160), rgb(18, 150, 140), rgb(20, 30, 60)
    frame = rounded_rect(28, 4, 122, 66, 16)
    cx, cy = 75, 35
    # the eye: the overlap of two circles, one above and one below the eye's middle
    eye = intersection(circle(cx, cy + 30, 42), circle(cx, cy - 30, 42))
    return [(frame, blue), (grown(frame, -5), CLEAR),
            (grown(eye, 2.5), dark), (eye, WHITE),
            (circle(cx, cy, 11), teal), (circle(cx, cy, 5), dark), (circle(cx + 4, cy - 4, 2.5), WHITE),
            (text_centred(w / 2, 74, 2, "ORLO VIXO"), blue),
            (text_centred(w / 2, 96, 1.5, "VIDEO QUALITY"), teal)]


def video_not_loaded(w, h):
    red = rgb(205, 30, 30)
    cx, cy, r = w / 2, 72, 50
    k = (r - 6) / math.sqrt(2)  # the bar runs across the ring, top left to bottom right
    return [(lambda x, y: -1.0, WHITE),
            (ring(cx, cy, r - 12, r), red),
            (stroke([(cx - k, cy - k), (cx + k, cy + k)], 12), red),
            (text_centred(cx, 140, 3, "Video not loaded :("), rgb(60, 60, 60))]


def square(layers_of_size, s):
    return (s, s, layers_of_size(s))


PICTURES = {
    "set_reference_tool": lambda: square(tick, 24),
    "set_reference_menu": lambda: square(tick, 16),
    "move_down_tool": lambda: square(lambda s: chevron(s, False, rgb(30, 80, 200), rgb(15, 40, 120)), 24),
    "move_up_tool": lambda: square(lambda s: chevron(s, True, rgb(110, 185, 245), rgb(40, 120, 190)), 24),
    "file_loading": lambda: square(clock, 16),
    "set_group_menu": lambda: square(group_squares, 16),
    "group_files_tool": lambda: square(group_squares, 24),
    "product_logo": lambda: (150, 117, product_logo(150, 117)),
    "view_results_tool": lambda: square(bullet_list, 24),
    "view_results_menu": lambda: square(bullet_list, 16),
    "video_not_loaded": lambda: (400, 200, video_not_loaded(400, 200)),
    "debug_tool": lambda: square(lambda s: play_triangle(s, rgb(215, 35, 35), rgb(130, 15, 15)), 24),
    "debug_menu": lambda: square(lambda s: play_triangle(s, rgb(215, 35, 35), rgb(130, 15, 15)), 16),
    "debug_tool_blocked": lambda: square(
        lambda s: play_triangle(s, rgb(160, 160, 160), rgb(100, 100, 100)) + blocked_badge(s), 24),
    "add_files_tool": lambda: square(plus, 24),
    "add_files_menu": lambda: square(plus, 16),
    "run_tool": lambda: square(
        lambda s: play_triangle(s, rgb(245, 140, 140), rgb(190, 60, 60)) + exclamation(s, rgb(200, 0, 0)), 24),
    "run_menu": lambda: square(
        lambda s: play_triangle(s, rgb(245, 140, 140), rgb(190, 60, 60)) + exclamation(s, rgb(200, 0, 0)), 16),
    "run_tool_blocked": lambda: square(
        lambda s: play_triangle(s, rgb(175, 175, 175), rgb(110, 110, 110)) + exclamation(s, rgb(95, 95, 95))
        + blocked_badge(s), 24),
    "file_error": lambda: square(lambda s: thumb(s, True, rgb(220, 50, 50), rgb(120, 15, 15)), 16),
    "file_ok": lambda: square(lambda s: thumb(s, False, rgb(60, 175, 70), rgb(20, 95, 30)), 16),
    "remove_files_tool": lambda: square(waste_bin, 24),
    "remove_files_menu": lambda: square(waste_bin, 16),
}

# ---------------------------------------------------------------- rendering and PNG


def render(w, h, layers, samples):
    rows = []
    offsets = [(k + 0.5) / samples for k in range(samples)]
    n = samples * samples
    for j in range(h):
        row = []
        for i in range(w):
            acc = [0, 0, 0, 0]
            for oy in offsets:
                for ox in offsets:
                    x, y = i + ox, j + oy
                    colour = CLEAR
                    for shape, c in reversed(layers):  # the topmost shape that holds the point
                        if shape(x, y) <= 0:
                            colour = c
                            break
                    for k in range(3):
                        acc[k] += colour[k] * colour[3]
                    acc[3] += colour[3]
            if acc[3]:
                row.append(tuple(round(acc[k] / acc[3]) for k in range(3)) + (round(acc[3] / n),))
            else:
                row.append(CLEAR)
        rows.append(row)
    return rows


def main(folder):
    os.makedirs(folder, exist_ok=True)
    for name, make in PICTURES.items():
        w, h, layers = make()
        samples = 4 if w * h <= 24 * 24 else 3
        with open(os.path.join(folder, name + ".png"), "wb") as f:
            f.write(png(render(w, h, layers, samples)))


if __name__ == "__main__":
    main(sys.argv[1])
