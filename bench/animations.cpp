#include "animations.h"

#include <cmath>
#include <cstdlib>

using tests::Edge2Document;
using tests::Edge2Layer;
using tests::Edge2Page;

namespace bench {

namespace {

// Indices of the palette below; 0 is the transparent index.
enum : std::uint8_t {
    clear = 0,
    sky = 1,    // 1..4, lighter downwards
    hill = 5,   // 5..8
    brick = 9,  // 9..12
    cloud = 13, // 13..14
    outline = 15,
    body = 16, // 16..19
    skin = 20, // 20..26
    hair = 27, // 27..29
    eyeWhite = 30,
    pupil = 31,
};

std::vector<std::uint8_t> palette() {
    static const std::uint8_t rgb[32][3] = {
        {255, 0, 255},   {40, 60, 140},   {60, 90, 170},   {90, 130, 200},  {130, 170, 230}, {30, 90, 40},
        {50, 120, 50},   {70, 150, 60},   {100, 180, 80},  {110, 50, 40},   {140, 70, 50},   {170, 100, 70},
        {80, 40, 30},    {240, 240, 250}, {210, 215, 235}, {20, 15, 25},    {200, 60, 60},   {230, 100, 80},
        {150, 40, 50},   {250, 200, 90},  {250, 215, 180}, {235, 190, 160}, {215, 165, 135}, {190, 140, 110},
        {160, 110, 90},  {130, 85, 70},   {255, 230, 210}, {60, 40, 30},    {90, 60, 40},    {120, 85, 55},
        {250, 250, 250}, {30, 70, 120}};
    std::vector<std::uint8_t> bgr;
    for (const auto& c : rgb) {
        bgr.push_back(c[2]);
        bgr.push_back(c[1]);
        bgr.push_back(c[0]);
    }
    return bgr;
}

struct Canvas {
    int width, height;
    std::vector<std::uint8_t> pixels;

    Canvas(int w, int h, std::uint8_t fill)
        : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), fill) {}
    void set(int x, int y, std::uint8_t index) {
        if (x >= 0 && y >= 0 && x < width && y < height)
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] = index;
    }
    void rect(int x, int y, int w, int h, std::uint8_t index) {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i) set(i, j, index);
    }
    // An ellipse, shaded from `light` to `light + shades - 1` towards its lower right.
    void ellipse(int cx, int cy, int rx, int ry, std::uint8_t light, int shades) {
        for (int j = -ry; j <= ry; ++j) {
            for (int i = -rx; i <= rx; ++i) {
                const double d = double(i * i) / (rx * rx) + double(j * j) / (ry * ry);
                if (d > 1.0) continue;
                const double shade = (double(i) / rx + double(j) / ry + 2.0) / 4.0 * shades;
                int s = static_cast<int>(shade);
                // Ordered dither between neighbouring shades.
                if (shade - s > 0.5 && ((i + j) & 1)) ++s;
                set(cx + i, cy + j, static_cast<std::uint8_t>(light + std::min(s, shades - 1)));
            }
        }
    }
};

Edge2Document document(std::vector<Edge2Page> pages) {
    Edge2Document d;
    d.transparentIndex = clear;
    d.palettesBgr.push_back(palette());
    d.pages = std::move(pages);
    return d;
}

Canvas scene() {
    Canvas c(160, 120, sky);
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 160; ++x) {
            const int band = y / 20;
            // The band's lower rows dithered into the next band.
            const bool next = y % 20 >= 16 && ((x + y) & 1);
            c.set(x, y, static_cast<std::uint8_t>(sky + std::min(3, band + (next ? 1 : 0))));
        }
    }
    for (int x = 0; x < 160; ++x) {
        const int top = 62 + static_cast<int>(8 * std::sin(x / 13.0) + 4 * std::sin(x / 5.0));
        for (int y = top; y < 96; ++y) c.set(x, y, static_cast<std::uint8_t>(hill + std::min(3, (y - top) / 6)));
    }
    for (int y = 96; y < 120; ++y) {
        for (int x = 0; x < 160; ++x) {
            const int row = (y - 96) / 6;
            const int shifted = x + (row & 1) * 8;
            const bool mortar = (y - 96) % 6 == 5 || shifted % 16 == 15;
            c.set(x, y, static_cast<std::uint8_t>(mortar ? brick + 3 : brick + ((shifted / 16 + row) % 3)));
        }
    }
    c.ellipse(40, 20, 18, 6, cloud, 2);
    c.ellipse(115, 32, 24, 7, cloud, 2);
    return c;
}

// The sprite's pose p (0 or 1) at (x, y) on a transparent layer.
void sprite(Canvas& c, int x, int y, int pose) {
    c.rect(x + 3, y + 1, 10, 9, outline);
    c.rect(x + 4, y + 2, 8, 7, body);
    c.rect(x + 5, y + 3, 2, 2, eyeWhite);
    c.rect(x + 9, y + 3, 2, 2, eyeWhite);
    c.set(x + 6, y + 4, pupil);
    c.set(x + 10, y + 4, pupil);
    c.rect(x + 5, y + 7, 6, 1, body + 2);
    c.rect(x + 2, y + 10, 12, 4, outline);
    c.rect(x + 3, y + 10, 10, 3, body + 1);
    const int leg = pose == 0 ? 0 : 2;
    c.rect(x + 3 + leg, y + 14, 3, 2, outline);
    c.rect(x + 10 - leg, y + 14, 3, 2, outline);
}

} // namespace

Edge2Document movingSprite() {
    const Canvas background = scene();
    std::vector<Edge2Page> pages;
    for (int p = 0; p < 24; ++p) {
        Canvas layer(160, 120, clear);
        sprite(layer, 4 + p * 6, 80 + (p % 2), p % 2);
        pages.push_back({.name = "Frame " + std::to_string(p + 1),
                         .width = 160,
                         .height = 120,
                         .layers = {{"Sprite", true, false, layer.pixels}, {"Scene", true, false, background.pixels}}});
    }
    return document(std::move(pages));
}

Edge2Document blinkingPortrait() {
    Canvas face(320, 320, sky);
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 320; ++x)
            if (((x / 4 + y / 4) & 3) == 0) face.set(x, y, sky + 1);
    face.ellipse(160, 140, 110, 120, hair, 3);
    face.ellipse(160, 175, 90, 110, skin, 7);
    face.rect(100, 290, 120, 30, body);
    face.rect(130, 250, 60, 6, skin + 4);
    std::vector<Edge2Page> pages;
    // Open, open..., half, closed, half, open...
    const int lids[12] = {0, 0, 0, 0, 0, 5, 10, 5, 0, 0, 0, 0};
    for (int p = 0; p < 12; ++p) {
        Canvas c = face;
        for (const int cx : {122, 198}) {
            c.ellipse(cx, 160, 20, 11, eyeWhite, 1);
            c.ellipse(cx, 160, 7, 7, pupil, 1);
            c.rect(cx - 2, 156, 3, 3, eyeWhite);
            // The lid comes down from the top, then the lashes.
            for (int j = 0; j < lids[p] * 2 + 1 && lids[p] > 0; ++j) {
                for (int i = -21; i <= 21; ++i) {
                    const double d = double(i * i) / (21.0 * 21.0) + double((j - 11) * (j - 11)) / (12.0 * 12.0);
                    if (d <= 1.0) c.set(cx + i, 149 + j, skin + 2);
                }
            }
            c.rect(cx - 20, 149 + lids[p] * 2, 41, 1, outline);
        }
        pages.push_back({.name = "Blink " + std::to_string(p + 1),
                         .width = 320,
                         .height = 320,
                         .layers = {{"Portrait", true, false, c.pixels}}});
    }
    return document(std::move(pages));
}

Edge2Document walkingCharacter() {
    std::vector<Edge2Page> pages;
    for (int p = 0; p < 8; ++p) {
        Canvas c(32, 48, clear);
        const double phase = p * 3.14159265 / 4;
        const int bob = (p % 4 == 1 || p % 4 == 3) ? 1 : 0;
        c.ellipse(16, 9 + bob, 7, 7, skin, 4);
        c.rect(11, 4 + bob, 11, 3, hair);
        c.rect(18, 9 + bob, 2, 2, pupil);
        c.rect(10, 17 + bob, 12, 14, outline);
        c.rect(11, 18 + bob, 10, 12, body);
        // Legs and arms swing opposite ways.
        const int swing = static_cast<int>(std::lround(5 * std::sin(phase)));
        c.rect(12 + swing, 31, 4, 14, outline);
        c.rect(13 + swing, 31, 2, 13, body + 2);
        c.rect(17 - swing, 31, 4, 14, outline);
        c.rect(18 - swing, 31, 2, 13, body + 3);
        c.rect(12 + swing, 44, 6, 3, hair + 1);
        c.rect(17 - swing, 44, 6, 3, hair + 1);
        c.rect(7 - swing / 2, 19 + bob, 3, 10, skin + 2);
        c.rect(22 + swing / 2, 19 + bob, 3, 10, skin + 2);
        pages.push_back({.name = "Walk " + std::to_string(p + 1),
                         .width = 32,
                         .height = 48,
                         .transparent = true,
                         .layers = {{"Walker", true, false, c.pixels}}});
    }
    return document(std::move(pages));
}

Edge2Document explodingBomb() {
    std::vector<Edge2Page> pages;
    for (int p = 0; p < 8; ++p) {
        Canvas c(48, 48, clear);
        bool opaque = false;
        if (p < 3) {
            c.ellipse(24, 30, 10, 10, hair, 3);
            c.rect(23, 14 - p * 2, 2, 6 + p * 2, outline);
            c.set(24, 13 - p * 2, body + 3);
        } else if (p < 5) {
            // The blast: every pixel drawn, the transparent index among its colours.
            opaque = true;
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 48; ++x)
                    c.set(x, y, static_cast<std::uint8_t>((x / 3 + y / 3 + p) % 5 == 0 ? clear : body + (x + y) % 4));
        } else {
            const int r = 20 - (p - 5) * 6;
            c.ellipse(24, 26, r, r, cloud, 2);
        }
        pages.push_back({.name = "Boom " + std::to_string(p + 1),
                         .width = 48,
                         .height = 48,
                         .transparent = !opaque,
                         .layers = {{"Bomb", true, false, c.pixels}}});
    }
    return document(std::move(pages));
}

} // namespace bench
