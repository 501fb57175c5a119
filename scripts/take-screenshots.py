#!/usr/bin/env python3
"""Takes the README's screenshots of Vora under a virtual X display (Xvfb).

Starts Xvfb with its framebuffer in a file, opens `vora --windowed` on a fresh store,
clicks through the main screen in both modes, the settings sheet, the looks list and the
MIDI devices sheet with xdotool, and writes each view as a PNG cropped to the window.
Only the standard library; needs Xvfb and xdotool (scripts/install-deps.sh).

    scripts/take-screenshots.py VORA_BINARY [OUTPUT_DIR]     (default: docs/)
"""
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

DISPLAY_NUMBER = 97
SCREEN = (1280, 800)


def read_xwd(path):
    """Reads an XWD dump of a 24/32-bit TrueColor screen: (width, height, rows of RGB bytes)."""
    with open(path, "rb") as f:
        data = f.read()
    header = struct.unpack(">25I", data[:100])
    header_size, _, _, depth, width, height = header[:6]
    byte_order = header[7]
    bits_per_pixel = header[11]
    bytes_per_line = header[12]
    ncolors = header[19]
    if bits_per_pixel != 32:
        raise SystemExit("unexpected XWD pixel size %d (depth %d)" % (bits_per_pixel, depth))
    offset = header_size + ncolors * 12
    rows = []
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * 4]
        row = bytearray(width * 3)
        if byte_order == 0:  # LSBFirst: B G R X
            row[0::3] = line[2::4]
            row[1::3] = line[1::4]
            row[2::3] = line[0::4]
        else:  # MSBFirst: X R G B
            row[0::3] = line[1::4]
            row[1::3] = line[2::4]
            row[2::3] = line[3::4]
        rows.append(bytes(row))
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, payload):
        body = kind + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + r for r in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


class Session:
    def __init__(self, vora, out):
        self.vora = vora
        self.out = out
        self.tmp = tempfile.mkdtemp(prefix="vora-shots-")
        self.env = dict(os.environ, DISPLAY=":%d" % DISPLAY_NUMBER)
        self.procs = []
        self.geometry = None

    def start(self):
        fb = os.path.join(self.tmp, "fb")
        os.mkdir(fb)
        self.procs.append(subprocess.Popen(
            ["Xvfb", ":%d" % DISPLAY_NUMBER, "-screen", "0", "%dx%dx24" % SCREEN, "-fbdir", fb,
             "-nolisten", "tcp"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        self.fb = os.path.join(fb, "Xvfb_screen0")
        for _ in range(50):
            if os.path.exists(self.fb):
                break
            time.sleep(0.1)
        store = os.path.join(self.tmp, "store")
        os.mkdir(store)
        # A store past its first run, in control mode, arrows and lock shown.
        with open(os.path.join(store, "defaults.json"), "w") as f:
            json.dump({"FirstOpen": False, "NewAbletonPrefs": True, "IntroduceSpeed": True,
                       "LaunchCount": 3, "SavedMode": 1, "showArrows": True, "showLock": True,
                       "selectedLookName": "Heat Map"}, f)
        self.procs.append(subprocess.Popen(
            [self.vora, "--windowed", "--store", store, "--midi-api", "none"], env=self.env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        window = self.xdotool("search", "--sync", "--name", "^Vora$").split()[0]
        geometry = self.xdotool("getwindowgeometry", "--shell", window)
        values = dict(line.split("=") for line in geometry.split())
        self.geometry = tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        self.window = window
        time.sleep(1.5)

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, check=True, capture_output=True,
                              text=True, timeout=20).stdout

    def click(self, x, y, hold=0.08):
        gx, gy = self.geometry[0] + x, self.geometry[1] + y
        self.xdotool("mousemove", str(gx), str(gy))
        self.xdotool("mousedown", "1")
        time.sleep(hold)
        self.xdotool("mouseup", "1")
        time.sleep(0.6)

    def shot(self, name, settle=0.8):
        time.sleep(settle)
        width, height, rows = read_xwd(self.fb)
        x, y, w, h = self.geometry
        cropped = [r[x * 3:(x + w) * 3] for r in rows[y:y + h]]
        path = os.path.join(self.out, name)
        write_png(path, w, h, cropped)
        print(path)

    def stop(self):
        for p in reversed(self.procs):
            p.terminate()
            try:
                p.wait(timeout=5)
            except subprocess.TimeoutExpired:
                p.kill()
        shutil.rmtree(self.tmp, ignore_errors=True)


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "..", "docs")
    os.makedirs(out, exist_ok=True)
    s = Session(os.path.abspath(sys.argv[1]), out)
    try:
        s.start()
        x, y, w, h = s.geometry
        b = max(44.0, min(72.0, min(w, h) * 0.12))  # the layout's button size
        m = max(12.0, b * 0.3)
        # A finger held on the pad while the shot is taken.
        s.xdotool("mousemove", str(x + int(w * 0.62)), str(y + int(h * 0.4)))
        s.xdotool("mousedown", "1")
        for i in range(12):
            s.xdotool("mousemove", str(x + int(w * (0.62 - i * 0.01))), str(y + int(h * (0.4 + i * 0.01))))
            time.sleep(0.03)
        s.shot("screenshot-main-control.png", settle=0.5)
        s.xdotool("mouseup", "1")
        mode = (int(w - m - b / 2), int(m + b / 2))
        settings = (int(m + b / 2), int(m + b / 2))
        s.click(*mode)
        s.shot("screenshot-main-synth.png")
        s.click(*settings)
        s.shot("screenshot-settings.png")
        sheet_margin = 24 if h > 500 else 8
        sheet_w = min(w - 2 * sheet_margin, 640)
        sheet_x = (w - sheet_w) / 2
        top = (h - (h - 2 * sheet_margin)) / 2
        # The first row of the first section: "Look".
        s.click(int(sheet_x + sheet_w / 2), int(top + 12 + 52 + 6 + 22))
        s.shot("screenshot-looks.png")
        s.xdotool("keydown", "Escape")
        time.sleep(0.15)
        s.xdotool("keyup", "Escape")
        time.sleep(0.6)
        # The fourth row: "Bluetooth".
        s.click(int(sheet_x + sheet_w / 2), int(top + 12 + 52 + 6 + 3 * 44 + 22))
        s.shot("screenshot-devices.png")
    finally:
        s.stop()


if __name__ == "__main__":
    main()
