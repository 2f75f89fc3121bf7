#include "orvane/bytes/BytesInputWrapper.h"

namespace orvane::bytes {

BytesInputWrapper::BytesInputWrapper(const io::Bytes& bytes, std::optional<Endian> endian,
                                     std::optional<std::int32_t> pos, std::optional<std::int32_t> len)
    : io::BytesInput(bytes, pos.value_or(0), len.value_or(bytes.length() - pos.value_or(0))) {
    if (endian) bigEndian = *endian == Endian::BigEndian;
}

} // namespace orvane::bytes
