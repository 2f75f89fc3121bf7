#include "orvane/inflate/Igzip.h"

#include <dlfcn.h>
#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <limits>

#include "orvane/inflate/InflatePieces.h"
#include "orvane/inflate/StreamCheck.h"

namespace orvane::inflate {

namespace {

// The library, loaded for one inflation and unloaded after it, its address
// space given back.
class Library {
public:
    Library() : handle_(::dlopen("libisal.so.2", RTLD_NOW | RTLD_LOCAL)) {
        if (handle_ == nullptr) return;
        init = reinterpret_cast<void (*)(inflate_state*)>(::dlsym(handle_, "isal_inflate_init"));
        inflate = reinterpret_cast<int (*)(inflate_state*)>(::dlsym(handle_, "isal_inflate"));
    }
    ~Library() {
        if (handle_ != nullptr) ::dlclose(handle_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool loaded() const { return init != nullptr && inflate != nullptr; }

    void (*init)(inflate_state*) = nullptr;
    int (*inflate)(inflate_state*) = nullptr;

private:
    void* handle_;
};

} // namespace

bool Igzip::available() {
    static const bool loads = Library().loaded();
    return loads;
}

std::optional<ZlibInflater::Summary> Igzip::inflate(const std::uint8_t* data, std::size_t length, std::size_t limit,
                                                    StreamCheck& check, io::ByteArray& out) {
    const Library igzip;
    if (!igzip.loaded()) return std::nullopt;
    inflate_state state;
    igzip.init(&state);
    state.crc_flag = ISAL_DEFLATE;
    state.next_in = const_cast<std::uint8_t*>(data + 2);
    state.avail_in =
        static_cast<std::uint32_t>(std::min<std::size_t>(length - 2, std::numeric_limits<uint32_t>::max()));
    // out is the buffer Prefault guards, read here without its lock: safe,
    // since only this thread changes it (grow, which takes the lock), and the
    // check's thread only reads it, under the lock.
    const Pieces pieces = inflateInPieces(
        [&](std::size_t produced, std::size_t& wanted) -> std::uint8_t* {
            check.prefault().inflated(produced);
            if (produced == out.size()) {
                if (check.declined() || out.size() == limit) {
                    wanted = 0;
                    return nullptr;
                }
                check.prefault().grow(std::min(limit, out.size() * 2));
            }
            wanted = std::min(wanted, out.size() - produced);
            return out.data() + produced;
        },
        [&](std::uint8_t* target, std::size_t n) {
            state.next_out = target;
            state.avail_out = static_cast<std::uint32_t>(n);
            const std::uint32_t inputBefore = state.avail_in;
            const int rc = igzip.inflate(&state);
            // igzip's state is read only after its result, and only within the
            // room and the input it was given: after an error it can report
            // more room left than it had (a count that would wrap), and what
            // it wrote then is not a body. Anything out of bounds is damage,
            // and damage means nothing was made: zlib decides.
            if (rc != ISAL_DECOMP_OK || state.avail_out > n || state.avail_in > inputBefore)
                return Piece{0, PiecesEnd::Stopped};
            const std::size_t made = n - state.avail_out;
            if (state.block_state == ISAL_BLOCK_FINISH) return Piece{made, PiecesEnd::Ended};
            if (made == 0 && state.avail_in == 0) return Piece{made, PiecesEnd::Stopped};
            return Piece{made, PiecesEnd::Full};
        });
    if (pieces.end != PiecesEnd::Ended) return std::nullopt;
    out.resize(pieces.produced);
    return ZlibInflater::Summary{pieces.produced, pieces.adler};
}

} // namespace orvane::inflate
