#pragma once

#include <cstdint>
#include <string>

#include "orvane/images/psd/PsdImage.h"

namespace orvane::images::psd {

// The byte layout of the PSD file that PsdEncoder writes: the length of every
// record and section, derived in one place. The encoder writes these lengths
// and checks them against the format's fields; the converter adds up the
// records it is going to make with the same arithmetic to refuse, before any
// pixel is expanded, a document whose layer section cannot be written.
class PsdLayout {
public:
    // What a layer record's length depends on.
    struct Record {
        std::int64_t nameLength = 0; // the bytes kept: see nameLength
        std::int32_t numChannels = 0;
        std::int32_t type = 0; // section divider: 0 none, 1 group start, 3 group end
        std::int64_t pixelCount = 0;
    };

    // The bytes of a name that a record keeps: at most MAX_NAME_LENGTH.
    static std::int64_t nameLength(const std::string& name);
    static Record recordOf(const PsdLayer& layer);
    // A record's extra data: mask, blending ranges, name, section divider.
    static std::int64_t extraDataLength(const Record& record);
    // The data of a section divider block ("lsct"), after its length field;
    // 0 for a record that is no divider.
    static std::int32_t dividerDataLength(std::int32_t type);
    // The whole record: its fixed fields and the extra data.
    static std::int64_t recordLength(const Record& record);
    // The four channels of a layer: a 2-byte compression code and one byte a
    // pixel each.
    static std::int64_t channelDataLength(std::int64_t pixelCount);

    PsdLayout() = default;
    // Every record of the document and its composite.
    explicit PsdLayout(const PsdImage& document);

    void addRecord(const Record& record);
    void setCompositePixelCount(std::int64_t pixelCount) { compositePixelCount_ = pixelCount; }

    // The layer count, the records and the channel data of every layer.
    std::int64_t layerInfoLength() const { return 2 + recordsLength_; }
    // The layer info with its length field and the global mask length; 0 without layers.
    std::int64_t layerAndMaskInformationLength() const;
    std::int64_t fileLength() const;

private:
    std::int64_t recordCount_ = 0;
    std::int64_t recordsLength_ = 0;
    std::int64_t compositePixelCount_ = 0;
};

} // namespace orvane::images::psd
