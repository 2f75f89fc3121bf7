#pragma once

namespace orvane::bytes {

enum class Endian { BigEndian, LittleEndian };

} // namespace orvane::bytes
