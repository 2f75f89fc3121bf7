#!/usr/bin/python3
"""The sizes of tomel-export's GIF and APNG against the best its peers make of
the same frames, on pixel-art animations (sprite, portrait, walker) and on
anim, where every pixel changes:
- GIF: `gifsicle -O3` and ImageMagick's `-layers Optimize`, both given
  tomel-export's GIF. gifsicle also shrinks the colour table to the colours
  used, where tomel-export keeps the document's palette whole, so the goal is
  gifsicle's bytes plus the table bytes it dropped.
- APNG: Pillow's `optimize=True` and ffmpeg's, given the page PNGs.

Both peers merge a page into the frame before where the two are alike, and
gifsicle and ImageMagick renumber the palette, so that a frame's colours take
the lowest indices and its codes fewer bits; tomel-export keeps one frame a
page and every index as it is. The table says which peer did either.

Usage: bench/sizes.py BUILD_DIR WORK_DIR
Prints a table; exits 1 where a file is above its goal."""
import glob
import os
import shutil
import subprocess
import sys

build, work = sys.argv[1], os.path.abspath(sys.argv[2])
export = os.path.abspath(os.path.join(build, "tomel-export"))
FPS = 8

PILLOW_APNG = """
import sys
from PIL import Image
frames = [Image.open(p) for p in sys.argv[2:]]
frames[0].save(sys.argv[1], save_all=True, append_images=frames[1:], duration=125, loop=0, format="PNG",
               optimize=True)
"""


def table_bytes(path):
    """The bytes of a GIF's colour tables, global and local."""
    data = open(path, "rb").read()
    total = 0
    if data[10] & 0x80:
        total += 3 << ((data[10] & 7) + 1)
    at = 13 + total
    while at < len(data):
        kind = data[at]
        if kind == 0x3B:
            break
        if kind == 0x21:
            at += 2
            while data[at]:
                at += data[at] + 1
            at += 1
            continue
        packed = data[at + 9]
        at += 10
        if packed & 0x80:
            local = 3 << ((packed & 7) + 1)
            total += local
            at += local
        at += 1
        while data[at]:
            at += data[at] + 1
        at += 1
    return total


def global_table(path):
    data = open(path, "rb").read()
    return data[13:13 + (3 << ((data[10] & 7) + 1))] if data[10] & 0x80 else b""


def gif_frames(path):
    info = subprocess.run(["gifsicle", "--info", path], capture_output=True, text=True, check=True).stdout
    return int(info.split(" image")[0].split()[-1])


def apng_frames(path):
    data = open(path, "rb").read()
    return int.from_bytes(data[data.index(b"acTL") + 4:data.index(b"acTL") + 8], "big")


def gif_peer(name, path, ours, pages):
    notes = []
    if gif_frames(path) != pages:
        notes.append(f"{gif_frames(path)} frames")
    if global_table(path)[:len(global_table(ours))] != global_table(ours)[:len(global_table(path))]:
        notes.append("renumbered")
    return f"{name} {os.path.getsize(path):,}" + (f" ({', '.join(notes)})" if notes else "")


def apng_peer(name, path, pages):
    frames = apng_frames(path)
    return f"{name} {os.path.getsize(path):,}" + (f" ({frames} frames)" if frames != pages else "")


def quiet(argv, cwd):
    subprocess.run(argv, cwd=cwd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


over = []
print("| document | format | tomel-export | goal | peers |")
print("|---|---|---|---|---|")
for document in ["sprite", "portrait", "walker", "anim"]:
    folder = os.path.join(work, document + "-sizes")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copy(os.path.join(work, document + ".edg"), folder)
    for format in ["png", "gif", "apng"]:
        quiet([export, format, document + ".edg"], folder)
    pngs = sorted(glob.glob(os.path.join(folder, document + "-*.png")))
    gif = os.path.join(folder, document + ".gif")
    quiet(["gifsicle", "-O3", gif, "-o", "gifsicle.gif"], folder)
    quiet(["convert", gif, "-layers", "Optimize", "im.gif"], folder)
    ours = os.path.getsize(gif)
    gifsicle = os.path.join(folder, "gifsicle.gif")
    goal = os.path.getsize(gifsicle) + table_bytes(gif) - table_bytes(gifsicle)
    peers = ", ".join([gif_peer("gifsicle -O3", gifsicle, gif, len(pngs)),
                       gif_peer("ImageMagick", os.path.join(folder, "im.gif"), gif, len(pngs))])
    print(f"| {document} ({len(pngs)} pages) | GIF | {ours:,} | {goal:,} | {peers} |")
    if ours > goal:
        over.append(f"{document}.gif")
    quiet(["/usr/bin/python3", "-c", PILLOW_APNG, "pillow.apng"] + pngs, folder)
    digits = len(os.path.basename(pngs[0])) - len(document) - len("-.png")
    quiet(["ffmpeg", "-y", "-framerate", str(FPS), "-i", f"{document}-%0{digits}d.png", "-plays", "0",
           "ffmpeg.apng"], folder)
    ours = os.path.getsize(os.path.join(folder, document + ".apng"))
    pillow, ffmpeg = os.path.join(folder, "pillow.apng"), os.path.join(folder, "ffmpeg.apng")
    goal = min(os.path.getsize(pillow), os.path.getsize(ffmpeg))
    peers = ", ".join([apng_peer("Pillow", pillow, len(pngs)), apng_peer("ffmpeg", ffmpeg, len(pngs))])
    print(f"| {document} ({len(pngs)} pages) | APNG | {ours:,} | {goal:,} | {peers} |")
    if ours > goal:
        over.append(f"{document}.apng")

if over:
    print("above the goal: " + ", ".join(over))
sys.exit(1 if over else 0)
