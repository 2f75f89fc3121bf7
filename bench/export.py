#!/usr/bin/python3
"""Times `tomel-export` on the benchmark's anim (64 pages) and big against
what a user would otherwise do with the same frames: ImageMagick, Pillow and
gifsicle, starting from the page PNGs tomel-export writes (made once, not
timed). Rounds alternate between the commands of a row.

Usage: bench/export.py BUILD_DIR WORK_DIR [ROUNDS]
Prints a table of median wall times, peak memory and output sizes, and the
PSD conversion's own time and peak memory for the same document."""
import glob
import json
import os
import shutil
import statistics
import subprocess
import sys
import time

build, work = sys.argv[1], os.path.abspath(sys.argv[2])
rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5
tomel = os.path.abspath(os.path.join(build, "tomel"))
export = os.path.abspath(os.path.join(build, "tomel-export"))
FPS = 8

PILLOW_GIF = """
import sys
from PIL import Image
frames = [Image.open(p) for p in sys.argv[2:]]
frames[0].save(sys.argv[1], save_all=True, append_images=frames[1:], duration=125, loop=0, disposal=2)
"""
PILLOW_APNG = """
import sys
from PIL import Image
frames = [Image.open(p) for p in sys.argv[2:]]
frames[0].save(sys.argv[1], save_all=True, append_images=frames[1:], duration=125, loop=0, format="PNG")
"""
PILLOW_PNG = """
import os, sys
from PIL import Image
for p in sys.argv[2:]:
    Image.open(p).save(os.path.join(sys.argv[1], os.path.basename(p)))
"""
PILLOW_SHEET = """
import math, sys
from PIL import Image
frames = [Image.open(p) for p in sys.argv[3:]]
columns = int(sys.argv[2])
w, h = frames[0].size
sheet = Image.new("P", (columns * w, math.ceil(len(frames) / columns) * h))
sheet.putpalette(frames[0].getpalette())
for i, f in enumerate(frames):
    sheet.paste(f, ((i % columns) * w, (i // columns) * h))
sheet.save(sys.argv[1])
"""


def run(argv, cwd):
    os.sync()
    start = time.perf_counter()
    process = subprocess.Popen(argv, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit(f"failed ({status}): {' '.join(argv)}")
    return wall, usage.ru_maxrss * 1024


def size(paths):
    return sum(os.path.getsize(p) for p in paths)


def row(document, what, commands, cwd):
    """commands: (name, argv, output paths); the first is tomel-export."""
    times = {name: [] for name, _, _ in commands}
    peaks = {name: [] for name, _, _ in commands}
    for _ in range(rounds):
        for name, argv, _ in commands:
            wall, peak = run(argv, cwd)
            times[name].append(wall)
            peaks[name].append(peak)
    ours = statistics.median(times[commands[0][0]])
    for name, _, outputs in commands:
        median = statistics.median(times[name])
        files = sorted(glob.glob(os.path.join(cwd, outputs)))
        print(f"| {document} | {what} | {name} | {median * 1000:.0f} ms | {median / ours:.2f} | "
              f"{statistics.median(peaks[name]) / 2**20:.0f} MiB | {size(files):,} |")


def frames_of(document):
    """The page PNGs and GIFs the peers start from, made once."""
    folder = os.path.join(work, document + "-frames")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copy(os.path.join(work, document + ".edg"), folder)
    subprocess.run([export, "png", document + ".edg"], cwd=folder, check=True, stdout=subprocess.DEVNULL)
    pngs = sorted(glob.glob(os.path.join(folder, document + "*.png")))
    for png in pngs:
        subprocess.run(["convert", png, png[:-4] + ".frame.gif"], check=True)
    return folder, [os.path.basename(p) for p in pngs]


print(f"| document | writes | by | median wall | against tomel-export | peak memory | bytes |")
print("|---|---|---|---|---|---|---|")
for document in ["anim", "big"]:
    folder, pngs = frames_of(document)
    gifs = [p[:-4] + ".frame.gif" for p in pngs]
    edg = document + ".edg"
    # The sheet's columns as tomel-export chooses them, for the peers too.
    subprocess.run([export, "sheet", edg], cwd=folder, check=True, stdout=subprocess.DEVNULL)
    sheet = json.load(open(os.path.join(folder, document + ".sheet.json")))
    columns = str(sheet["meta"]["size"]["w"] // sheet["frames"][0]["frame"]["w"])
    os.makedirs(os.path.join(folder, "out"), exist_ok=True)
    row(document, "GIF", [
        ("tomel-export gif", [export, "gif", edg], document + ".gif"),
        ("ImageMagick convert", ["convert", "-delay", "25x200", "-loop", "0", "-dispose", "background"] + pngs +
         ["im.gif"], "im.gif"),
        ("Pillow", ["/usr/bin/python3", "-c", PILLOW_GIF, "pil.gif"] + pngs, "pil.gif"),
        ("gifsicle", ["gifsicle", "--delay", "13", "--loopcount=forever", "-o", "gifsicle.gif"] + gifs,
         "gifsicle.gif"),
    ], folder)
    row(document, "PNG", [
        ("tomel-export png", [export, "png", edg], document + ("-[0-9]*.png" if len(pngs) > 1 else ".png")),
        ("ImageMagick mogrify", ["mogrify", "-path", "out"] + pngs, "out/*.png"),
        ("Pillow", ["/usr/bin/python3", "-c", PILLOW_PNG, "out"] + pngs, "out/*.png"),
    ], folder)
    row(document, "APNG", [
        ("tomel-export apng", [export, "apng", edg], document + ".apng"),
        ("Pillow", ["/usr/bin/python3", "-c", PILLOW_APNG, "pil.apng"] + pngs, "pil.apng"),
    ], folder)
    row(document, "sheet", [
        ("tomel-export sheet", [export, "sheet", edg], document + ".sheet.*"),
        ("ImageMagick montage", ["montage"] + pngs + ["-tile", columns + "x", "-geometry", "+0+0", "-background",
                                                      "none", "im-sheet.png"], "im-sheet.png"),
        ("Pillow", ["/usr/bin/python3", "-c", PILLOW_SHEET, "pil-sheet.png", columns] + pngs, "pil-sheet.png"),
    ], folder)
    row(document, "Aseprite", [("tomel-export aseprite", [export, "aseprite", edg], document + ".aseprite")], folder)
    row(document, "palette", [("tomel-export palette", [export, "palette", edg], document + ".[gaph][pace][ltx]")], folder)
    row(document, "PSD", [("tomel psd", [tomel, "psd", edg], document + ".psd")], folder)
