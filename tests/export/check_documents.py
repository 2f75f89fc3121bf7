"""Every example and the benchmark's animations, exported in every format:
each file must be read by readers we did not write (pngcheck, gifsicle,
Pillow, ffmpeg; ase-parser in check_sprites.mjs), with one frame a page, and the
first frame of each must be the composite of the PSD that tomel writes for
the same document, as psd-tools reads it: check_documents.py DIR NAME..."""

import glob
import json
import os
import subprocess
import sys
import tempfile

import numpy
from PIL import GifImagePlugin, Image
from psd_tools import PSDImage

GifImagePlugin.LOADING_STRATEGY = GifImagePlugin.LoadingStrategy.RGB_AFTER_DIFFERENT_PALETTE_ONLY
folder = sys.argv[1]
failures = []


def same(label, a, b):
    """Two RGBA images alike: the same colour where drawn, transparent alike."""
    if a.size != b.size:
        failures.append(f"{label}: size {b.size}, not {a.size}")
        return
    a, b = numpy.asarray(a.convert("RGBA")), numpy.asarray(b.convert("RGBA"))
    # A transparent pixel's colour is no colour.
    a = numpy.where(a[..., 3:] == 0, 0, a)
    b = numpy.where(b[..., 3:] == 0, 0, b)
    wrong = numpy.argwhere((a != b).any(axis=-1))
    if len(wrong):
        y, x = wrong[0]
        failures.append(f"{label}: {len(wrong)} pixels differ, the first ({x}, {y}): {tuple(b[y, x])}, not {tuple(a[y, x])}")


def tool(argv):
    run = subprocess.run(argv, capture_output=True, text=True)
    if run.returncode != 0 or run.stderr:
        failures.append(f"{' '.join(argv)}: {run.stdout[-300:]}{run.stderr[-300:]}")
    return run.stdout


def ffmpeg_frames(path):
    """Every frame of an animation as ffmpeg shows it, composited."""
    with tempfile.TemporaryDirectory() as out:
        tool(["ffmpeg", "-v", "error", "-i", path, "-vsync", "0", "-pix_fmt", "rgba", os.path.join(out, "%d.png")])
        names = sorted(glob.glob(os.path.join(out, "*.png")), key=lambda p: int(os.path.basename(p)[:-4]))
        return [Image.open(p).copy() for p in names]


for name in sys.argv[2:]:
    path = lambda suffix: os.path.join(folder, name + suffix)
    composite = PSDImage.open(path(".psd")).topil()
    pngs = sorted(glob.glob(path("-*[0-9].png"))) or [path(".png")]
    for png in pngs:
        tool(["pngcheck", "-q", png])
    same(f"{name} first png", composite, Image.open(pngs[0]))
    info = tool(["gifsicle", "--info", path(".gif")])
    gif = Image.open(path(".gif"))
    if gif.n_frames != len(pngs) or f"{len(pngs)} image" not in info:
        failures.append(f"{name}.gif: {gif.n_frames} frames for {len(pngs)} pages")
    same(f"{name} first gif frame", composite, gif)
    tool(["pngcheck", "-q", path(".apng")])
    apng = Image.open(path(".apng"))
    if apng.n_frames != len(pngs):
        failures.append(f"{name}.apng: {apng.n_frames} frames for {len(pngs)} pages")
    same(f"{name} first apng frame", composite, apng)
    # Every frame of each animation is its page's PNG, in Pillow and in ffmpeg.
    for i, png in enumerate(pngs):
        gif.seek(i)
        apng.seek(i)
        same(f"{name} gif frame {i + 1}", Image.open(png), gif)
        same(f"{name} apng frame {i + 1}", Image.open(png), apng)
    for suffix in (".gif", ".apng"):
        shown = ffmpeg_frames(path(suffix))
        if len(shown) != len(pngs):
            failures.append(f"{name}{suffix}: ffmpeg shows {len(shown)} frames for {len(pngs)} pages")
        for i, (png, frame) in enumerate(zip(pngs, shown)):
            same(f"{name}{suffix} frame {i + 1} in ffmpeg", Image.open(png), frame)
    tool(["pngcheck", "-q", path(".sheet.png")])
    sheet = Image.open(path(".sheet.png"))
    data = json.load(open(path(".sheet.json")))
    for i, (frame, png) in enumerate(zip(data["frames"], pngs)):
        r = frame["frame"]
        same(f"{name} sheet frame {i + 1}", Image.open(png), sheet.crop((r["x"], r["y"], r["x"] + r["w"], r["y"] + r["h"])))
    if len(data["frames"]) != len(pngs):
        failures.append(f"{name}.sheet.json: {len(data['frames'])} frames")
    for suffix, size in ((".act", 772),):
        if os.path.getsize(path(suffix)) != size:
            failures.append(f"{name}{suffix}: {os.path.getsize(path(suffix))} bytes")

for message in failures[:40]:
    print(message)
sys.exit(1 if failures else 0)
