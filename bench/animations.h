#pragma once

#include "support/EdgWriter.h"

// Pixel-art animations as artists make them, for the export's size
// benchmark: most of each frame is what the frame before showed.
namespace bench {

// A 16 x 16 sprite crossing a still 160 x 120 scene: 24 opaque pages of a
// scene layer under a sprite layer.
tests::Edge2Document movingSprite();
// An eye that closes and opens on a still 320 x 320 portrait: 12 opaque pages.
tests::Edge2Document blinkingPortrait();
// A 32 x 48 character walking in place on transparent pages: 8 pages.
tests::Edge2Document walkingCharacter();
// A bomb on transparent pages whose explosion fills the canvas: an opaque
// page that draws the transparent index as a colour, between transparent
// ones, then smoke that clears: 8 pages of 48 x 48.
tests::Edge2Document explodingBomb();

} // namespace bench
