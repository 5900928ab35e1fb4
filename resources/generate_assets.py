#!/usr/bin/env python3
"""Draws Zorvane's icon and ball bitmaps and synthesises its two sounds.

Run by the build: ``generate_assets.py OUTDIR`` writes zorvane.ico, zorvane_mail.ico
(the tray icon while mail waits), the eight ball<account>_<small|large>.bmp,
chime.wav and bounce.wav into OUTDIR, where
the resource script picks them up. The output depends on nothing but this
file, so every build gets the same bytes.
"""

import math
import os
import struct
import sys
import tempfile
import wave

ICON_FILE = "zorvane.ico"
MAIL_ICON_FILE = "zorvane_mail.ico"
CHIME_FILE = "chime.wav"
BOUNCE_FILE = "bounce.wav"

SAMPLE_RATE = 22050
# The program's sound lengths are fixed in bytes of 16-bit mono samples.
CHIME_DATA_BYTES = 66398
BOUNCE_DATA_BYTES = 37782

# The Windows 16-colour palette; a 4 bpp icon shows the same on every display.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
MAROON = 1
NAVY = 4
SILVER = 7
RED = 9
YELLOW = 11
WHITE = 15


# ---------------------------------------------------------------- drawing

class Canvas:
    """Square grid of palette indices; None marks a transparent pixel."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[None] * size for _ in range(size)]

    def put(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.pixels[y][x] = colour

    def rect(self, left, top, right, bottom, fill, edge):
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                on_edge = x in (left, right) or y in (top, bottom)
                self.put(x, y, edge if on_edge else fill)

    def line(self, x0, y0, x1, y1, colour):
        steps = max(abs(x1 - x0), abs(y1 - y0))
        for i in range(steps + 1):
            t = i / steps if steps else 0.0
            self.put(round(x0 + (x1 - x0) * t), round(y0 + (y1 - y0) * t), colour)

    def disc(self, cx, cy, radius, fill, edge):
        for y in range(self.size):
            for x in range(self.size):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if d <= radius - 1.0:
                    self.put(x, y, fill)
                elif d <= radius:
                    self.put(x, y, edge)


def draw_icon_picture(size, mail=False):
    """An envelope with a red ball bouncing off its upper right corner; while
    mail waits, a yellow badge with a red exclamation mark in the ball's place."""
    c = Canvas(size)
    if size == 32:
        c.rect(1, 11, 24, 28, WHITE, NAVY)
        c.line(1, 11, 12, 20, NAVY)
        c.line(24, 11, 13, 20, NAVY)
        c.line(2, 27, 9, 21, SILVER)
        c.line(23, 27, 16, 21, SILVER)
        if mail:
            c.disc(24.0, 8.0, 8.0, YELLOW, MAROON)
            c.rect(23, 2, 24, 10, RED, RED)
            c.rect(23, 12, 24, 13, RED, RED)
        else:
            c.disc(25.0, 8.0, 6.5, RED, MAROON)
            c.rect(22, 5, 23, 6, WHITE, WHITE)
    elif size == 16:
        c.rect(0, 6, 11, 14, WHITE, NAVY)
        c.line(0, 6, 5, 10, NAVY)
        c.line(11, 6, 6, 10, NAVY)
        if mail:
            c.disc(11.5, 4.5, 4.5, YELLOW, MAROON)
            c.rect(11, 1, 11, 5, RED, RED)
            c.put(11, 7, RED)
        else:
            c.disc(12.0, 4.0, 4.0, RED, MAROON)
            c.put(11, 2, WHITE)
    else:
        raise ValueError("no picture drawn for %d pixels" % size)
    return c


# ---------------------------------------------------------------- icon file

def _row_bytes(bits_per_row):
    """Bitmap rows are padded to whole 32-bit words."""
    return (bits_per_row + 31) // 32 * 4


def encode_icon_image(canvas):
    """BITMAPINFOHEADER, palette, 4 bpp colour bitmap, 1 bpp AND mask."""
    size = canvas.size
    colour_stride = _row_bytes(size * 4)
    mask_stride = _row_bytes(size)
    colour = bytearray()
    mask = bytearray()
    for row in reversed(canvas.pixels):  # bitmaps are stored bottom-up
        packed = bytearray(colour_stride)
        bits = bytearray(mask_stride)
        for x, index in enumerate(row):
            if index is None:
                bits[x // 8] |= 0x80 >> (x % 8)  # transparent; colour stays black
                index = 0
            packed[x // 2] |= index << (4 if x % 2 == 0 else 0)
        colour += packed
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colour) + bytes(mask)


def build_icon(sizes=(32, 16), mail=False):
    images = [encode_icon_image(draw_icon_picture(s, mail)) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    return bytes(out)


# ---------------------------------------------------------------- ball bitmaps

# Per account: magenta, blue, red, green.
BALL_COLOURS = [(0xE0, 0x20, 0xD0), (0x20, 0x50, 0xF0), (0xF0, 0x20, 0x20), (0x20, 0xC0, 0x30)]
BALL_SIZES = {"small": 16, "large": 32}
BALL_SHADES = 16
# A 4 x 4 ordered-dither matrix: the shades blend into each other.
BAYER = ((0, 8, 2, 10), (12, 4, 14, 6), (3, 11, 1, 9), (15, 7, 13, 5))


def ball_file(account, kind):
    return "ball%d_%s.bmp" % (account, kind)


def _ball_palette(colour):
    """Index 0 is the white background, 1 to BALL_SHADES run from the ball's
    shadow through its colour to a white highlight; the rest stay black."""
    entries = [(0xFF, 0xFF, 0xFF)]
    for k in range(BALL_SHADES):
        t = k / (BALL_SHADES - 1)
        if t < 0.75:
            mix = 0.25 + t / 0.75 * 0.75  # from a quarter of the colour up to all of it
            entries.append(tuple(round(c * mix) for c in colour))
        else:
            mix = (t - 0.75) / 0.25 * 0.8  # then towards white
            entries.append(tuple(round(c + (255 - c) * mix) for c in colour))
    entries += [(0, 0, 0)] * (256 - len(entries))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in entries)


def _ball_shade(x, y, size):
    """0 outside the ball, else 1 to BALL_SHADES: lit from the upper left."""
    r = size / 2.0
    dx = (x + 0.5 - r) / r
    dy = (y + 0.5 - r) / r
    d2 = dx * dx + dy * dy
    if d2 > 1.0:
        return 0
    dz = math.sqrt(1.0 - d2)
    light = (-0.45, -0.55, 0.70)
    norm = math.sqrt(sum(c * c for c in light))
    lit = max(0.0, (dx * light[0] + dy * light[1] + dz * light[2]) / norm)
    level = 0.15 + 0.85 * lit ** 1.5
    dithered = level * (BALL_SHADES - 1) + (BAYER[y % 4][x % 4] + 0.5) / 16 - 0.5
    return 1 + min(BALL_SHADES - 1, max(0, int(round(dithered))))


def build_ball_bitmap(colour, size):
    """An uncompressed 8-bit bitmap file with a 256-colour palette."""
    rows = b"".join(bytes(_ball_shade(x, y, size) for x in range(size)) + bytes(-size % 4)
                    for y in reversed(range(size)))  # bottom-up
    palette = _ball_palette(colour)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
    offset = 14 + len(info) + len(palette)
    return struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset) + info + palette + rows


# ---------------------------------------------------------------- sounds

def _struck_note(t, start, freq, partials):
    """A struck tone: short attack, then partials (ratio, level, decay per s)."""
    age = t - start
    if age < 0.0:
        return 0.0
    attack = min(1.0, age / 0.004)  # a few ms of ramp keep the onset from clicking
    return attack * sum(level * math.exp(-decay * age) * math.sin(2 * math.pi * freq * ratio * age)
                        for ratio, level, decay in partials)


def _to_pcm16(samples, peak):
    """Scale so the loudest sample sits at `peak` of full scale, fade the tail to 0."""
    loudest = max(abs(s) for s in samples) or 1.0
    scale = peak * 32767 / loudest
    fade = min(len(samples), int(SAMPLE_RATE * 0.03))
    out = []
    for i, s in enumerate(samples):
        remaining = len(samples) - 1 - i
        if remaining < fade:
            s *= remaining / fade
        out.append(int(round(s * scale)))
    return out


def synthesise_chime(frames):
    """Three bell strokes rising through a major chord."""
    bell = ((1.0, 1.0, 2.6), (2.0, 0.35, 4.5), (3.01, 0.12, 7.0), (4.2, 0.05, 11.0))
    notes = ((0.00, 659.26), (0.16, 830.61), (0.32, 987.77))
    samples = []
    for i in range(frames):
        t = i / SAMPLE_RATE
        samples.append(sum(_struck_note(t, start, f, bell) for start, f in notes))
    return _to_pcm16(samples, 0.55)


def synthesise_bounce(frames):
    """A soft thud: a low tone whose pitch drops quickly, with a faint pluck on top."""
    samples = []
    phase = 0.0
    for i in range(frames):
        t = i / SAMPLE_RATE
        freq = 95.0 + 125.0 * math.exp(-t / 0.05)
        phase += 2 * math.pi * freq / SAMPLE_RATE
        attack = min(1.0, t / 0.003)
        thud = attack * math.exp(-7.0 * t) * math.sin(phase)
        pluck = _struck_note(t, 0.0, 392.0, ((1.0, 0.25, 14.0), (2.0, 0.08, 22.0)))
        samples.append(thud + pluck)
    return _to_pcm16(samples, 0.5)


def build_wave(data_bytes, synthesise):
    frames = data_bytes // 2
    return struct.pack("<%dh" % frames, *synthesise(frames))


def write_wave(path, pcm):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(SAMPLE_RATE)
        w.writeframes(pcm)


# ---------------------------------------------------------------- output

def _replace_atomically(path, write):
    """Write beside the target and rename, so a failed run leaves no half file."""
    directory = os.path.dirname(path) or "."
    fd, temp = tempfile.mkstemp(dir=directory, suffix=".part")
    os.close(fd)
    try:
        write(temp)
        os.chmod(temp, 0o644)
        os.replace(temp, path)
    except BaseException:
        os.unlink(temp)
        raise


def _write_bytes(data):
    def write(path):
        with open(path, "wb") as f:
            f.write(data)
    return write


def generate(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    for name, mail in ((ICON_FILE, False), (MAIL_ICON_FILE, True)):
        _replace_atomically(os.path.join(out_dir, name), _write_bytes(build_icon(mail=mail)))
    for account, colour in enumerate(BALL_COLOURS, 1):
        for kind, size in BALL_SIZES.items():
            _replace_atomically(os.path.join(out_dir, ball_file(account, kind)),
                                _write_bytes(build_ball_bitmap(colour, size)))
    for name, size, synth in ((CHIME_FILE, CHIME_DATA_BYTES, synthesise_chime),
                              (BOUNCE_FILE, BOUNCE_DATA_BYTES, synthesise_bounce)):
        pcm = build_wave(size, synth)
        _replace_atomically(os.path.join(out_dir, name), lambda p, pcm=pcm: write_wave(p, pcm))


def main(argv):
    if len(argv) != 2:
        print("usage: generate_assets.py OUTDIR", file=sys.stderr)
        return 2
    generate(argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
