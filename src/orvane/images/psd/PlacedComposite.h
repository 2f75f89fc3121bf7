#pragma once

#include <cstdint>

#include "orvane/images/edg/PageCompositor.h"
#include "orvane/images/psd/PixelSource.h"

namespace orvane::images::edg {
class EdgPage;
}

namespace orvane::images::psd {

// A page's composite placed at the page's position on a transparent canvas
// and cropped to it: composite pixel j sits at column j mod the page's width,
// row j div that width, of the page. Made from the page's layers when asked,
// so the page must outlive it.
class PlacedComposite final : public PixelSource {
public:
    PlacedComposite(const edg::EdgPage& page, std::int32_t width, std::int32_t height);

    std::size_t pixelCount() const override;
    void pixels(std::size_t from, std::size_t count, color::Rgba* out) const override;
    CompositeTables allocateTables() const override;
    void resolve(CompositeTables& tables) const override;
    void plane(const CompositeTables& tables, int shift, std::size_t from, std::size_t count,
               std::uint8_t* out) const override;
    // Canvas pixels [from, from + count) as palette indices: each pixel's
    // index (0 where no layer covers it), and 0xFF in `drawn` where it is
    // drawn, 0 where it is transparent. `source` is room for count bytes.
    void indexed(std::size_t from, std::size_t count, std::uint8_t* index, std::uint8_t* drawn,
                 std::uint8_t* source) const;

private:
    // Calls compose(compositeFrom, n, at) for each run of canvas pixels in
    // [from, from + count) that the page covers, `at` counted from `from`;
    // the caller has cleared the rest.
    template <typename Compose>
    void forEachCoveredRun(std::size_t from, std::size_t count, Compose compose) const;

    edg::PageCompositor compositor_;
    std::int64_t width_, height_;                  // the canvas
    std::int64_t pageX_, pageY_, pageWidth_;       // where the page lies on it
    std::int64_t firstColumn_ = 0, endColumn_ = 0; // the page's columns on the canvas
    std::int64_t firstRow_ = 0, endRow_ = 0;       // the page's rows on the canvas
};

} // namespace orvane::images::psd
