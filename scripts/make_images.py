#!/usr/bin/env python3
# Draws the two enable-cell images (an empty box, a ticked box) as PNG files,
# at 1x and 2x, so that the pictures stay crisp at any screen scale.
import struct
import zlib
from pathlib import Path


def png(path, size, pixels):
    raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                     + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def draw(scale, ticked):
    size = 16 * scale
    clear, black, white = (0, 0, 0, 0), (0, 0, 0, 255), (255, 255, 255, 255)
    px = [[clear] * size for _ in range(size)]
    box0, box1 = 1 * scale, 14 * scale  # box spans [box0, box1)
    for y in range(box0, box1):
        for x in range(box0, box1):
            edge = x < box0 + scale or x >= box1 - scale or y < box0 + scale or y >= box1 - scale
            px[y][x] = black if edge else white
    if ticked:
        # A tick from (4,7) down to (6,10) and up to (11,4), in 1x units.
        def stroke(x0, y0, x1, y1):
            steps = 40 * scale
            for i in range(steps + 1):
                t = i / steps
                cx, cy = (x0 + (x1 - x0) * t) * scale, (y0 + (y1 - y0) * t) * scale
                for dy in range(-scale, scale + 1):
                    for dx in range(-scale // 2, scale // 2 + 1):
                        x, y = int(cx + dx), int(cy + dy * 0.5)
                        if box0 + scale <= x < box1 - scale and box0 + scale <= y < box1 - scale:
                            px[y][x] = black
        stroke(4, 7, 6.5, 10)
        stroke(6.5, 10, 11, 4)
    return size, px


out = Path(__file__).resolve().parent.parent / "resources" / "images"
out.mkdir(parents=True, exist_ok=True)
for name, ticked in (("disabled", False), ("enabled", True)):
    for scale, suffix in ((1, ""), (2, "@2x")):
        size, px = draw(scale, ticked)
        png(out / f"{name}{suffix}.png", size, px)


def draw_icon(size):
    """The program icon: a watch face, navy with an amber rim and white hands at 10:10."""
    import math
    clear = (0, 0, 0, 0)
    navy, amber, white = (18, 38, 74), (242, 169, 34), (255, 255, 255)
    px = [[clear] * size for _ in range(size)]
    c = (size - 1) / 2
    r_outer, r_face = size * 0.47, size * 0.39
    samples = 4  # supersampling for smooth edges

    def hand(x, y, angle_deg, length, width):
        a = math.radians(angle_deg)
        dx, dy = math.sin(a), -math.cos(a)
        t = (x - c) * dx + (y - c) * dy
        if t < -width or t > length:
            return False
        d = abs((x - c) * dy - (y - c) * dx)
        return d <= width / 2

    for y in range(size):
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    fx, fy = x + (sx + 0.5) / samples - 0.5, y + (sy + 0.5) / samples - 0.5
                    d = math.hypot(fx - c, fy - c)
                    colour = None
                    if d <= r_outer:
                        colour = amber if d > r_face else navy
                        if d <= r_face and (hand(fx, fy, -60, r_face * 0.55, size * 0.07)
                                            or hand(fx, fy, 60, r_face * 0.8, size * 0.05)):
                            colour = white
                    if colour:
                        acc[0] += colour[0]; acc[1] += colour[1]; acc[2] += colour[2]; acc[3] += 255
            n = samples * samples
            if acc[3]:
                px[y][x] = (int(acc[0] / (acc[3] / 255)), int(acc[1] / (acc[3] / 255)),
                            int(acc[2] / (acc[3] / 255)), int(acc[3] / n))
    return px


icons = out.parent / "icons"
icons.mkdir(exist_ok=True)
for size in (16, 24, 32, 48, 64, 128, 256):
    png(icons / f"vigiltide-{size}.png", size, draw_icon(size))
