#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>

namespace io {

// A growable array of bytes. New bytes are left uninitialised (buffers that
// are about to be overwritten are not cleared first). A small array lives on
// the heap; a large one, where the platform allows, in pages mapped for it
// alone (ByteArrayPosix.cpp): growing moves its pages instead of copying
// them, so growth never needs the old and the new array at once, and it never
// lands on the heap, where a block freed below one still in use keeps its
// address space from a process capped by `ulimit -v`.
class ByteArray {
public:
    ByteArray() = default;
    ByteArray(std::size_t count, std::uint8_t value);
    template <typename Iterator>
    ByteArray(Iterator first, Iterator last) {
        reserve(static_cast<std::size_t>(std::distance(first, last)));
        for (; first != last; ++first) data_[size_++] = static_cast<std::uint8_t>(*first);
    }
    // Takes over a block of `size` bytes from malloc: its owner fills it
    // first (the browser's page, with a file's bytes), and no copy is made.
    static ByteArray adopt(std::uint8_t* data, std::size_t size) noexcept {
        ByteArray adopted;
        adopted.data_ = data;
        adopted.size_ = adopted.capacity_ = size;
        return adopted;
    }
    ByteArray(ByteArray&& other) noexcept;
    ByteArray& operator=(ByteArray&& other) noexcept;
    ByteArray(const ByteArray&) = delete;
    ByteArray& operator=(const ByteArray&) = delete;
    ~ByteArray();

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::uint8_t& operator[](std::size_t i) { return data_[i]; }
    std::uint8_t operator[](std::size_t i) const { return data_[i]; }

    // Storage for at least n bytes; raises std::bad_alloc when there is none.
    void reserve(std::size_t n);
    // New bytes are uninitialised; the storage grows geometrically.
    void resize(std::size_t n) {
        if (n > capacity_) reserve(n > 2 * capacity_ ? n : 2 * capacity_);
        size_ = n;
    }
    void swap(ByteArray& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
        std::swap(mapped_, other.mapped_);
    }
    void push_back(std::uint8_t c) {
        if (size_ == capacity_) reserve(capacity_ < 64 ? 64 : capacity_ * 2);
        data_[size_++] = c;
    }

private:
    // The platform's part: storage for `capacity` bytes holding the first
    // `size` of `data` (which had room for `had`, mapped of its own where
    // `mapped` says so, which it then updates); nullptr where there is none.
    // And its release.
    static std::uint8_t* regrow(std::uint8_t* data, std::size_t size, std::size_t had, bool& mapped,
                                std::size_t capacity);
    static void release(std::uint8_t* data, std::size_t capacity, bool mapped);

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    bool mapped_ = false;
};

} // namespace io
