#include "app/ExportFiles.h"

#include <string>
#include <utility>

#include "orvane/images/aseprite/AsepriteWriter.h"
#include "orvane/images/frames/IndexedFrames.h"
#include "orvane/images/gif/GifWriter.h"
#include "orvane/images/palette/PaletteWriter.h"
#include "orvane/images/png/ApngWriter.h"
#include "orvane/images/png/PngWriter.h"
#include "orvane/images/sheet/SheetWriter.h"

#ifndef TOMEL_VERSION
#define TOMEL_VERSION "0"
#endif

namespace app {

namespace {

using namespace orvane::images;
using Format = ExportOptions::Format;

std::string inexactText(const std::string& what, const frames::Keying& keying) {
    return what + " draws all 256 indices beside transparent pixels: its pixels of index " +
           std::to_string(keying.rewritten()) + " are written as index " + std::to_string(keying.rewrittenAs()) +
           ", the nearest colour";
}

// "-1" ... "-N", zero-padded to N's width.
std::string numbered(std::size_t i, std::size_t count) {
    const std::string number = std::to_string(i + 1);
    std::string text(1 + std::to_string(count).size() - number.size(), '0');
    text[0] = '-';
    text.append(number);
    return text;
}

} // namespace

ExportFiles::ExportFiles(const ExportOptions& options, std::string stem, std::string stemName)
    : options_(options), stem_(std::move(stem)), stemName_(std::move(stemName)) {}

void ExportFiles::add(std::string path, std::vector<std::uint8_t> bytes) {
    files_.push_back({std::move(path), std::move(bytes)});
}

void ExportFiles::add(std::string path, const std::string& text) {
    add(std::move(path), std::vector<std::uint8_t>(text.begin(), text.end()));
}

void ExportFiles::clear() {
    files_.clear();
    notes_.clear();
}

void ExportFiles::make(const edg::EdgImage& image, concurrency::Route route) {
    clear();
    if (options_.format == Format::Palette) {
        // Every palette of the bank; a document without one has an empty one.
        const std::vector<edg::Palette> bank =
            image.paletteBank.empty() ? std::vector<edg::Palette>(1) : image.paletteBank;
        for (std::size_t k = 0; k < bank.size(); ++k) {
            const std::string suffix = k == 0 ? std::string() : std::string("-").append(std::to_string(k + 1));
            const std::string stem = stem_ + suffix;
            const int transparent = image.transparentColorIndex;
            add(stem + ".gpl", palette::PaletteWriter::gpl(bank[k], stemName_ + suffix, transparent));
            add(stem + ".act", palette::PaletteWriter::act(bank[k], transparent));
            add(stem + ".pal", palette::PaletteWriter::jascPal(bank[k]));
            add(stem + ".hex", palette::PaletteWriter::hex(bank[k]));
            if (bank[k].size() > 256) {
                notes_.push_back(stem + ".act holds the first 256 of the palette's " + std::to_string(bank[k].size()) +
                                 " colours");
            }
        }
        return;
    }
    const frames::IndexedFrames frames(image);
    switch (options_.format) {
    case Format::Png:
        for (std::size_t i = 0; i < frames.count(); ++i) {
            const std::string path =
                frames.count() == 1 ? stem_ + ".png" : stem_ + numbered(i, frames.count()) + ".png";
            frames::Keying keying;
            auto png = png::PngWriter::write(frames, i, options_.scale, route, keying);
            if (!keying.exact()) notes_.push_back(inexactText(path, keying));
            add(path, std::move(png.bytes()));
        }
        break;
    case Format::Gif: {
        const std::string path = stem_ + ".gif";
        std::vector<frames::Keying> keyings;
        auto gif = gif::GifWriter::write(frames, options_.fps, options_.plays, options_.scale, route, keyings);
        for (std::size_t page = 0; page < keyings.size(); ++page) {
            if (!keyings[page].exact()) {
                notes_.push_back(inexactText(path + ", frame " + std::to_string(page + 1), keyings[page]));
            }
        }
        add(path, std::move(gif.bytes()));
        break;
    }
    case Format::Apng: {
        const std::string path = stem_ + ".apng";
        frames::Keying keying;
        auto apng = png::ApngWriter::write(frames, options_.fps, options_.plays, options_.scale, route, keying);
        if (!keying.exact()) notes_.push_back(inexactText(path, keying));
        add(path, std::move(apng.bytes()));
        break;
    }
    case Format::Sheet: {
        const std::size_t columns =
            options_.columns != 0 ? options_.columns : sheet::SheetWriter::squareColumns(frames);
        const std::string image = stem_ + ".sheet.png";
        frames::Keying keying;
        auto png = sheet::SheetWriter::png(frames, columns, options_.scale, route, keying);
        if (!keying.exact()) notes_.push_back(inexactText(image, keying));
        add(image, std::move(png.bytes()));
        add(stem_ + ".sheet.json", sheet::SheetWriter::json(frames, columns, options_.scale, options_.fps, stemName_,
                                                            stemName_ + ".sheet.png", TOMEL_VERSION));
        break;
    }
    case Format::Aseprite: {
        const std::string path = stem_ + ".aseprite";
        const frames::Keying keying = aseprite::AsepriteWriter::keyingOf(frames);
        if (!keying.exact()) notes_.push_back(inexactText(path, keying));
        add(path, std::move(aseprite::AsepriteWriter::write(frames, keying, options_.fps, route).bytes()));
        break;
    }
    case Format::Palette:
        break;
    }
}

} // namespace app
