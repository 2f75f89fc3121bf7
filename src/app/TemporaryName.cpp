#include "app/TemporaryName.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace app {

namespace {

constexpr const char* suffix = ".tomel-XXXXXX";

// splitmix64: spreads a counter over 64 bits.
std::uint64_t mixed(std::uint64_t value) {
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

} // namespace

std::string TemporaryName::pattern(const std::string& directory, const std::string& target, std::size_t longestPath) {
    const std::string name = std::string(".").append(target, directory.size()).append(suffix);
    if (name.size() <= longestName && directory.size() + name.size() <= longestPath) return directory + name;
    return directory + suffix;
}

std::string TemporaryName::filled(const std::string& pattern) {
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::atomic<std::uint64_t> calls{0};
    // Unlike another process's names by the time and where this process's
    // data lies; the creation that follows refuses a name that exists, and
    // the caller then asks again.
    static const int here = 0;
    std::uint64_t bits = mixed(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                               reinterpret_cast<std::uintptr_t>(&here) ^ mixed(calls.fetch_add(1)));
    std::string name = pattern;
    for (std::size_t i = name.size() - 6; i < name.size(); ++i) {
        name[i] = alphabet[bits % 62];
        bits /= 62;
    }
    return name;
}

} // namespace app
