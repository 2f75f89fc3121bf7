#pragma once

#include <string>

namespace io {

// Text for formats that require UTF-8, made of the byte strings a document
// holds in no stated character set.
class Utf8 {
public:
    // Valid UTF-8 as it is; each byte of an invalid sequence becomes U+FFFD.
    static std::string valid(const std::string& bytes);
    // A name: the bytes up to the first zero byte (a fixed name field's
    // padding), made valid, and cut to at most `maxBytes` on a character's
    // boundary.
    static std::string name(const std::string& bytes, std::size_t maxBytes = 0xFFFF);
};

} // namespace io
