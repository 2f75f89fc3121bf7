#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace io {

// Allocator that leaves new elements uninitialised on resize, so buffers that
// are about to be overwritten are not zero-filled first.
template <typename T>
struct DefaultInitAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    DefaultInitAllocator() = default;
    template <typename U>
    DefaultInitAllocator(const DefaultInitAllocator<U>&) noexcept {}

    template <typename U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        std::allocator_traits<std::allocator<T>>::construct(static_cast<std::allocator<T>&>(*this), p,
                                                            std::forward<Args>(args)...);
    }
};

using ByteArray = std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>>;

} // namespace io
