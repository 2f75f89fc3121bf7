#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "io/Eof.h"
#include "io/MessageError.h"
#include "orvane/bytes/Inflater.h"
#include "orvane/images/edg/DecodedEdg.h"
#include "orvane/inflate/DeflateCheck.h"
#include "orvane/inflate/FastInflater.h"
#include "orvane/inflate/InflatedBody.h"
#include "orvane/inflate/StreamCheck.h"
#include "orvane/inflate/ZlibInflater.h"
#include "orvane/simd/Adler32.h"
#include "support/EdgWriter.h"
#include "support/Random.h"
#include "support/TestHelpers.h"

using orvane::bytes::Inflater;
using orvane::inflate::DeflateCheck;

namespace {

std::string inflate(const std::string& stream) { return Inflater::uncompress(io::Bytes::ofString(stream)).toString(); }

// The message of the error inflating raises, or "Eof".
std::string failure(const std::string& stream, std::int32_t maxLength = 2147483647) {
    return tests::failureText([&] {
        Inflater::uncompressAtMost(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size(), maxLength);
    });
}

using tests::bytes;

std::string adler32Of(const std::string& data) {
    const uLong a =
        adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    return bytes({static_cast<int>(a >> 24), static_cast<int>(a >> 16), static_cast<int>(a >> 8), static_cast<int>(a)});
}

// Raw deflate data (no header, no check value).
std::string rawDeflate(const std::string& data) {
    const std::string wrapped = tests::zlibCompress(data);
    return wrapped.substr(2, wrapped.size() - 6);
}

} // namespace

TEST(Inflater, InflatesWholeStreams) {
    EXPECT_EQ(inflate(tests::zlibCompress("")), "");
    std::string exact(131072, '\0');
    for (std::size_t i = 0; i < exact.size(); ++i) exact[i] = static_cast<char>((i * i) >> 5);
    EXPECT_EQ(inflate(tests::zlibCompress(exact)), exact);
    EXPECT_EQ(inflate(tests::zlibCompress("pixels", 9) + "trailing bytes"), "pixels");
    // Highly compressible data grows the output buffer many times.
    const std::string zeros(5 << 20, '\0');
    EXPECT_EQ(inflate(tests::zlibCompress(zeros)), zeros);
}

TEST(Inflater, HeaderChecks) {
    const std::string data = "header check";
    const std::string body = rawDeflate(data) + adler32Of(data);
    for (const auto& header : {bytes({0x78, 0x9C}), bytes({0x78, 0x01}), bytes({0x78, 0xDA})}) {
        EXPECT_EQ(inflate(header + body), data);
    }
    EXPECT_EQ(failure(bytes({0x78, 0x9D}) + body), "Invalid data");
    EXPECT_EQ(failure(bytes({0x79, 0x9C}) + body), "Invalid data"); // method 9
    EXPECT_EQ(failure(bytes({0x78, 0xBB}) + body), "Unsupported dictionary");
    EXPECT_EQ(inflate(bytes({0x88, 0x98}) + body), data); // the window size is not examined
    EXPECT_EQ(failure(rawDeflate(data)), "Invalid data");
}

TEST(Inflater, TruncationAnywhereIsEof) {
    const std::string stream = tests::zlibCompress("a stream cut short anywhere ends in Eof, every time");
    for (std::size_t cut = 0; cut < stream.size(); ++cut) EXPECT_EQ(failure(stream.substr(0, cut)), "Eof") << cut;
}

TEST(Inflater, DamagedStreams) {
    std::string stream = tests::zlibCompress("checked data");
    stream.back() = static_cast<char>(stream.back() ^ 1);
    EXPECT_EQ(failure(stream), "Invalid CRC");

    const std::string header = bytes({0x78, 0x01});
    EXPECT_EQ(failure(header + bytes({0x07, 0, 0, 0, 0})), "Invalid data");                  // block type 3
    EXPECT_EQ(failure(header + bytes({0x01, 0x01, 0x00, 0x00, 0x00, 'x'})), "Invalid data"); // LEN and NLEN disagree
    // Dynamic block, 4 code-length codes, lengths 1, 0, 0, 0: an incomplete code.
    EXPECT_EQ(failure(header + bytes({0x05, 0x00, 0x00, 0x02, 0x00, 0x00})), "Invalid huffman");
    // Lengths 1, 1, 1, 0: over-subscribed.
    EXPECT_EQ(failure(header + bytes({0x05, 0x00, 0x00, 0x92, 0x00, 0x00})), "Invalid huffman");
}

TEST(Inflater, OutputBeyondTheLimitIsInvalidData) {
    const std::string data(5000, 'z');
    const std::string stream = tests::zlibCompress(data);
    EXPECT_EQ(failure(stream, 4999), "Invalid data");
    EXPECT_EQ(failure(stream, 0), "Invalid data");
    const auto* compressed = reinterpret_cast<const std::uint8_t*>(stream.data());
    EXPECT_EQ(Inflater::uncompressAtMost(compressed, stream.size(), 5000).length(), 5000);
    const std::string empty = tests::zlibCompress("");
    EXPECT_EQ(Inflater::uncompressAtMost(reinterpret_cast<const std::uint8_t*>(empty.data()), empty.size(), 0).length(),
              0);
}

// The deflate check on a zlib stream's raw data: whether it accepts, and
// then how many bytes it found the stream to inflate to and to take.
std::string checked(const std::string& stream, std::uint64_t maxOutput = 1u << 30) {
    DeflateCheck::Accepted accepted;
    if (!DeflateCheck::accepts(reinterpret_cast<const std::uint8_t*>(stream.data()) + 2, stream.size() - 2, maxOutput,
                               accepted)) {
        return "refused";
    }
    return std::to_string(accepted.length) + " bytes from " + std::to_string(accepted.used);
}

TEST(DeflateCheck, AcceptsWhatZlibInflatesAndNothingElse) {
    std::string data(300000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 997 < 500 ? i % 7 : (i * i) >> 9);
    // Stored, fixed and dynamic blocks, every length and many distances.
    for (const int level : {0, 1, 6, 9}) {
        const std::string stream = tests::zlibCompress(data, level);
        EXPECT_EQ(checked(stream), "300000 bytes from " + std::to_string(stream.size() - 6)) << level;
    }
    EXPECT_EQ(checked(tests::zlibCompress("pixels", 9)), "6 bytes from 8");

    const std::string whole = tests::zlibCompress(data, 9);
    EXPECT_EQ(checked(whole, 299999), "refused"); // beyond the limit
    EXPECT_EQ(checked(whole.substr(0, whole.size() / 2)), "refused");
    const std::string header = bytes({0x78, 0x01});
    EXPECT_EQ(checked(header + bytes({0x07, 0, 0, 0, 0})), "refused");                   // block type 3
    EXPECT_EQ(checked(header + bytes({0x01, 0x01, 0x00, 0x00, 0x00, 'x'})), "refused");  // LEN and NLEN disagree
    EXPECT_EQ(checked(header + bytes({0x05, 0x00, 0x00, 0x02, 0x00, 0x00})), "refused"); // incomplete code
    EXPECT_EQ(checked(header + bytes({0x05, 0x00, 0x00, 0x92, 0x00, 0x00})), "refused"); // over-subscribed
    // A fixed block whose first code is a match: a distance before the start.
    const std::string tooFar = header + bytes({0x03, 0x02, 0x00, 0, 0, 0, 1});
    EXPECT_EQ(failure(tooFar), "Invalid data");
    EXPECT_EQ(checked(tooFar), "refused");
    // A literal code set igzip takes and zlib refuses.
    EXPECT_EQ(checked(tests::storedThenIncompleteCode(std::string(1000, 's'), 40)), "refused");
}

TEST(Adler32, MatchesZlibForEveryLengthAndWorstCaseData) {
    std::string data(300000, '\0');
    unsigned state = 12345;
    for (char& c : data) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    const std::string worst(200000, '\xFF');
    for (const std::string* source : {static_cast<const std::string*>(&data), &worst}) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(source->data());
        for (const std::size_t length :
             {0ul, 1ul, 31ul, 32ul, 33ul, 5551ul, 5552ul, 5553ul, 11104ul, 65537ul, 199990ul}) {
            for (const std::size_t offset : {0ul, 3ul}) {
                const uLong expected = adler32(7, bytes + offset, static_cast<uInt>(length));
                EXPECT_EQ(orvane::simd::Adler32::update(7, bytes + offset, length), expected)
                    << length << " " << offset;
            }
        }
    }
}

namespace {

// What a route makes of a stream, as the program uses it: the body, or the
// text of the error. Where zlib accepts the stream but makes another body,
// zlib inflates it again alone.
std::string outcome(const std::string& stream, concurrency::Route route) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(stream.data());
    std::string made;
    const std::string error = tests::failureText([&] {
        orvane::inflate::InflatedBody body = Inflater::inflate(data, stream.size(), route);
        made = body.confirm() ? body.bytes().toString() : Inflater::uncompress(data, stream.size()).toString();
    });
    return error == "no error" ? made : "Error : " + error;
}

} // namespace

// The fast decoder meets damage wherever it lands in its output: just before
// or after the end of its first buffer, of a growth of it, or of a piece,
// after a match that crosses that end or not, with input left to read ahead.
// Every such stream must end on the helped route as zlib alone ends it.
TEST(Inflater, FastRouteEndsAsZlibAloneWhereverDamageLands) {
    if (!orvane::inflate::FastInflater::worthwhile(std::size_t{1} << 20))
        GTEST_SKIP() << "igzip cannot be loaded here: there is no fast route";
    tests::Random random(23);
    std::string noise(3 << 20, '\0');
    for (char& c : noise) c = static_cast<char>(random.next());
    const std::string readAhead(32, '\0');

    const auto expectAlike = [](const std::string& stream, const std::string& label) {
        const std::string zlib = outcome(stream, concurrency::Route::OneThread);
        EXPECT_EQ(zlib.rfind("Error : ", 0), 0u) << label;
        EXPECT_TRUE(outcome(stream, concurrency::Route::Helped) == zlib)
            << label << ": zlib alone gives " << zlib.substr(0, 40);
    };
    // A stored prefix, then a block that makes bytes up to `end` + `offset`
    // and meets an error there. The end may depend on the stream's length
    // (the first buffer is sized by it): it is found again until it holds.
    const auto damageAt = [&](std::size_t prefix, const std::function<std::size_t(std::size_t)>& end, long offset) {
        const std::string body = noise.substr(0, prefix);
        const std::string raw = tests::openDeflate(body, 0);
        std::string stream;
        for (std::size_t length = raw.size(), tries = 0; tries < 4; ++tries) {
            const auto at = static_cast<std::size_t>(static_cast<long>(end(length)) + offset);
            stream = tests::zlibWrap(raw + tests::incompleteDistancesBlock(at - prefix) + readAhead, body);
            if (stream.size() == length) break;
            length = stream.size();
        }
        return stream;
    };
    const auto firstBuffer = [](std::size_t length) { return orvane::inflate::ZlibInflater::firstCapacity(length); };
    constexpr std::size_t piece = std::size_t{1} << 20;
    const long offsets[] = {-600, -300, -290, -280, -274, -259, -258, -200, -11, -1, 0, 1, 11, 258, 600};
    for (const long offset : offsets) {
        const std::string where = " at " + std::to_string(offset);
        expectAlike(damageAt(65600, firstBuffer, offset), "first buffer's end" + where);
        expectAlike(damageAt(
                        65600, [&](std::size_t n) { return 2 * firstBuffer(n); }, offset),
                    "growth" + where);
        expectAlike(damageAt(
                        917500, [](std::size_t) { return piece; }, offset),
                    "first piece's end" + where);
        expectAlike(damageAt(
                        1500000, [](std::size_t) { return 2 * piece; }, offset),
                    "second piece's end" + where);
    }

    // igzip stopping at once (block type 3) or for want of input (a stored
    // block cut) where pieces end; the whole stream converts.
    const std::vector<std::pair<std::string, std::string>> tails = {
        {"block type 3", tests::bytes({0x07}) + readAhead},
        {"stored block cut", tests::bytes({0x01, 0xFF, 0xFF, 0x00, 0x00}) + std::string(100, 'c')},
    };
    for (const std::size_t length : {piece - 5, piece + 7, 2 * piece + 1}) {
        const std::string body = noise.substr(0, length);
        const std::string raw = tests::openDeflate(body, 0);
        for (const auto& [label, tail] : tails)
            expectAlike(tests::zlibWrap(raw + tail, body), label + " after " + std::to_string(length));
        const std::string whole = tests::zlibWrap(raw + tests::bytes({0x03, 0x00}), body);
        EXPECT_TRUE(outcome(whole, concurrency::Route::Helped) == body) << length;
    }
}

namespace {

// What the stand-in fast decoder makes of any stream: each row sets it. It
// stands in for igzip, so that the verdict is tested where igzip cannot be
// loaded; it grows the buffer as igzip does, through the check's prefault.
std::string standInBody;

std::optional<orvane::inflate::ZlibInflater::Summary> standIn(const std::uint8_t*, std::size_t, std::size_t,
                                                              orvane::inflate::StreamCheck& check, io::ByteArray& out) {
    check.prefault().grow(standInBody.size());
    std::copy(standInBody.begin(), standInBody.end(), out.data());
    return orvane::inflate::ZlibInflater::Summary{
        standInBody.size(), orvane::simd::Adler32::update(orvane::simd::Adler32::INITIAL, out.data(), out.size())};
}

} // namespace

// zlib's verdict on a body the fast decoder made, and its precedence over an
// error found in that body: the verdict's error, "differs" (inflate again),
// or "confirmed"; then, behind the same verdict, an error of the work done
// with the document.
TEST(Inflater, ZlibsVerdictDecidesWhatTheFastDecoderMade) {
    using orvane::inflate::FastInflater;
    if (!tests::helperThreadsRun()) GTEST_SKIP() << "no helper thread here: the check never runs beside a decoder";
    tests::Random random(24);
    std::string body(200000, '\0');
    for (char& c : body) c = static_cast<char>(random.next());
    // The check value's last byte is the low byte of the byte sum plus one:
    // made 0x00, a stream cut before it looks whole to a read one byte too far.
    const auto byteSum = [&] {
        return orvane::simd::Adler32::update(1, reinterpret_cast<const std::uint8_t*>(body.data()), body.size()) & 0xFF;
    };
    body[0] = static_cast<char>(static_cast<std::uint8_t>(body[0]) - byteSum());
    ASSERT_EQ(byteSum(), 0u);
    const std::string good = tests::zlibCompress(body);
    std::string wrongCheck = good;
    wrongCheck.back() = static_cast<char>(wrongCheck.back() ^ 1);
    std::string otherBody = body;
    otherBody[100] = static_cast<char>(otherBody[100] ^ 1);
    const std::string refused = tests::storedThenIncompleteCode(body, 40);
    struct Row {
        std::string label, stream, made, verdict;
    };
    const std::vector<Row> rows = {
        {"agrees", good, body, "confirmed"},
        {"another body", good, otherBody, "differs"},
        {"wrong check value", wrongCheck, body, "differs"},
        {"cut inside the check value", good.substr(0, good.size() - 2), body, "Eof"},
        {"the check value's last byte, 0x00, cut", good.substr(0, good.size() - 1), body, "Eof"},
        {"code set zlib refuses", refused, body + std::string(40, 'A'), "Invalid huffman"},
    };
    for (const Row& row : rows) {
        standInBody = row.made;
        // A block of the stream's exact size: a read past it is caught.
        const auto block = std::make_unique<std::uint8_t[]>(row.stream.size());
        std::copy(row.stream.begin(), row.stream.end(), block.get());
        const std::uint8_t* data = block.get();
        const auto decode = [&] {
            return FastInflater::inflate(data, row.stream.size(), 1 << 30, concurrency::Route::Helped, standIn);
        };
        if (row.verdict == "Eof") {
            const std::string zlibAlone = tests::failureText([&] {
                (void)FastInflater::inflate(data, row.stream.size(), 1 << 30, concurrency::Route::OneThread, standIn);
            });
            EXPECT_EQ(zlibAlone, "Eof") << row.label << ", one thread";
        }
        std::string verdict;
        const std::string error = tests::failureText([&] {
            orvane::inflate::InflatedBody fast = decode();
            EXPECT_TRUE(fast.bytes().toString() == row.made) << row.label;
            verdict = fast.confirm() ? "confirmed" : "differs";
        });
        EXPECT_EQ(error == "no error" ? verdict : error, row.verdict) << row.label;

        // The document's own error waits behind the verdict.
        orvane::images::edg::DecodedEdg decoded(decode(), std::make_unique<orvane::images::edg::EdgImage>());
        decoded.use([](const orvane::images::edg::EdgImage&) { throw io::Eof(); });
        const std::string held = tests::failureText([&] { (void)decoded.confirm(); });
        EXPECT_EQ(held, row.verdict == "confirmed" ? "Eof"
                        : error == "no error"      ? "no error"
                                                   : row.verdict)
            << row.label;
    }
}
