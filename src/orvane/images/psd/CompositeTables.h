#pragma once

#include "io/ByteArray.h"

namespace orvane::images::psd {

// Where each pixel of a composite comes from: its palette index and its
// source, two bytes a pixel (half of what its colours would take), resolved
// once so that each of the four planes is a lookup.
struct CompositeTables {
    io::ByteArray indices;
    io::ByteArray sources;
};

} // namespace orvane::images::psd
