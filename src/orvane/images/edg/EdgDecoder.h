#pragma once

#include <cstdint>
#include <memory>

#include "concurrency/Route.h"
#include "io/Bytes.h"
#include "orvane/bytes/BytesInputWrapper.h"
#include "orvane/images/edg/DecodedEdg.h"
#include "orvane/images/edg/EdgImage.h"

namespace orvane::images::edg {

// Reads Edge files (.edg) of both generations into an EdgImage. Everything in
// the file is little-endian.
class EdgDecoder {
public:
    using Reader = bytes::BytesInputWrapper;

    static constexpr std::int32_t LAYER_NAME_MAX = 80;

    static std::unique_ptr<EdgImage> decode(const io::Bytes& bytes);
    // As decode, with an Edge2 body inflated by the route: the document with
    // the body it points into, and zlib's verdict still to be asked for.
    // Errors of the header and of inflating are raised; an error found in
    // the body is held in the result, behind zlib's verdict.
    static DecodedEdg decode(const io::Bytes& bytes, concurrency::Route route);
    static void readHeader(Reader& input, EdgImage& image);
    static void validateSignature(const io::Bytes& signature);
    static void readVersion(Reader& input, EdgImage& image);
    static void readEdge1(Reader& input, EdgImage& image);
    static void readEdge1Palette(Reader& input, EdgImage& image);
    static void readEdge1LayerImage(Reader& input, EdgLayer& layer, std::int32_t pixelCount);

    static void readEdge2(Reader& input, EdgImage& image);
    static void readEdge2Body(const io::Bytes& body, EdgImage& image);
    static void readEdge2Header1006(Reader& input, std::int32_t length, EdgImage& image);
    static void readEdge2Header3008(Reader& input, std::int32_t length, EdgImage& image);
    static Palette readEdge2Palette(Reader& input, std::int32_t length, EdgImage& image);
    static std::unique_ptr<EdgPage> readEdge2Page(Reader& input, std::int32_t length, EdgImage& image);
    static std::unique_ptr<EdgLayer> readEdge2Layer(Reader& input, std::int32_t length, EdgImage& image, EdgPage& page);
    static void readEdge2LayerImage(Reader& input, std::int32_t length, EdgLayer& layer);
};

} // namespace orvane::images::edg
