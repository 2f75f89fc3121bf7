#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "orvane/images/edg/EdgImage.h"

namespace orvane::images::palette {

// One palette of the document's bank in the files palette editors read,
// every entry in index order, unused ones too.
class PaletteWriter {
public:
    // GIMP: a Name line, 16 columns, a comment naming the transparent index,
    // "R G B<tab>Index N" lines; LF line ends, no blank line.
    static std::string gpl(const edg::Palette& palette, const std::string& name, int transparentIndex);
    // Adobe Color Table: 256 RGB triplets (the first 256 entries; zeros past
    // the palette), then the count and the transparent index (0xFFFF where
    // it is outside the palette), big-endian: 772 bytes.
    static std::string act(const edg::Palette& palette, int transparentIndex);
    // JASC-PAL: "JASC-PAL", "0100", the count, then "R G B" lines; CRLF.
    static std::string jascPal(const edg::Palette& palette);
    // One "rrggbb" line an entry.
    static std::string hex(const edg::Palette& palette);
};

} // namespace orvane::images::palette
