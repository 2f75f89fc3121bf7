#!/usr/bin/python3
"""The web stage's reference for the preview: each page of a PSD (a top-level
group, top-most first; without groups, all layers) composited here from
psd-tools' layers, bottom-up, straight alpha times opacity, on the whole
canvas, with no colour where nothing is drawn. Writes PREFIX-N.rgba.
Usage: page_pictures.py PSD PREFIX"""
import sys

import numpy as np
from psd_tools import PSDImage


def pixel_layers(group):
    for layer in group:  # bottom-up
        yield from pixel_layers(layer) if layer.is_group() else [layer]


def picture(psd, layers):
    out = np.zeros((psd.height, psd.width, 4))
    for layer in layers:
        image = layer.topil()
        if image is None:
            continue
        pixels = np.asarray(image.convert("RGBA"), dtype=np.float64)
        # The part of the layer on the canvas: a page may reach past its edges.
        y0, x0 = max(layer.top, 0), max(layer.left, 0)
        y1, x1 = min(layer.top + pixels.shape[0], psd.height), min(layer.left + pixels.shape[1], psd.width)
        if y0 >= y1 or x0 >= x1:
            continue
        region = out[y0:y1, x0:x1]
        source = pixels[y0 - layer.top:y1 - layer.top, x0 - layer.left:x1 - layer.left]
        a = source[..., 3:4] * layer.opacity / 255.0
        below = region[..., 3:4] * (1 - a / 255.0)
        total = a + below
        region[..., :3] = np.where(total == 0, 0, (source[..., :3] * a + region[..., :3] * below) / np.maximum(total, 1e-9))
        region[..., 3:4] = total
    rgba = np.clip(np.rint(out), 0, 255).astype(np.uint8)
    rgba[rgba[..., 3] == 0, :3] = 0
    return rgba


psd = PSDImage.open(sys.argv[1])
groups = [layer for layer in psd if layer.is_group()]
pages = [list(pixel_layers(group)) for group in reversed(groups)] if groups else [list(pixel_layers(psd))]
for index, layers in enumerate(pages):
    with open(f"{sys.argv[2]}-{index}.rgba", "wb") as out:
        out.write(picture(psd, layers).tobytes())
print(len(pages))
