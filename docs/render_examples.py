#!/usr/bin/python3
"""Renders the pictures of docs/examples.md from tomel's own output.

Usage: docs/render_examples.py TOMEL_BINARY
Converts every examples/*.edg with the given binary into a temporary folder,
opens each PSD with psd-tools (an independent reader) and writes, for each
example, the composite and a strip of its layers as PNG into docs/images/,
then docs/examples.md around them."""
import os
import shutil
import subprocess
import sys
import tempfile

from PIL import Image, ImageDraw
from psd_tools import PSDImage

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCALE = 8  # pixel art is small: show every pixel as an 8 x 8 block
CELL = 8   # checkerboard cell behind transparent pixels


def checkerboard(width, height):
    board = Image.new("RGBA", (width, height), (255, 255, 255, 255))
    draw = ImageDraw.Draw(board)
    for y in range(0, height, CELL):
        for x in range(0, width, CELL):
            if (x // CELL + y // CELL) % 2:
                draw.rectangle([x, y, x + CELL - 1, y + CELL - 1], fill=(204, 204, 204, 255))
    return board


def shown(image):
    """The image enlarged, over a checkerboard so transparency shows."""
    big = image.convert("RGBA").resize((image.width * SCALE, image.height * SCALE), Image.NEAREST)
    board = checkerboard(big.width, big.height)
    board.alpha_composite(big)
    return board


def printable(name):
    text = name.split("\0")[0]
    return text if text else "(unnamed)"


def layer_entries(psd):
    """(label, canvas-sized RGBA image) for every pixel layer, top-most first."""
    entries = []
    for layer in reversed(list(psd.descendants())):
        if layer.is_group():
            continue
        canvas = Image.new("RGBA", psd.size, (0, 0, 0, 0))
        pixels = layer.topil()
        if pixels is not None:
            canvas.alpha_composite(pixels.convert("RGBA"), (max(layer.left, 0), max(layer.top, 0)),
                                   (max(-layer.left, 0), max(-layer.top, 0)))
        group = layer.parent.name if layer.parent is not None and layer.parent is not psd else ""
        label = printable(layer.name) + (f" (in {printable(group)})" if group else "")
        entries.append((label, canvas))
    return entries


def strip(entries):
    tiles = [shown(image) for _, image in entries]
    gap = 16
    label_height = 18
    width = sum(t.width for t in tiles) + gap * (len(tiles) - 1)
    height = max(t.height for t in tiles) + label_height
    out = Image.new("RGBA", (width, height), (255, 255, 255, 255))
    draw = ImageDraw.Draw(out)
    x = 0
    for (label, _), tile in zip(entries, tiles):
        draw.text((x, 2), label, fill=(0, 0, 0, 255))
        out.paste(tile, (x, label_height))
        x += tile.width + gap
    return out


def main():
    tomel = os.path.abspath(sys.argv[1])
    images = os.path.join(ROOT, "docs", "images")
    os.makedirs(images, exist_ok=True)
    sections = []
    with tempfile.TemporaryDirectory() as work:
        names = sorted(f[:-4] for f in os.listdir(os.path.join(ROOT, "examples")) if f.endswith(".edg"))
        for name in names:
            shutil.copy(os.path.join(ROOT, "examples", name + ".edg"), work)
            subprocess.run([tomel, "psd", name + ".edg"], cwd=work, check=True, stdout=subprocess.DEVNULL)
            psd = PSDImage.open(os.path.join(work, name + ".psd"), encoding="latin-1")
            shown(psd.topil()).save(os.path.join(images, f"{name}-composite.png"))
            entries = layer_entries(psd)
            section = [f"## {name}.edg", "",
                       f"Canvas {psd.width} x {psd.height}; "
                       + (f"{len(entries)} pixel layers" if entries else "a flat PSD without layer records")
                       + ".", "", f"Composite:", "", f"![{name} composite](images/{name}-composite.png)", ""]
            if entries:
                strip(entries).save(os.path.join(images, f"{name}-layers.png"))
                section += ["Layers, top-most first, each on the whole canvas:", "",
                            f"![{name} layers](images/{name}-layers.png)", ""]
            sections.append("\n".join(section))
    with open(os.path.join(ROOT, "docs", "examples.md"), "w") as f:
        f.write("# What the examples become\n\n"
                "Each bundled example converted by tomel and opened with psd-tools, an independent PSD reader. "
                "Pixels are shown 8 times enlarged over a grey checkerboard where they are transparent. "
                "Regenerate with `docs/render_examples.py build/tomel`.\n\n")
        f.write("\n".join(sections))


if __name__ == "__main__":
    main()
