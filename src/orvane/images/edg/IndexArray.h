#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

namespace orvane::images::edg {

// A layer's palette indices, one byte per pixel. Either owned, or a view into
// bytes its document keeps (the inflated body of an Edge2 file), so decoding
// large layers copies nothing.
class IndexArray {
public:
    IndexArray() = default;
    IndexArray(std::vector<std::uint8_t> indices) : owned_(std::move(indices)) {}

    const std::uint8_t* data() const { return view_ != nullptr ? view_ : owned_.data(); }
    std::size_t size() const { return view_ != nullptr ? viewSize_ : owned_.size(); }
    bool empty() const { return size() == 0; }
    std::uint8_t operator[](std::size_t i) const { return data()[i]; }
    const std::uint8_t* begin() const { return data(); }
    const std::uint8_t* end() const { return data() + size(); }

    // Refers to n bytes that outlive this array, in place of its contents.
    void view(const std::uint8_t* indices, std::size_t n) {
        owned_.clear();
        view_ = indices;
        viewSize_ = n;
    }
    // Appends n bytes; a view becomes an owned copy first.
    void append(const std::uint8_t* indices, std::size_t n) { owned().insert(owned_.end(), indices, indices + n); }
    // The owned storage, for writing in place; a view is copied into it first.
    std::vector<std::uint8_t>& owned() {
        if (view_ != nullptr) {
            owned_.assign(view_, view_ + viewSize_);
            view_ = nullptr;
            viewSize_ = 0;
        }
        return owned_;
    }

    friend bool operator==(const IndexArray& a, const std::vector<std::uint8_t>& b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
    }
    friend std::ostream& operator<<(std::ostream& out, const IndexArray& a) {
        out << "{";
        for (std::size_t i = 0; i < a.size(); ++i) out << (i ? ", " : "") << int{a[i]};
        return out << "}";
    }

private:
    std::vector<std::uint8_t> owned_;
    const std::uint8_t* view_ = nullptr;
    std::size_t viewSize_ = 0;
};

} // namespace orvane::images::edg
