#!/usr/bin/python3
"""Checks a PSD file written by tomel against an expectation, with two
independent readers: psd-tools and ImageMagick.

Usage: check_psd.py EXPECTATION.json
The expectation names the PSD, the canvas size, a raw RGBA file with the
composite, and the layer tree (top-most first; names as hex bytes)."""
import json
import subprocess
import sys

from psd_tools import PSDImage

IDENTIFY = "/usr/bin/identify-im6.q16"
CONVERT = "/usr/bin/convert-im6.q16"

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def rgba_bytes(image):
    return image.convert("RGBA").tobytes()


def check_layers(expected, actual, where):
    actual = list(reversed(list(actual)))  # psd-tools lists bottom-most first
    check(len(expected) == len(actual), f"{where}: {len(actual)} layers, expected {len(expected)}")
    for index, (want, got) in enumerate(zip(expected, actual)):
        at = f"{where}/{index}"
        name = got.name.encode("latin-1").hex()
        check(name == want["name"], f"{at}: name {name}, expected {want['name']}")
        check(got.is_group() == want["group"], f"{at}: group {got.is_group()}, expected {want['group']}")
        if want["group"]:
            check_layers(want["children"], got, at)
            continue
        rect = [got.left, got.top, got.right, got.bottom]
        check(rect == want["rect"], f"{at}: rect {rect}, expected {want['rect']}")
        with open(want["pixels"], "rb") as f:
            pixels = f.read()
        image = got.topil()
        got_pixels = rgba_bytes(image) if image is not None else b""
        check(got_pixels == pixels, f"{at}: layer pixels differ")


def main():
    with open(sys.argv[1]) as f:
        want = json.load(f)
    path = want["psd"]
    with open(want["composite"], "rb") as f:
        composite = f.read()

    psd = PSDImage.open(path, encoding="latin-1")
    check(psd.size == (want["width"], want["height"]), f"psd-tools size {psd.size}")
    check(psd.depth == 8 and psd.channels == 4, f"depth {psd.depth}, channels {psd.channels}")
    check(rgba_bytes(psd.topil()) == composite, "psd-tools composite differs")
    check_layers(want["layers"], psd, "layers")

    # ImageMagick reads the fourth plane as an extra channel, not as alpha:
    # compare the colour planes of the composite only.
    size = subprocess.run([IDENTIFY, "-format", "%w %h\n", path + "[0]"], capture_output=True, text=True)
    check(size.returncode == 0, f"identify failed: {size.stderr.strip()}")
    check(size.stdout.split() == [str(want["width"]), str(want["height"])], f"identify size {size.stdout.split()}")
    rgb = subprocess.run([CONVERT, path + "[0]", "-depth", "8", "rgb:-"], capture_output=True)
    check(rgb.returncode == 0, "convert failed")
    expected_rgb = b"".join(composite[i:i + 3] for i in range(0, len(composite), 4))
    check(rgb.stdout == expected_rgb, "ImageMagick composite colours differ")

    for failure in failures:
        print(failure)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
