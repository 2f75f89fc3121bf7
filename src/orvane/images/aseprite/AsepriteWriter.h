#pragma once

#include <cstdint>

#include "concurrency/Route.h"
#include "io/ByteVector.h"
#include "orvane/images/frames/IndexedFrames.h"

namespace orvane::images::aseprite {

// The document as an indexed Aseprite sprite, editable as it was: one frame
// per page, every Edge layer a cel with its indices, whole at its page's
// position (as the PSD keeps it, off the canvas too), and the layers stacked
// as in every page. An Aseprite layer runs through all frames, so the layers
// are matched by their place counted from the bottom of their page: the
// layers at one place that share a name, visibility and lock are one
// Aseprite layer, and those that differ are layers of their own at the same
// place (no frame has cels in two of them). So each frame composites as its
// page did. Where every page is opaque, covers the canvas and has the same
// visible bottom layer, that layer is Aseprite's background, in which every
// index is a colour, as in an opaque page's lowest layer, and cannot be
// moved, as Aseprite's own. Transparency is the
// header's one index: the document's transparent index, or, where a layer
// that is not the background draws it, an index no such layer draws; a pixel
// that is not drawn in its page (the transparent index, an index past the
// palette above the lowest layer) takes it.
class AsepriteWriter {
public:
    // Whether the bottom layer is written as the background.
    static bool withBackground(const frames::IndexedFrames& frames);
    // The keying every cel is written with.
    static frames::Keying keyingOf(const frames::IndexedFrames& frames);
    // A large cel's halves are deflated side by side on the helped route.
    static io::ByteVector write(const frames::IndexedFrames& frames, const frames::Keying& keying, std::uint32_t fps,
                                concurrency::Route route);
};

} // namespace orvane::images::aseprite
