#include "orvane/images/edg/PageCompositor.h"

#include <algorithm>
#include <cstring>

namespace orvane::images::edg {

PageCompositor::PageCompositor(const std::vector<std::unique_ptr<EdgLayer>>& layers,
                               const std::array<color::Rgba, 256>& lookup, bool transparent) {
    for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
        if (!(*layer)->visible) continue;
        visible_.push_back(&(*layer)->imageData);
        length_ = std::max(length_, (*layer)->imageData.size());
    }
    const std::uint32_t forced = transparent ? 0u : 0xFF000000u;
    simd::ByteTable opaque;
    for (std::size_t i = 0; i < 256; ++i) {
        const auto value = static_cast<std::uint32_t>(lookup[i].value);
        colours_[Bottom * 256 + i] = color::Rgba{static_cast<std::int32_t>(value | forced)};
        colours_[Above * 256 + i] = lookup[i];
        opaque[i] = (value >> 24) != 0 ? 0xFF : 0x00;
    }
    for (std::size_t i = 0; i < drawn_.size(); ++i) {
        drawn_[i] = (static_cast<std::uint32_t>(colours_[i].value) >> 24) != 0 ? 0xFF : 0x00;
    }
    // Each layer above the bottom one is masked once; each plane is looked
    // up once over the page when its planes are taken.
    opaque_ = simd::PairLookup(opaque, visible_.empty() ? 0 : (visible_.size() - 1) * length_);
    for (std::size_t plane = 0; plane < 4; ++plane) {
        simd::ByteTable bottom;
        simd::ByteTable above;
        for (std::size_t i = 0; i < 256; ++i) {
            const auto shift = 8 * plane;
            bottom[i] =
                static_cast<std::uint8_t>(static_cast<std::uint32_t>(colours_[Bottom * 256 + i].value) >> shift);
            above[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(colours_[Above * 256 + i].value) >> shift);
        }
        bottomPlanes_[plane] = simd::PairLookup(bottom, length_);
        abovePlanes_[plane] = simd::PairLookup(above, length_);
    }
}

void PageCompositor::resolvePiece(std::size_t start, std::size_t n, std::uint8_t* index, std::uint8_t* source) const {
    std::uint8_t mask[piece];
    std::memset(source, Uncovered, n);
    std::memset(index, 0, n);
    for (std::size_t k = 0; k < visible_.size(); ++k) {
        const IndexArray& layer = *visible_[k];
        const std::size_t cover = start < layer.size() ? std::min(n, layer.size() - start) : 0;
        if (cover == 0) continue;
        const std::uint8_t* indices = layer.data() + start;
        if (k == 0) {
            std::memcpy(index, indices, cover);
            std::memset(source, Bottom, cover);
            continue;
        }
        opaque_.map(indices, cover, mask);
        // A select without branches, so the loop vectorises: where this
        // layer's pixel is opaque (mask 0xFF) its index, looked up in the
        // Above table, replaces what lies below; where it is transparent
        // (mask 0) the pixel below stays.
        for (std::size_t i = 0; i < cover; ++i) {
            index[i] = static_cast<std::uint8_t>((mask[i] & indices[i]) | (~mask[i] & index[i]));
            source[i] = static_cast<std::uint8_t>((mask[i] & Above) | (~mask[i] & source[i]));
        }
    }
}

void PageCompositor::resolve(std::size_t from, std::size_t count, std::uint8_t* index, std::uint8_t* source) const {
    for (std::size_t done = 0; done < count; done += piece) {
        resolvePiece(from + done, std::min(piece, count - done), index + done, source + done);
    }
}

void PageCompositor::compose(std::size_t from, std::size_t count, color::Rgba* out) const {
    std::uint8_t index[piece];
    std::uint8_t source[piece];
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(piece, count - done);
        resolvePiece(from + done, n, index, source);
        color::Rgba* target = out + done;
        for (std::size_t i = 0; i < n; ++i) target[i] = colours_[std::size_t{source[i]} << 8 | index[i]];
        done += n;
    }
}

void PageCompositor::planeOf(int shift, const std::uint8_t* index, const std::uint8_t* source, std::size_t count,
                             std::uint8_t* out) const {
    const std::size_t plane = static_cast<std::size_t>(shift) / 8;
    std::uint8_t bottom[piece];
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(piece, count - done);
        bottomPlanes_[plane].map(index + done, n, bottom);
        std::uint8_t* target = out + done;
        abovePlanes_[plane].map(index + done, n, target);
        // Above keeps its sample, Bottom takes the bottom one, Uncovered is 0.
        const std::uint8_t* from = source + done;
        for (std::size_t i = 0; i < n; ++i) {
            const auto above = static_cast<std::uint8_t>(-(from[i] == Above));
            const auto below = static_cast<std::uint8_t>(-(from[i] == Bottom));
            target[i] = static_cast<std::uint8_t>((target[i] & above) | (bottom[i] & below));
        }
        done += n;
    }
}

void PageCompositor::opacityOf(const std::uint8_t* index, const std::uint8_t* source, std::size_t count,
                               std::uint8_t* out) const {
    for (std::size_t i = 0; i < count; ++i) out[i] = drawn_[std::size_t{source[i]} << 8 | index[i]];
}

} // namespace orvane::images::edg
