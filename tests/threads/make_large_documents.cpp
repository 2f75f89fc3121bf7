// Writes Edge2 documents whose bodies are large enough for the fast
// inflater and its helper threads, into DIR:
//   good.edg        three layers on a 1024 x 1024 page: the composite's
//                   tables are resolved on a helper too
//   pages.edg       three pages of two layers, in one group each
//   damaged.edg     good.edg with a byte flipped in the second half of the body
//   cut.edg         good.edg cut off at two thirds of its body
//   crc.edg         good.edg with its Adler-32 value flipped: zlib accepts the
//                   deflate data but not the body the fast decoder made
//   incomplete.edg  a body whose last block has a code set zlib refuses and
//                   igzip decodes
//   anim.edg        64 pages of four 256 x 256 layers: an animation, whose
//                   conversion needs about as much memory again as its body
// and shapes that stress memory in other ways, for the cap sweeps:
//   many.edg        120 layers of 512 x 512
//   huge.edg        one layer of 5000 x 4000
//   strip.edg       three layers of 29000 x 300
//   edge1.edg       an Edge1 document of 2000 x 2000, four layers
//   late.edg        huge.edg with a byte flipped at 98% of its body
// With a COUNT, instead COUNT documents of random shapes and sizes, a third
// of them damaged in one of those ways, for comparing two builds.
// Usage: make_large_documents DIR [COUNT]
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/EdgWriter.h"
#include "support/Random.h"

using namespace tests;

namespace {

// Pixel-art-like content: runs of one index with noise between them, so the
// body compresses to about a tenth.
std::vector<std::uint8_t> pixels(Random& random, int count) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < out.size();) {
        const auto value = static_cast<std::uint8_t>(random.below(16));
        const std::size_t run = random.below(3) == 0 ? static_cast<std::size_t>(random.between(8, 64)) : 1;
        for (std::size_t k = 0; k < run && i < out.size(); ++k) out[i++] = value;
    }
    return out;
}

Edge2Page page(Random& random, const std::string& name, int width, int height, int layers) {
    Edge2Page result{name, width, height, random.between(0, 8), random.between(0, 8), random.below(2) == 0, {}};
    for (int i = 0; i < layers; ++i) {
        result.layers.push_back(
            {"layer " + std::to_string(i), random.below(5) != 0, false, pixels(random, width * height)});
    }
    return result;
}

std::string document(Random& random, int pages, int width, int height, int layers) {
    Edge2Document edg;
    edg.palettesBgr.push_back({});
    for (int i = 0; i < 256 * 3; ++i) edg.palettesBgr[0].push_back(static_cast<std::uint8_t>(random.below(256)));
    for (int p = 0; p < pages; ++p)
        edg.pages.push_back(page(random, "page " + std::to_string(p), width, height, layers));
    return writeEdge2(edg);
}

// The 12-byte header comes before the compressed body.
constexpr std::size_t headerLength = 12;

std::string flipped(std::string file, std::size_t at) {
    file[at] = static_cast<char>(file[at] ^ 0x5A);
    return file;
}

std::string cut(const std::string& file, std::size_t length) { return file.substr(0, length); }

void write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    Random random(20261208);
    if (argc < 3) {
        const std::string good = document(random, 1, 1024, 1024, 3);
        const std::size_t body = good.size() - headerLength;
        write(dir / "good.edg", good);
        write(dir / "pages.edg", document(random, 3, 400, 400, 2));
        write(dir / "damaged.edg", flipped(good, headerLength + body * 3 / 4));
        write(dir / "cut.edg", cut(good, headerLength + body * 2 / 3));
        write(dir / "crc.edg", flipped(good, good.size() - 2));
        Edge2Document small;
        small.palettesBgr.push_back({1, 2, 3, 4, 5, 6});
        small.pages.push_back({"p", 2, 2, 0, 0, false, {{"l", true, false, {0, 1, 1, 0}}}});
        const std::string stored = edge2Body(small) + chunk(5000, std::string(200000, 'x'));
        const std::string stream = storedThenIncompleteCode(stored, 40);
        write(dir / "incomplete.edg", good.substr(0, headerLength) + stream);
        write(dir / "anim.edg", document(random, 64, 256, 256, 4));
        write(dir / "many.edg", document(random, 1, 512, 512, 120));
        const std::string huge = document(random, 1, 5000, 4000, 1);
        write(dir / "huge.edg", huge);
        write(dir / "late.edg", flipped(huge, headerLength + (huge.size() - headerLength) * 98 / 100));
        write(dir / "strip.edg", document(random, 1, 29000, 300, 3));
        Edge1Document edge1;
        edge1.width = 2000;
        edge1.height = 2000;
        edge1.paletteRgb = gradientPalette();
        for (int i = 0; i < 4; ++i)
            edge1.layers.push_back(literalLayer("layer " + std::to_string(i), pixels(random, 2000 * 2000)));
        write(dir / "edge1.edg", writeEdge1(edge1));
        return 0;
    }
    const int count = std::atoi(argv[2]);
    for (int n = 0; n < count; ++n) {
        const int side = random.between(16, 700);
        std::string file = document(random, random.between(1, 3), side, random.between(16, 700), random.between(1, 4));
        const std::size_t body = file.size() - headerLength;
        switch (n % 6) {
        case 1:
            file = flipped(file, headerLength + static_cast<std::size_t>(random.below(static_cast<int>(body))));
            break;
        case 3:
            file = cut(file, headerLength + static_cast<std::size_t>(random.below(static_cast<int>(body))));
            break;
        case 5:
            file = flipped(file, file.size() - 1 - static_cast<std::size_t>(random.below(4)));
            break;
        default:
            break;
        }
        write(dir / ("doc-" + std::to_string(n) + ".edg"), file);
    }
    return 0;
}
