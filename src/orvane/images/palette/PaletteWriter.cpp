#include "orvane/images/palette/PaletteWriter.h"

#include <algorithm>
#include <cstdio>

#include "io/Utf8.h"

namespace orvane::images::palette {

namespace {

using color::Rgb;

std::string format(const char* pattern, int a, int b, int c, int d = 0) {
    char line[64];
    const int n = std::snprintf(line, sizeof line, pattern, a, b, c, d);
    return std::string(line, static_cast<std::size_t>(n));
}

} // namespace

std::string PaletteWriter::gpl(const edg::Palette& palette, const std::string& name, int transparentIndex) {
    // A name is one line of text.
    std::string shown = io::Utf8::valid(name);
    std::replace_if(
        shown.begin(), shown.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, '?');
    std::string text = "GIMP Palette\nName: " + shown + "\nColumns: 16\n";
    text += "# Transparent index: " + std::to_string(transparentIndex);
    if (transparentIndex < 0 || static_cast<std::size_t>(transparentIndex) >= palette.size()) {
        text += " (outside this palette)";
    }
    text += "\n";
    for (std::size_t i = 0; i < palette.size(); ++i) {
        text += format("%3d %3d %3d\tIndex %d\n", Rgb::get_red(palette[i]), Rgb::get_green(palette[i]),
                       Rgb::get_blue(palette[i]), static_cast<int>(i));
    }
    return text;
}

std::string PaletteWriter::act(const edg::Palette& palette, int transparentIndex) {
    std::string bytes(772, '\0');
    const std::size_t count = std::min<std::size_t>(palette.size(), 256);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[3 * i] = static_cast<char>(Rgb::get_red(palette[i]));
        bytes[3 * i + 1] = static_cast<char>(Rgb::get_green(palette[i]));
        bytes[3 * i + 2] = static_cast<char>(Rgb::get_blue(palette[i]));
    }
    const unsigned transparent = transparentIndex >= 0 && static_cast<std::size_t>(transparentIndex) < count
                                     ? static_cast<unsigned>(transparentIndex)
                                     : 0xFFFFu;
    bytes[768] = static_cast<char>(count >> 8);
    bytes[769] = static_cast<char>(count & 0xFF);
    bytes[770] = static_cast<char>(transparent >> 8);
    bytes[771] = static_cast<char>(transparent & 0xFF);
    return bytes;
}

std::string PaletteWriter::jascPal(const edg::Palette& palette) {
    std::string text = "JASC-PAL\r\n0100\r\n" + std::to_string(palette.size()) + "\r\n";
    for (const Rgb colour : palette) {
        text += format("%d %d %d\r\n", Rgb::get_red(colour), Rgb::get_green(colour), Rgb::get_blue(colour));
    }
    return text;
}

std::string PaletteWriter::hex(const edg::Palette& palette) {
    std::string text;
    for (const Rgb colour : palette) {
        text += format("%02x%02x%02x\n", Rgb::get_red(colour), Rgb::get_green(colour), Rgb::get_blue(colour));
    }
    return text;
}

} // namespace orvane::images::palette
