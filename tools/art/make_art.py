#!/usr/bin/env python3
"""Draws the editor's bitmaps for the six plug-ins and writes them as Windows
resource bitmaps: 8 bits per pixel, a full 256-entry colour table, the knob
face run-length compressed (RLE8), the slider thumb with a colour-count field
of 0. The outputs are committed, so building needs neither Python nor Pillow.

    python3 tools/art/make_art.py [--preview DIR]

Needs python3-pil and fonts-dejavu-core. Everything is drawn at four times the
size and reduced, which gives smooth edges without a rasteriser of our own.
"""

import argparse
import math
import os
import random
import struct

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
FONTS = "/usr/share/fonts/truetype/dejavu/"
SS = 4  # supersampling factor

KEY = (0, 0, 255)  # transparent in the knob face and slider thumb

PAGE_W, PAGE_H = 430, 110
KNOB = 40  # knob window size
FACE = 50  # knob face and slider thumb bitmap size

# Where the page puts its controls (client pixels): knob id -> top-left.
STANDARD_KNOBS = {102: (9, 8), 103: (67, 8), 106: (125, 8), 104: (9, 60), 107: (67, 60),
                  105: (125, 60)}
TREMOLO_KNOBS = {103: (9, 20), 106: (125, 20), 104: (67, 48)}
SLIDER = (382, 14, 23, 84)
DISPLAY = (185, 32, 150, 50)
TRACK_TOP, TRACK_BOTTOM = 11, 73  # thumb centre rows inside the slider

CAPTIONS = {102: "FREQUENCY", 103: "DEPTH", 104: "RATE", 105: "MIX", 106: "DEGREE",
            107: "FEEDBACK"}

# (directory, product name, knob 102's caption or None for the Tremolo's layout)
PLUGINS = [
    ("phaser", "Phaser", "FREQUENCY"),
    ("chorus", "Chorus", "DELAY"),
    ("flanger", "Flanger", "DELAY"),
    ("filter", "Filter", "FREQUENCY"),
    ("cdelay", "C-Delay", "DELAY"),
    ("tremolo", "Tremolo", None),
]

# Colours of the face's surroundings: what lies under its soft edge.
WELL_FLOOR = (38, 39, 42)
LCD_GREEN = (156, 196, 112)


def font(name, size):
    return ImageFont.truetype(FONTS + name, size * SS)


def up(v):
    return int(round(v * SS))


# --- Drawing helpers --------------------------------------------------------


def brushed_metal(w, h, seed, base=(184, 186, 190)):
    """Horizontal brushing: each row a little lighter or darker, fine grain
    along it, a soft light from above."""
    rnd = random.Random(seed)
    img = Image.new("RGB", (w, h))
    px = img.load()
    row_shift = [rnd.gauss(0, 4.0) for _ in range(h)]
    streaks = [rnd.gauss(0, 1.0) for _ in range(w + h)]
    for y in range(h):
        light = 10 * (1 - y / h) - 4
        for x in range(w):
            grain = rnd.gauss(0, 2.2) + 3 * streaks[(x // 7 + y * 3) % len(streaks)]
            v = light + row_shift[y] + grain
            px[x, y] = tuple(max(0, min(255, int(c + v))) for c in base)
    return img.filter(ImageFilter.BoxBlur(0.6))


def radial(draw, cx, cy, r0, r1, c0, c1, steps=48):
    """Concentric rings from radius r1 (colour c1) in to r0 (colour c0)."""
    for i in range(steps + 1):
        t = i / steps
        r = r1 + (r0 - r1) * t
        col = tuple(int(a + (b - a) * t) for a, b in zip(c1, c0))
        draw.ellipse([cx - r, cy - r, cx + r, cy + r], fill=col)


def text_centered(draw, cx, y, text, fnt, fill, spacing=0):
    w = draw.textlength(text, font=fnt) + spacing * (len(text) - 1) * SS
    x = cx * SS - w / 2
    for ch in text:
        draw.text((x, y * SS), ch, font=fnt, fill=fill)
        x += draw.textlength(ch, font=fnt) + spacing * SS


def engraved(img, cx, y, text, fnt, spacing=0.6, right=None):
    """Text pressed into the metal: a dark face with a light edge below."""
    d = ImageDraw.Draw(img)
    if right is not None:
        w = d.textlength(text, font=fnt) + spacing * (len(text) - 1) * SS
        cx = (right * SS - w / 2) / SS
    text_centered(d, cx, y + 0.35, text, fnt, (236, 238, 240), spacing)
    text_centered(d, cx, y, text, fnt, (44, 46, 52), spacing)


def screw(d, cx, cy, r=3.2):
    radial(d, up(cx), up(cy), 0, up(r + 0.6), (90, 92, 96), (70, 72, 76), 4)
    radial(d, up(cx - 0.4), up(cy - 0.4), up(0.5), up(r), (236, 238, 240), (130, 132, 138), 16)
    a = math.radians(35)
    dx, dy = math.cos(a) * up(r * 0.8), math.sin(a) * up(r * 0.8)
    d.line([up(cx) - dx, up(cy) - dy, up(cx) + dx, up(cy) + dy], fill=(70, 72, 78), width=up(0.8))


# --- Page panel ---------------------------------------------------------------


def knob_well(img, d, x, y):
    """A recessed ring the knob sits in, with tick marks over its arc."""
    cx, cy = x + KNOB / 2, y + KNOB / 2
    # Shadow and bevel of the recess; the floor colour lies under the face's
    # soft edge (radius 19 to 20).
    radial(d, up(cx), up(cy + 0.6), up(20.5), up(23.5), (120, 122, 126), (176, 178, 182), 12)
    radial(d, up(cx), up(cy), up(18.0), up(22.2), WELL_FLOOR, (70, 72, 78), 10)
    d.ellipse([up(cx - 21.6), up(cy - 21.6), up(cx + 21.6), up(cy + 21.6)], outline=(30, 31, 34),
              width=up(0.6))
    d.ellipse([up(cx - 21), up(cy - 21), up(cx + 21), up(cy + 21)], fill=WELL_FLOOR)
    # Scale ticks over the 270-degree arc, lower bound down-left.
    for i in range(11):
        a = 2.36 + 4.71 * i / 10
        r0, r1 = 20.0, 21.6 if i % 5 else 22.4
        col = (210, 212, 216) if i % 5 else (236, 90, 70)
        d.line([up(cx + r0 * math.cos(a)), up(cy + r0 * math.sin(a)), up(cx + r1 * math.cos(a)),
                up(cy + r1 * math.sin(a))], fill=col, width=up(0.7))


def lcd(img, d):
    x, y, w, h = DISPLAY
    # Bezel: a dark frame stepping down to the glass.
    d.rounded_rectangle([up(x - 5), up(y - 5), up(x + w + 5), up(y + h + 5)], radius=up(4),
                        fill=(150, 152, 158))
    d.rounded_rectangle([up(x - 4), up(y - 4), up(x + w + 4), up(y + h + 4)], radius=up(3.5),
                        fill=(40, 42, 46))
    d.rounded_rectangle([up(x - 2), up(y - 2), up(x + w + 2), up(y + h + 2)], radius=up(2.5),
                        fill=(22, 26, 22))
    # Glass: green with a soft vignette so it reads as lit from behind.
    glass = Image.new("RGB", (up(w), up(h)))
    gd = ImageDraw.Draw(glass)
    for i in range(up(h)):
        t = i / up(h)
        shade = 1.0 - 0.10 * abs(t - 0.45) * 2
        gd.line([0, i, up(w), i], fill=tuple(int(c * shade) for c in LCD_GREEN))
    mask = Image.new("L", glass.size, 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, up(w) - 1, up(h) - 1], radius=up(2), fill=255)
    img.paste(glass, (up(x), up(y)), mask)
    # A faint glare across the top.
    d.line([up(x + 3), up(y + 1.2), up(x + w - 3), up(y + 1.2)], fill=(178, 214, 136),
           width=up(0.8))


def fader_slot(img, d):
    x, y, w, h = SLIDER
    cx = x + w / 2
    top, bottom = y + TRACK_TOP, y + TRACK_BOTTOM
    # Slot cut into the panel.
    d.rounded_rectangle([up(cx - 3.5), up(top - 6), up(cx + 3.5), up(bottom + 6)], radius=up(3),
                        fill=(236, 238, 240))
    d.rounded_rectangle([up(cx - 3.5), up(top - 6.6), up(cx + 3.5), up(bottom + 5.4)],
                        radius=up(3), fill=(30, 31, 34))
    d.rounded_rectangle([up(cx - 1.6), up(top - 4), up(cx + 1.6), up(bottom + 4)], radius=up(1.6),
                        fill=(8, 8, 10))
    # Scale: +3 at the top down to -15, every 3 dB; 0 dB is position 50.
    fnt = font("DejaVuSansCondensed-Bold.ttf", 7)
    for db in (3, 0, -3, -6, -9, -12, -15):
        pos = (3 - db) / 18 * 300
        row = top + pos * (TRACK_BOTTOM - TRACK_TOP) / 300
        major = db == 0
        d.line([up(x - 1), up(row), up(x + 4), up(row)],
               fill=(200, 50, 40) if major else (50, 52, 58), width=up(0.9 if major else 0.7))
        d.line([up(x + w - 4), up(row), up(x + w + 1), up(row)],
               fill=(200, 50, 40) if major else (50, 52, 58), width=up(0.9 if major else 0.7))
        label = "+3" if db > 0 else str(db)
        engraved(img, 0, row - 4.6, label, fnt, spacing=0.2, right=x - 3)
    engraved(img, cx, bottom + 9, "dB", font("DejaVuSansCondensed-Bold.ttf", 7), 0.3)
    engraved(img, cx, y - 12, "LEVEL", font("DejaVuSansCondensed-Bold.ttf", 6), 0.5)


def logo(img, d):
    x, y, w, _ = DISPLAY
    cx = x + w / 2
    fnt = font("DejaVuSans-Bold.ttf", 13)
    # "ORVELT" engraved, spaced out, with a red bar either side.
    engraved(img, cx, 8.6, "ORVELT", fnt, spacing=3.2)
    for side in (-1, 1):
        bx = cx + side * 52
        d.rounded_rectangle([up(bx - 14), up(14), up(bx + 14), up(17)], radius=up(1.5),
                            fill=(196, 40, 34))
        d.line([up(bx - 13), up(14.3), up(bx + 13), up(14.3)], fill=(236, 120, 110), width=up(0.5))


def product_name(img, product):
    x, y, w, h = DISPLAY
    fnt = font("DejaVuSans-BoldOblique.ttf", 9)
    engraved(img, 0, y + h + 6.5, "KV " + product.upper(), fnt, spacing=0.8, right=x + w)


def page(product, caption102, knobs, seed):
    img = brushed_metal(PAGE_W * SS // 2, PAGE_H * SS // 2, seed).resize(
        (PAGE_W * SS, PAGE_H * SS), Image.BICUBIC)
    d = ImageDraw.Draw(img)
    # Panel edge: a light top and left, a dark bottom and right bevel.
    d.rectangle([0, 0, up(PAGE_W), up(1)], fill=(232, 234, 236))
    d.rectangle([0, 0, up(1), up(PAGE_H)], fill=(220, 222, 226))
    d.rectangle([0, up(PAGE_H - 1.2), up(PAGE_W), up(PAGE_H)], fill=(96, 98, 104))
    d.rectangle([up(PAGE_W - 1.2), 0, up(PAGE_W), up(PAGE_H)], fill=(110, 112, 118))
    # A groove separating the knob section from the rest.
    sep = 176
    d.line([up(sep), up(6), up(sep), up(PAGE_H - 6)], fill=(120, 122, 128), width=up(0.8))
    d.line([up(sep + 0.9), up(6), up(sep + 0.9), up(PAGE_H - 6)], fill=(236, 238, 240),
           width=up(0.8))
    for sx, sy in ((420, 7), (420, 103), (350, 7), (350, 103)):
        screw(d, sx, sy)
    cap = font("DejaVuSansCondensed-Bold.ttf", 7)
    for ident, (x, y) in knobs.items():
        knob_well(img, d, x, y)
        text = caption102 if ident == 102 else CAPTIONS[ident]
        engraved(img, x + KNOB / 2, y + KNOB + 1.6, text, cap, spacing=0.5)
    lcd(img, d)
    logo(img, d)
    product_name(img, product)
    fader_slot(img, d)
    return img.resize((PAGE_W, PAGE_H), Image.LANCZOS)


# --- Knob face and slider thumb ----------------------------------------------


def knob_face():
    """A dark knob with a knurled skirt, a lighter rim and a satin cap."""
    s = FACE * SS
    art = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(art)
    c = s / 2
    # Skirt with knurling.
    d.ellipse([c - up(19.5), c - up(19.5), c + up(19.5), c + up(19.5)], fill=(24, 24, 27, 255))
    for i in range(48):
        a = 2 * math.pi * i / 48
        d.line([c + up(16.5) * math.cos(a), c + up(16.5) * math.sin(a), c + up(19.2) * math.cos(a),
                c + up(19.2) * math.sin(a)], fill=(58, 58, 64, 255), width=up(0.7))
    # Lighter rim around the cap, brightest towards the light (top left).
    rim = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    rd = ImageDraw.Draw(rim)
    for i in range(up(33)):
        t = i / up(33)
        g = int(168 - 96 * t)
        rd.line([c - up(16.5) + i, 0, c - up(16.5) + i, s], fill=(g, g + 2, g + 8, 255))
    rim = rim.rotate(-40, center=(c, c))
    ring = Image.new("L", (s, s), 0)
    ImageDraw.Draw(ring).ellipse([c - up(16.6), c - up(16.6), c + up(16.6), c + up(16.6)],
                                 fill=255)
    art.paste(rim, (0, 0), ring)
    # Cap: satin dark with light from the top left.
    radial(d, c - up(2.5), c - up(3.5), 0, up(14.6), (84, 86, 94), (26, 27, 31), 40)
    d.ellipse([c - up(14.6), c - up(14.6), c + up(14.6), c + up(14.6)], outline=(18, 18, 20),
              width=up(0.5))
    # Put the alpha on every drawn pixel (radial() wrote RGB only).
    alpha = Image.new("L", (s, s), 0)
    ImageDraw.Draw(alpha).ellipse([c - up(19.5), c - up(19.5), c + up(19.5), c + up(19.5)],
                                  fill=255)
    art.putalpha(alpha)
    small = art.resize((FACE, FACE), Image.LANCZOS)
    return keyed(small, WELL_FLOOR)


def thumb():
    """A small grey fader cap with two dark grooves, in columns 14-34 and rows
    14-35; key colour everywhere else. Square edges need no smoothing."""
    img = Image.new("RGB", (FACE, FACE), KEY)
    d = ImageDraw.Draw(img)
    x0, x1, y0, y1 = 14, 34, 14, 35
    for y in range(y0, y1 + 1):
        t = (y - y0) / (y1 - y0)
        g = int(214 - 70 * t)
        d.line([x0, y, x1, y], fill=(g, g + 1, g + 4))
    d.line([x0, y0, x1, y0], fill=(246, 247, 250))
    d.line([x0, y0, x0, y1], fill=(226, 228, 232))
    d.line([x1, y0, x1, y1], fill=(92, 94, 100))
    d.line([x0, y1, x1, y1], fill=(60, 62, 66))
    for gy in (21, 28):
        d.line([x0 + 2, gy, x1 - 2, gy], fill=(40, 41, 46))
        d.line([x0 + 2, gy + 1, x1 - 2, gy + 1], fill=(236, 238, 242))
    # The index line at the thumb's centre row, in red.
    d.line([x0 + 1, 24, x1 - 1, 24], fill=(206, 44, 36))
    return img


def keyed(rgba, under):
    """Pixels mostly transparent become the key; the rest are composed over
    the colour they will lie on, so no edge blends towards blue."""
    out = Image.new("RGB", rgba.size, KEY)
    src = rgba.load()
    dst = out.load()
    for y in range(rgba.size[1]):
        for x in range(rgba.size[0]):
            r, g, b, a = src[x, y]
            if a >= 128:
                t = a / 255
                dst[x, y] = tuple(int(round(c * t + u * (1 - t))) for c, u in zip((r, g, b), under))
    return out


# --- About image ---------------------------------------------------------------


def about(product, seed):
    s = 220
    img = brushed_metal(s * SS // 2, s * SS // 2, seed + 99, base=(58, 60, 66)).resize(
        (s * SS, s * SS), Image.BICUBIC)
    d = ImageDraw.Draw(img)
    d.rectangle([up(2), up(2), up(s - 2), up(s - 2)], outline=(120, 122, 130), width=up(1))
    for sx, sy in ((10, 10), (210, 10), (10, 210), (210, 210)):
        screw(d, sx, sy)
    # A large knob as the emblem.
    radial(d, up(110), up(78), up(0), up(38), (110, 112, 120), (20, 20, 24), 48)
    d.ellipse([up(72), up(40), up(148), up(116)], outline=(160, 162, 170), width=up(1.2))
    a = 2.36 + 4.71 * 0.7
    d.ellipse([up(110 + 26 * math.cos(a) - 3), up(78 + 26 * math.sin(a) - 3),
               up(110 + 26 * math.cos(a) + 3), up(78 + 26 * math.sin(a) + 3)], fill=(240, 30, 30))
    white = (236, 238, 242)
    text_centered(d, 110, 128, "KV " + product, font("DejaVuSans-Bold.ttf", 20), white)
    text_centered(d, 110, 156, "Version 1.0", font("DejaVuSans.ttf", 11), (190, 194, 200))
    text_centered(d, 110, 182, "ORVELT", font("DejaVuSans-Bold.ttf", 12), (220, 60, 50), 3)
    return img.resize((s, s), Image.LANCZOS)


# --- Windows bitmap files ----------------------------------------------------------


def to_indexed(img, keep_key):
    """256 colours; with keep_key the key is entry 0 and nothing else maps to it."""
    if not keep_key:
        q = img.quantize(colors=256, method=Image.Quantize.MEDIANCUT,
                         dither=Image.Dither.FLOYDSTEINBERG)
        return q.getpalette()[:768], list(q.getdata())
    art_pixels = [p for p in img.getdata() if p != KEY]
    sample = Image.new("RGB", (len(art_pixels), 1))
    sample.putdata(art_pixels)
    q = sample.quantize(colors=255, method=Image.Quantize.MEDIANCUT)
    pal = q.getpalette()[:765]
    pal += [0] * (765 - len(pal))
    palette = list(KEY) + pal
    # Map each art pixel to its nearest non-key entry.
    entries = [tuple(palette[i * 3:i * 3 + 3]) for i in range(256)]
    cache = {}

    def nearest(p):
        if p not in cache:
            cache[p] = min(range(1, 256),
                           key=lambda i: sum((a - b) ** 2 for a, b in zip(p, entries[i])))
        return cache[p]

    return palette, [0 if p == KEY else nearest(p) for p in img.getdata()]


def rle8(rows):
    """Encoded runs and literal stretches, each row ended, the image ended."""
    out = bytearray()
    for row in rows:
        i, n = 0, len(row)
        while i < n:
            run = 1
            while i + run < n and run < 255 and row[i + run] == row[i]:
                run += 1
            if run >= 3:
                out += bytes([run, row[i]])
                i += run
                continue
            j = i
            while j < n and j - i < 255:
                if j + 2 < n and row[j] == row[j + 1] == row[j + 2]:
                    break
                j += 1
            count = j - i
            if count < 3:  # a literal needs at least three pixels
                for k in range(count):
                    out += bytes([1, row[i + k]])
            else:
                out += bytes([0, count]) + bytes(row[i:j])
                if count % 2:
                    out += b"\0"
            i = j
        out += b"\0\0"
    out[-2:] = b"\0\1"
    return bytes(out)


def write_bmp(path, w, h, palette, indices, compress=False, colour_count=256):
    rows = [indices[y * w:(y + 1) * w] for y in range(h)][::-1]  # bottom-up
    if compress:
        bits = rle8(rows)
    else:
        stride = (w + 3) & ~3
        bits = b"".join(bytes(r) + b"\0" * (stride - w) for r in rows)
    table = b"".join(bytes([palette[i * 3 + 2], palette[i * 3 + 1], palette[i * 3], 0])
                     for i in range(256))
    offset = 14 + 40 + len(table)
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 1 if compress else 0, len(bits),
                         2835, 2835, colour_count, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(bits), 0, 0, offset))
        f.write(header + table + bits)


def save(path, img, keep_key=False, compress=False, colour_count=256):
    palette, indices = to_indexed(img, keep_key)
    write_bmp(path, img.size[0], img.size[1], palette, indices, compress, colour_count)


def preview(directory, knobs, out):
    """The page as a user sees it, read back from the written files: knob
    faces with their dots at mid-travel and the thumb at 0 dB, at 100% and 200%."""
    page = Image.open(os.path.join(ROOT, "plugins", directory, "art", "page.bmp")).convert("RGB")
    face = Image.open(os.path.join(ROOT, "plugins", "art", "knob.bmp")).convert("RGB")
    cap = Image.open(os.path.join(ROOT, "plugins", "art", "thumb.bmp")).convert("RGB")

    def keyed_paste(src, x, y):
        mask = Image.eval(ImageChops.difference(src, Image.new("RGB", src.size, KEY)).convert("L"),
                          lambda v: 255 if v else 0)
        page.paste(src, (x, y), mask)

    d = ImageDraw.Draw(page)
    for x, y in knobs.values():
        keyed_paste(face, x - 5, y - 5)
        a = 2.36 + 4.71 * 0.5
        cx, cy = x + 20 + int(12 * math.cos(a)), y + 20 + int(12 * math.sin(a))
        d.ellipse([cx - 2, cy - 2, cx + 2, cy + 2], fill=(244, 13, 13), outline=(230, 13, 14))
    sx, sy = SLIDER[0], SLIDER[1]
    keyed_paste(cap, sx - 13, sy + int(49 * 62 / 300 + 11 - 25))
    page.save(os.path.join(out, directory + "-100.png"))
    page.resize((PAGE_W * 2, PAGE_H * 2), Image.NEAREST).save(
        os.path.join(out, directory + "-200.png"))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--preview", help="also write PNG previews into this directory")
    args = parser.parse_args()
    shared = os.path.join(ROOT, "plugins", "art")
    os.makedirs(shared, exist_ok=True)
    face, cap = knob_face(), thumb()
    save(os.path.join(shared, "knob.bmp"), face, keep_key=True, compress=True)
    save(os.path.join(shared, "thumb.bmp"), cap, keep_key=True, colour_count=0)
    for seed, (directory, product, caption) in enumerate(PLUGINS):
        out = os.path.join(ROOT, "plugins", directory, "art")
        os.makedirs(out, exist_ok=True)
        knobs = TREMOLO_KNOBS if caption is None else STANDARD_KNOBS
        panel = page(product, caption, knobs, seed)
        save(os.path.join(out, "page.bmp"), panel)
        save(os.path.join(out, "about.bmp"), about(product, seed))
        if args.preview:
            os.makedirs(args.preview, exist_ok=True)
            preview(directory, knobs, args.preview)


if __name__ == "__main__":
    main()
