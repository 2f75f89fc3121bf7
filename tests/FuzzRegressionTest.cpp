// Inputs the fuzzers found, kept so that what they broke stays fixed. Each is
// run through the whole in-memory road: decode, convert, encode. The same
// inputs are kept in fuzz/regressions/ and replayed by the clang-built
// harnesses, whose sanitizers catch more (null pointer offsets among them).
#include <gtest/gtest.h>

#include "io/Failure.h"
#include "orvane/images/edg/EdgDecoder.h"
#include "orvane/images/psd/PsdConverter.h"
#include "orvane/images/psd/PsdEncoder.h"
#include "support/EdgWriter.h"
#include "support/TestHelpers.h"

using namespace orvane::images;

namespace {

std::string fromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// Decodes, converts and encodes; the encoded length must be the announced
// one. The PSD file's length, or the text of the error.
std::string convertInMemory(const std::string& file) {
    const io::Bytes bytes = io::Bytes::ofString(file);
    std::string outcome;
    const std::string failure = tests::failureText([&] {
        const auto image = edg::EdgDecoder::decode(bytes);
        const auto document = psd::PsdConverter::convertFromEdg(*image);
        const std::int64_t length = psd::PsdEncoder::encode(*document).length();
        EXPECT_EQ(length, psd::PsdEncoder::fileLength(*document));
        outcome = std::to_string(length) + " bytes";
    });
    return failure == "no error" ? outcome : failure;
}

} // namespace

TEST(FuzzRegression, LayerWithoutPixelsOnAPageOfMoreThan65536Pixels) {
    // An Edge2 body: a 3004 x 158 page whose first layer has no pixel chunk.
    // Writing its planes once offset a null index pointer.
    const std::string body =
        fromHex("e8030100000008c00b07000000e8030100000001bb0b120000002a030c0000000102030405060708090a0b0cd30788000000e8"
                "27050000006669727374ed0302000000bc0bee03020000009e00b90b0100000000bb0b050000000000000000bc0b05000000"
                "0000000000d30722000000e803020000006c30ed030100000001ef030100000001b90b06000000000102030405d307230000"
                "00e803020000006c31ed030100000000ef030100000000ee0306000000000102030405d3075f000000e8030600000073656"
                "36f6e64ed03020000000200ee03020000000200b90b0100000001bb0b05000000ffffffff00bc0b050000000300000008d3"
                "0720000000e803020000006d30ed030100000001ef030100000000ee030400000000010203");
    EXPECT_EQ(convertInMemory(tests::writeEdge2(body)), "5695870 bytes");
}
