"""Reads what tomel-export wrote for one document with readers we did not
write (Pillow, ffmpeg, pngcheck, gifsicle) and the palette files by the rules GIMP's
and Photoshop's loaders follow, and compares every frame with what the
document says: check_export.py EXPECT.json DIR [--inexact]."""

import glob
import json
import os
import re
import subprocess
import sys
import tempfile

from PIL import GifImagePlugin, Image

GifImagePlugin.LOADING_STRATEGY = GifImagePlugin.LoadingStrategy.RGB_AFTER_DIFFERENT_PALETTE_ONLY

failures = []


def fail(message):
    failures.append(message)


def read(path):
    with open(path, "rb") as f:
        return f.read()


expect = json.load(open(sys.argv[1]))
folder = sys.argv[2]
inexact = "--inexact" in sys.argv
W, H, S, FPS = expect["width"], expect["height"], expect["scale"], expect["fps"]
T = expect["transparent"]
palette = expect["palette"]
pages = expect["pages"]
for page in pages:
    page["rgbaBytes"] = read(page["rgba"])
    page["indexBytes"] = read(page["index"])


def delays(units):
    out, previous = [], 0
    for i in range(len(pages)):
        end = ((i + 1) * units * 2 + FPS) // (2 * FPS)
        out.append(end - previous)
        previous = end
    return out


def compare(label, page, image, left=0, top=0, indices=True):
    """The frame at (left, top) of a P image against the page, enlarged by S."""
    rgba = image.convert("RGBA")
    pixels = rgba.load()
    raw = image.load() if image.mode == "P" else None
    wrong = 0
    for y in range(H * S):
        for x in range(W * S):
            j = (y // S) * W + x // S
            want = page["rgbaBytes"][4 * j:4 * j + 4]
            got = pixels[left + x, top + y]
            if want[3] == 0:
                ok = got[3] == 0
            else:
                ok = tuple(want) == tuple(got)
                if ok and indices and raw is not None:
                    ok = raw[left + x, top + y] == page["indexBytes"][j]
                if not ok and inexact and page["indexBytes"][j] == T and got[3] == 255:
                    ok = True  # told on standard error: the nearest colour
            if not ok:
                wrong += 1
                if wrong <= 3:
                    fail(f"{label}: pixel ({x}, {y}) is {got}, not {tuple(want)}")
    return wrong == 0


def check_palette_of(label, image, transparent_somewhere):
    colours = image.getpalette()[:3 * len(palette)]
    flat = []
    for c in palette:
        flat += [c >> 16 & 255, c >> 8 & 255, c & 255]
    if colours != flat:
        fail(f"{label}: the palette is not the document's, in order")
    if ("transparency" in image.info) != transparent_somewhere:
        fail(f"{label}: tRNS {'missing' if transparent_somewhere else 'written'}")


def ffmpeg_frames(path):
    """Every frame of an animation as ffmpeg shows it, composited, in RGBA."""
    with tempfile.TemporaryDirectory() as folder:
        run = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-vsync", "0", "-pix_fmt", "rgba",
                              os.path.join(folder, "%d.png")], capture_output=True, text=True)
        if run.returncode != 0 or run.stderr:
            fail(f"ffmpeg {path}: {run.stderr[-300:]}")
        names = sorted(glob.glob(os.path.join(folder, "*.png")), key=lambda p: int(os.path.basename(p)[:-4]))
        return [Image.open(name).copy() for name in names]


def check_frames(label, path):
    """ffmpeg's frames, one a page, each the page."""
    shown = ffmpeg_frames(path)
    if len(shown) != len(pages):
        fail(f"ffmpeg {label}: {len(shown)} frames for {len(pages)} pages")
    for i, (page, image) in enumerate(zip(pages, shown)):
        compare(f"ffmpeg {label} frame {i + 1}", page, image)


def has_transparent(page):
    return any(page["rgbaBytes"][3::4][j] == 0 for j in range(W * H))


def pngcheck(path):
    run = subprocess.run(["pngcheck", "-q", path], capture_output=True, text=True)
    if run.returncode != 0:
        fail(f"pngcheck {path}: {run.stdout}{run.stderr}")


# Palettes: every entry of the bank's first palette, in order.
gpl = read(os.path.join(folder, "doc.gpl")).decode()
lines = gpl.split("\n")
if not gpl.endswith("\n") or "" in lines[:-1] or "\r" in gpl:
    fail("gpl: blank line or CR")
if lines[0] != "GIMP Palette" or not lines[1].startswith("Name: ") or lines[2] != "Columns: 16":
    fail(f"gpl header: {lines[:3]}")
if not lines[3].startswith(f"# Transparent index: {T}"):
    fail(f"gpl: transparent index comment {lines[3]!r}")
entries = [l for l in lines[4:-1] if not l.startswith("#")]
if [tuple(int(v) for v in l.split("\t")[0].split()) for l in entries] != [
        (c >> 16 & 255, c >> 8 & 255, c & 255) for c in palette]:
    fail("gpl: colours")
act = read(os.path.join(folder, "doc.act"))
want_act = b"".join(bytes([c >> 16 & 255, c >> 8 & 255, c & 255]) for c in palette).ljust(768, b"\0")
tail = (len(palette).to_bytes(2, "big") + (T if T < len(palette) else 0xFFFF).to_bytes(2, "big"))
if len(act) != 772 or act[:768] != want_act or act[768:] != tail:
    fail(f"act: size {len(act)} or colours or tail {act[768:].hex()}")
pal = read(os.path.join(folder, "doc.pal"))
if not pal.startswith(b"JASC-PAL\r\n0100\r\n") or not pal.endswith(b"\r\n") or b"\n" in pal.replace(b"\r\n", b""):
    fail("pal: header or line ends")
pal_lines = pal.decode().split("\r\n")
if int(pal_lines[2]) != len(palette) or pal_lines[3:-1] != [
        f"{c >> 16 & 255} {c >> 8 & 255} {c & 255}" for c in palette]:
    fail("pal: count or colours")
hex_lines = read(os.path.join(folder, "doc.hex")).decode().split("\n")
if hex_lines[:-1] != [f"{c:06x}" for c in palette] or hex_lines[-1] != "":
    fail("hex: colours")

# PNG: one file a page.
width = len(str(len(pages)))
for i, page in enumerate(pages):
    name = "doc.png" if len(pages) == 1 else f"doc-{str(i + 1).zfill(width)}.png"
    path = os.path.join(folder, name)
    pngcheck(path)
    image = Image.open(path)
    if image.mode != "P" or image.size != (W * S, H * S):
        fail(f"{name}: mode {image.mode}, size {image.size}")
        continue
    check_palette_of(name, image, has_transparent(page))
    compare(name, page, image)

# GIF: one frame a page, with carried delays.
gif_path = os.path.join(folder, "doc.gif")
info = subprocess.run(["gifsicle", "--info", gif_path], capture_output=True, text=True)
if info.returncode != 0 or info.stderr:
    fail(f"gifsicle: {info.stderr}")
if not re.search(rf"\b{len(pages)} images?\n", info.stdout) or "loop forever" not in info.stdout:
    fail(f"gifsicle: {info.stdout}")
gif_delays = [round(float(d) * 100) for d in re.findall(r"delay ([0-9.]+)s", info.stdout)]
if gif_delays != delays(100):
    fail(f"gif delays {gif_delays}, not {delays(100)}")
image = Image.open(gif_path)
if image.n_frames != len(pages) or image.info.get("loop") != 0:
    fail(f"gif: {image.n_frames} frames, loop {image.info.get('loop')}")
for i, page in enumerate(pages):
    image.seek(i)
    compare(f"gif frame {i + 1}", page, image)
check_frames("gif", gif_path)

# APNG: one frame a page, exact timing, one palette.
apng_path = os.path.join(folder, "doc.apng")
pngcheck(apng_path)
image = Image.open(apng_path)
if image.n_frames != len(pages) or image.info.get("loop") != 0:
    fail(f"apng: {image.n_frames} frames, loop {image.info.get('loop')}")
for i, page in enumerate(pages):
    image.seek(i)
    if abs(image.info.get("duration", 0) - 1000 / FPS) > 1e-6:
        fail(f"apng frame {i + 1}: duration {image.info.get('duration')}")
    compare(f"apng frame {i + 1}", page, image, indices=False)
check_frames("apng", apng_path)

# Sheet: the frames in a grid, and their data.
sheet = json.load(open(os.path.join(folder, "doc.sheet.json")))
image = Image.open(os.path.join(folder, "doc.sheet.png"))
pngcheck(os.path.join(folder, "doc.sheet.png"))
meta = sheet["meta"]
# The enlargement is in the pixels; one tag spans every frame.
if meta["image"] != "doc.sheet.png" or meta["format"] != "I8" or meta["scale"] != "1" or \
        (meta["size"]["w"], meta["size"]["h"]) != image.size or image.mode != "P":
    fail(f"sheet meta {meta}, image {image.mode} {image.size}")
if [f["duration"] for f in sheet["frames"]] != delays(1000):
    fail("sheet durations")
if meta["frameTags"] != [{"name": "doc", "from": 0, "to": len(pages) - 1, "direction": "forward"}]:
    fail(f"sheet frame tags {meta['frameTags']}")
# The empty cells are no reason for a transparent entry.
if ("transparency" in image.info) != any(has_transparent(page) for page in pages):
    fail(f"sheet: tRNS {'written' if 'transparency' in image.info else 'missing'}")
for i, (frame, page) in enumerate(zip(sheet["frames"], pages)):
    r = frame["frame"]
    if (r["w"], r["h"]) != (W * S, H * S) or (frame["sourceSize"]["w"], frame["sourceSize"]["h"]) != (W * S, H * S):
        fail(f"sheet frame {i}: {r}")
    if frame["name"] != bytes.fromhex(page["name"]).decode("utf-8", "replace") or frame["wait"] != page["wait"]:
        fail(f"sheet frame {i}: name {frame['name']!r}, wait {frame['wait']}")
    compare(f"sheet frame {i + 1}", page, image, r["x"], r["y"])

for message in failures:
    print(message)
sys.exit(1 if failures else 0)
