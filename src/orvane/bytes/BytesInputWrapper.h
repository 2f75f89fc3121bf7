#pragma once

#include <cstdint>
#include <optional>

#include "io/BytesInput.h"
#include "orvane/bytes/Endian.h"

namespace orvane::bytes {

// The reader the decoders use: a cursor with checked bounds over a window of a
// buffer, in a chosen byte order. Final, so calls through it are direct.
class BytesInputWrapper final : public io::BytesInput {
public:
    explicit BytesInputWrapper(const io::Bytes& bytes, std::optional<Endian> endian = std::nullopt,
                               std::optional<std::int32_t> pos = std::nullopt,
                               std::optional<std::int32_t> len = std::nullopt);

    std::int32_t getAbailable() const { return len; }
};

} // namespace orvane::bytes
