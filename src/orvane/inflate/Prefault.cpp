#include "orvane/inflate/Prefault.h"

#include <algorithm>

namespace orvane::inflate {

void Prefault::grow(std::size_t size) {
    const concurrency::Lock lock(mutex_);
    out_.resize(size);
    capacity_ = size;
}

void Prefault::stop() {
    const concurrency::Lock lock(mutex_);
    stopped_ = true;
}

void Prefault::ahead(std::uint64_t walked) {
    constexpr std::size_t lookahead = std::size_t{1} << 20;
    constexpr std::size_t step = std::size_t{1} << 20;
    constexpr std::size_t cap = std::size_t{256} << 20;
    const std::size_t inflated = inflated_.load(std::memory_order_relaxed);
    const std::size_t target = inflated + lookahead;
    for (;;) {
        const concurrency::Lock lock(mutex_);
        if (walked < inflated && faulted_ >= cap) return;
        const std::size_t end = std::min({target, capacity_, faulted_ + step});
        if (stopped_ || faulted_ >= end) return;
        // Advice only: a system without it, or memory short, ends the prefault.
        if (!populate(out_.data() + faulted_, out_.data() + end)) stopped_ = true;
        faulted_ = end;
    }
}

} // namespace orvane::inflate
