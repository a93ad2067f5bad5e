#!/usr/bin/python3
"""Draws the standalone program's icons and writes them as PNG files beside this script.

Shapes are signed-distance fields sampled 4 x 4 per pixel, so edges come out antialiased.
Run it again after changing a drawing; the PNGs are committed.
"""
import os
import struct
import zlib

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
SS = 4  # samples per pixel along each axis


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        ys, xs = np.mgrid[0:h * SS, 0:w * SS]
        self.x = (xs + 0.5) / SS
        self.y = (ys + 0.5) / SS
        self.rgba = np.zeros((h * SS, w * SS, 4))

    def fill(self, inside, colour, alpha=1.0):
        a = np.clip(inside, 0.0, 1.0) * alpha
        c = np.array(colour[:3]) / 255.0
        for i in range(3):
            self.rgba[..., i] = self.rgba[..., i] * (1 - a) + c[i] * a
        self.rgba[..., 3] = self.rgba[..., 3] * (1 - a) + a

    # Coverage masks from signed distances (negative inside); half a pixel of soft edge.
    @staticmethod
    def cover(d):
        return np.clip(0.5 - d * 2.0, 0.0, 1.0)

    def circle(self, cx, cy, r):
        return self.cover(np.hypot(self.x - cx, self.y - cy) - r)

    def ring(self, cx, cy, r, width):
        return self.cover(np.abs(np.hypot(self.x - cx, self.y - cy) - r) - width / 2)

    def rect(self, x0, y0, x1, y1, radius=0.0):
        cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
        hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius
        qx = np.abs(self.x - cx) - hx
        qy = np.abs(self.y - cy) - hy
        outside = np.hypot(np.maximum(qx, 0), np.maximum(qy, 0))
        inside = np.minimum(np.maximum(qx, qy), 0)
        return self.cover(outside + inside - radius)

    def line(self, x0, y0, x1, y1, width):
        px, py = self.x - x0, self.y - y0
        dx, dy = x1 - x0, y1 - y0
        t = np.clip((px * dx + py * dy) / (dx * dx + dy * dy), 0, 1)
        return self.cover(np.hypot(px - t * dx, py - t * dy) - width / 2)

    def polygon(self, points):
        inside = np.zeros(self.x.shape, bool)
        n = len(points)
        for i in range(n):
            x0, y0 = points[i]
            x1, y1 = points[(i + 1) % n]
            crosses = ((y0 > self.y) != (y1 > self.y)) & (
                self.x < (x1 - x0) * (self.y - y0) / (y1 - y0 + 1e-12) + x0)
            inside ^= crosses
        return inside.astype(float)

    def save(self, name):
        h, w = self.h, self.w
        px = self.rgba.reshape(h, SS, w, SS, 4).mean(axis=(1, 3))
        a = px[..., 3:4]
        rgb = np.where(a > 0, px[..., :3] / np.maximum(a, 1e-9) * 1.0, 0)
        # Premultiplied blending above; store straight alpha.
        out = np.concatenate([np.clip(rgb * 1.0, 0, 1), a], axis=2)
        data = (out * 255 + 0.5).astype(np.uint8)
        raw = b"".join(b"\x00" + data[y].tobytes() for y in range(h))

        def chunk(tag, body):
            return (struct.pack(">I", len(body)) + tag + body +
                    struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))

        png = (b"\x89PNG\r\n\x1a\n" +
               chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)) +
               chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
        path = os.path.join(HERE, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(png)


ORANGE = (255, 170, 0)
GREY = (200, 200, 205)
DARK = (45, 45, 52)
RED = (210, 40, 40)
WHITE = (245, 245, 245)


def config():
    c = Canvas(32, 32)
    for k in range(8):
        ang = k * np.pi / 4
        cx, cy = 16 + 11 * np.cos(ang), 16 + 11 * np.sin(ang)
        c.fill(c.line(16, 16, cx, cy, 6), GREY)
    c.fill(c.circle(16, 16, 10), GREY)
    c.fill(c.circle(16, 16, 4.5), DARK)
    c.save("images4/toolbar/config.png")


def audio():
    c = Canvas(32, 32)
    c.fill(c.rect(5, 12, 11, 20, 1), GREY)
    c.fill(c.polygon([(10, 12), (18, 5), (18, 27), (10, 20)]), GREY)
    c.fill(c.ring(18, 16, 6, 2) * (c.x > 20.5), ORANGE)
    c.fill(c.ring(18, 16, 11, 2) * (c.x > 22), ORANGE)
    c.save("images4/toolbar/audio.png")


def midi():
    c = Canvas(32, 32)
    c.fill(c.circle(16, 16, 14), GREY)
    c.fill(c.circle(16, 16, 11.5), DARK)
    for k in range(5):
        ang = np.pi + k * np.pi / 4
        c.fill(c.circle(16 + 7 * np.cos(ang), 16 + 7 * np.sin(ang), 1.8), ORANGE)
    c.fill(c.rect(14, 25, 18, 29), GREY)
    c.save("images4/toolbar/midi.png")


def panic():
    c = Canvas(32, 32)
    pts = [(16 + 14 * np.cos(np.pi / 8 + k * np.pi / 4), 16 + 14 * np.sin(np.pi / 8 + k * np.pi / 4))
           for k in range(8)]
    c.fill(c.polygon(pts), RED)
    c.fill(c.line(16, 8, 16, 18, 3.5), WHITE)
    c.fill(c.circle(16, 23.5, 2.2), WHITE)
    c.save("images4/toolbar/panic.png")


def keyboard():
    c = Canvas(32, 32)
    c.fill(c.rect(2, 7, 30, 25, 2), GREY)
    for k in range(1, 7):
        c.fill(c.line(2 + 4 * k, 8, 2 + 4 * k, 24, 0.8), DARK)
    for k in (1, 2, 4, 5, 6):
        x = 2 + 4 * k
        c.fill(c.rect(x - 1.4, 7, x + 1.4, 18, 0.4), DARK)
    c.save("images4/toolbar/keyboard.png")


def about():
    c = Canvas(32, 32)
    c.fill(c.circle(16, 16, 14), ORANGE)
    c.fill(c.circle(16, 9.5, 2.4), DARK)
    c.fill(c.rect(13.8, 13.5, 18.2, 25, 1), DARK)
    c.save("images4/toolbar/about.png")


def logo():
    c = Canvas(64, 64)
    c.fill(c.rect(2, 2, 62, 62, 12), DARK)
    c.fill(c.ring(30, 30, 17, 7), ORANGE)
    c.fill(c.line(37, 37, 50, 50, 8), ORANGE)
    # A saw wave across the letter.
    for k in range(3):
        x0 = 14 + 12 * k
        c.fill(c.line(x0, 38, x0 + 12, 22, 2.2), WHITE, 0.9)
        c.fill(c.line(x0 + 12, 22, x0 + 12, 38, 2.2), WHITE, 0.9)
    c.save("images/logo.png")


def app_icon(size):
    """desktop/quelvar.svg at one size, for desktops that want pixels."""
    k = size / 256.0
    c = Canvas(size, size)
    c.fill(c.rect(8 * k, 8 * k, 248 * k, 248 * k, 48 * k), (36, 38, 43))
    c.fill(c.ring(120 * k, 118 * k, 74 * k, 26 * k), (255, 156, 26))
    c.fill(c.line(160 * k, 158 * k, 214 * k, 212 * k, 30 * k), (255, 156, 26))
    zigzag = [(70, 146), (100, 90), (100, 146), (130, 90), (130, 146), (160, 90), (160, 146)]
    for (x0, y0), (x1, y1) in zip(zigzag, zigzag[1:]):
        c.fill(c.line(x0 * k, y0 * k, x1 * k, y1 * k, 12 * k), (244, 244, 244))
    c.save("desktop/icons/hicolor/%dx%d/apps/quelvar.png" % (size, size))


def asio():
    c = Canvas(26, 10)
    c.fill(c.rect(0.5, 0.5, 25.5, 9.5, 2), ORANGE)
    for k in range(4):
        c.fill(c.rect(3 + 5.5 * k, 3, 6 + 5.5 * k, 7, 0.5), DARK)
    c.save("images4/asio.png")


if __name__ == "__main__":
    for draw in (config, audio, midi, panic, keyboard, about, logo, asio):
        draw()
    for size in (16, 22, 24, 32, 48, 64, 128, 256):
        app_icon(size)
