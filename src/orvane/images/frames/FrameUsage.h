#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>

namespace orvane::images::frames {

// What one frame (or several) draws: the palette indices of its drawn
// pixels, and whether any pixel is transparent.
class FrameUsage {
public:
    // Counts n pixels: index[i] where drawn[i] is 0xFF, transparent where 0.
    void add(const std::uint8_t* index, const std::uint8_t* drawn, std::size_t n);
    void add(const FrameUsage& other);
    void addDrawn(std::uint8_t index) { drawn_.set(index); }
    void addTransparent() { transparent_ = true; }

    bool draws(std::uint8_t index) const { return drawn_.test(index); }
    bool transparent() const { return transparent_; }
    bool drawsEvery() const { return drawn_.all(); }
    // The highest index drawn, or -1.
    int highest() const;

private:
    std::bitset<256> drawn_;
    bool transparent_ = false;
};

} // namespace orvane::images::frames
