#include "orvane/images/psd/PlacedComposite.h"

#include <algorithm>

#include "orvane/images/edg/EdgPage.h"

namespace orvane::images::psd {

PlacedComposite::PlacedComposite(const edg::EdgPage& page, std::int32_t width, std::int32_t height)
    : compositor_(page.layers, page.getRgbaLookup(), page.isTransparent), width_(width), height_(height),
      pageX_(page.x), pageY_(page.y), pageWidth_(page.width) {
    if (page.width <= 0) return;
    firstColumn_ = std::max<std::int64_t>(0, -pageX_);
    endColumn_ = std::min<std::int64_t>(page.width, width_ - pageX_);
    firstRow_ = std::max<std::int64_t>(0, -pageY_);
    endRow_ = std::min<std::int64_t>(page.height, height_ - pageY_);
}

std::size_t PlacedComposite::pixelCount() const { return static_cast<std::size_t>(width_ * height_); }

template <typename Compose>
void PlacedComposite::forEachCoveredRun(std::size_t from, std::size_t count, Compose compose) const {
    if (firstColumn_ >= endColumn_ || firstRow_ >= endRow_ || count == 0) return;
    const auto start = static_cast<std::int64_t>(from);
    const std::int64_t end = start + static_cast<std::int64_t>(count);
    const auto run = [&](std::int64_t canvasFrom, std::int64_t canvasEnd, std::int64_t compositeFrom) {
        const std::int64_t a = std::max(canvasFrom, start);
        const std::int64_t b = std::min(canvasEnd, end);
        if (a < b) {
            compose(static_cast<std::size_t>(compositeFrom + (a - canvasFrom)), static_cast<std::size_t>(b - a),
                    static_cast<std::size_t>(a - start));
        }
    };
    if (firstColumn_ == 0 && endColumn_ == pageWidth_ && pageWidth_ == width_) {
        // Whole rows of a page as wide as the canvas: one contiguous run.
        run((pageY_ + firstRow_) * width_, (pageY_ + endRow_) * width_, firstRow_ * pageWidth_);
        return;
    }
    const std::int64_t lastY = std::min(pageY_ + endRow_ - 1, (end - 1) / width_);
    for (std::int64_t y = std::max(pageY_ + firstRow_, start / width_); y <= lastY; ++y) {
        const std::int64_t rowStart = y * width_ + pageX_;
        run(rowStart + firstColumn_, rowStart + endColumn_, (y - pageY_) * pageWidth_ + firstColumn_);
    }
}

void PlacedComposite::pixels(std::size_t from, std::size_t count, color::Rgba* out) const {
    std::fill(out, out + count, color::Rgba{0});
    forEachCoveredRun(from, count, [&](std::size_t compositeFrom, std::size_t n, std::size_t at) {
        compositor_.compose(compositeFrom, n, out + at);
    });
}

// Allocated only: the pages are first touched by resolve, on its thread.
CompositeTables PlacedComposite::allocateTables() const {
    CompositeTables tables;
    tables.indices.resize(pixelCount());
    tables.sources.resize(pixelCount());
    return tables;
}

void PlacedComposite::resolve(CompositeTables& tables) const {
    std::fill(tables.indices.data(), tables.indices.data() + tables.indices.size(), std::uint8_t{0});
    std::fill(tables.sources.data(), tables.sources.data() + tables.sources.size(), std::uint8_t{0});
    forEachCoveredRun(0, pixelCount(), [&](std::size_t compositeFrom, std::size_t n, std::size_t at) {
        compositor_.resolve(compositeFrom, n, tables.indices.data() + at, tables.sources.data() + at);
    });
}

void PlacedComposite::plane(const CompositeTables& tables, int shift, std::size_t from, std::size_t count,
                            std::uint8_t* out) const {
    compositor_.planeOf(shift, tables.indices.data() + from, tables.sources.data() + from, count, out);
}

void PlacedComposite::indexed(std::size_t from, std::size_t count, std::uint8_t* index, std::uint8_t* drawn,
                              std::uint8_t* source) const {
    std::fill(index, index + count, std::uint8_t{0});
    std::fill(source, source + count, std::uint8_t{0});
    forEachCoveredRun(from, count, [&](std::size_t compositeFrom, std::size_t n, std::size_t at) {
        compositor_.resolve(compositeFrom, n, index + at, source + at);
    });
    compositor_.opacityOf(index, source, count, drawn);
}

} // namespace orvane::images::psd
