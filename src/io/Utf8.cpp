#include "io/Utf8.h"

#include <cstdint>

namespace io {

namespace {

// The length of the valid sequence at `at`, or 0.
std::size_t sequenceAt(const std::string& s, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(s[i]); };
    const std::uint8_t lead = byte(at);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    std::uint8_t low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;  // no overlong forms
        if (lead == 0xED) high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F; // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (at + length > s.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(at + k) < 0x80 || byte(at + k) > 0xBF) return 0;
    }
    return length;
}

const char* const replacement = "\xEF\xBF\xBD";

} // namespace

std::string Utf8::valid(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t n = sequenceAt(bytes, at);
        if (n == 0) {
            text += replacement;
            ++at;
        } else {
            text.append(bytes, at, n);
            at += n;
        }
    }
    return text;
}

std::string Utf8::name(const std::string& bytes, std::size_t maxBytes) {
    std::string text = valid(bytes.substr(0, bytes.find('\0')));
    if (text.size() <= maxBytes) return text;
    std::size_t end = maxBytes;
    while (end > 0 && (static_cast<std::uint8_t>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

} // namespace io
