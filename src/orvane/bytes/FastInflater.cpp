#include "orvane/bytes/FastInflater.h"

#include <dlfcn.h>
#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <limits>
#include <memory>

#include "io/ByteArray.h"
#include "orvane/bytes/Adler32.h"
#include "orvane/bytes/CpuFeatures.h"
#include "orvane/bytes/Inflater.h"
#include "orvane/bytes/WorkerThreadPosix.h"

namespace orvane::bytes {

namespace {

// Below this many compressed bytes, starting a thread costs more than
// inflating faster saves.
constexpr std::size_t smallestWorthwhile = std::size_t{1} << 16;

// ISA-L is loaded the first time a body is large enough for it: the program's
// start-up, and every run of small files, does not pay for loading it. Where
// it cannot be loaded, zlib does the work alone.
struct Igzip {
    void (*init)(inflate_state*) = nullptr;
    int (*inflate)(inflate_state*) = nullptr;
};

const Igzip* igzip() {
    static const Igzip* const loaded = []() -> const Igzip* {
        void* library = ::dlopen("libisal.so.2", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) return nullptr;
        static Igzip functions;
        functions.init = reinterpret_cast<void (*)(inflate_state*)>(::dlsym(library, "isal_inflate_init"));
        functions.inflate = reinterpret_cast<int (*)(inflate_state*)>(::dlsym(library, "isal_inflate"));
        return functions.init != nullptr && functions.inflate != nullptr ? &functions : nullptr;
    }();
    return loaded;
}

// zlib's check of a stream, run on a thread of its own. The task keeps the
// check's outcome, summary or error, for whoever waits on the future.
class ZlibCheck {
public:
    ZlibCheck(const std::uint8_t* data, std::size_t length, std::int32_t maxLength)
        : task_([=] { return Inflater::verify(data, length, maxLength); }), outcome_(task_.get_future()) {}
    ZlibCheck(const ZlibCheck&) = delete;
    ZlibCheck& operator=(const ZlibCheck&) = delete;
    ~ZlibCheck() { join(); }

    // False when no thread can be had; the caller then does without.
    bool start() {
        started_ = startWorkerThread(thread_, run, this);
        return started_;
    }
    bool finished() const { return known_ || outcome_.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }
    // zlib's summary, or its error raised here; once known, the summary again.
    Inflater::Summary verdict() {
        join();
        if (!known_) {
            summary_ = outcome_.get();
            known_ = true;
        }
        return summary_;
    }

private:
    static void* run(void* self) {
        static_cast<ZlibCheck*>(self)->task_();
        return nullptr;
    }
    void join() {
        if (started_) ::pthread_join(thread_, nullptr);
        started_ = false;
    }

    std::packaged_task<Inflater::Summary()> task_;
    std::future<Inflater::Summary> outcome_;
    Inflater::Summary summary_;
    bool known_ = false;
    pthread_t thread_{};
    bool started_ = false;
};

// zlib's check of the body returned last on this thread, and what igzip
// made of the stream.
struct PendingVerdict {
    std::unique_ptr<ZlibCheck> zlib;
    Inflater::Summary fast;
};

thread_local PendingVerdict pending;

// igzip's inflation of the raw deflate data after the two header bytes, with
// its length and Adler-32; false when igzip stops short of the stream's end
// (damaged or cut data, or a body beyond maxOutput). Before the buffer grows,
// a check zlib has finished is taken: a stream zlib refuses early raises its
// error then, instead of growing a large buffer of what igzip makes of it.
bool inflateWithIgzip(const std::uint8_t* data, std::size_t length, std::size_t maxOutput, ZlibCheck& zlib,
                      io::ByteArray& out, Inflater::Summary& summary) {
    inflate_state state;
    igzip()->init(&state);
    state.crc_flag = ISAL_DEFLATE;
    state.next_in = const_cast<std::uint8_t*>(data + 2);
    state.avail_in =
        static_cast<std::uint32_t>(std::min<std::size_t>(length - 2, std::numeric_limits<uint32_t>::max()));
    out.resize(std::min(maxOutput, Inflater::firstCapacity(length)));
    // The check value is summed piece by piece, while each piece is in cache.
    constexpr std::size_t piece = std::size_t{1} << 20;
    std::size_t produced = 0;
    std::uint32_t adler = Adler32::INITIAL;
    for (;;) {
        if (produced == out.size()) {
            if (zlib.finished()) zlib.verdict();
            if (out.size() == maxOutput) return false;
            out.resize(std::min(maxOutput, out.size() * 2));
        }
        const std::size_t room = std::min(out.size() - produced, piece);
        state.next_out = out.data() + produced;
        state.avail_out = static_cast<std::uint32_t>(room);
        const int rc = igzip()->inflate(&state);
        const std::size_t made = room - state.avail_out;
        adler = Adler32::update(adler, out.data() + produced, made);
        produced += made;
        if (state.block_state == ISAL_BLOCK_FINISH) break;
        if (rc < 0 || (made == 0 && state.avail_in == 0)) return false;
    }
    summary = {produced, adler};
    out.resize(produced);
    return true;
}

} // namespace

bool FastInflater::worthwhile(std::size_t compressedLength) {
    return CpuFeatures::secondCpu() && compressedLength >= smallestWorthwhile && igzip() != nullptr &&
           CpuFeatures::idleCpu();
}

io::Bytes FastInflater::uncompress(const std::uint8_t* data, std::size_t length, std::int32_t maxLength) {
    pending.zlib.reset(); // an earlier check nobody asked for
    // A header zlib refuses is refused at once, as zlib alone would.
    Inflater::checkHeader(data, length);
    auto zlib = std::make_unique<ZlibCheck>(data, length, maxLength);
    if (!zlib->start()) return Inflater::uncompressAtMost(data, length, maxLength);
    io::ByteArray out;
    Inflater::Summary fast;
    if (!inflateWithIgzip(data, length, static_cast<std::size_t>(std::max(maxLength, 0)), *zlib, out, fast)) {
        zlib->verdict(); // zlib's error, if it has one
        return Inflater::uncompressAtMost(data, length, maxLength);
    }
    pending = {std::move(zlib), fast};
    return io::Bytes(std::move(out));
}

bool FastInflater::takeVerdict() {
    if (!pending.zlib) return true;
    const std::unique_ptr<ZlibCheck> zlib = std::move(pending.zlib);
    const Inflater::Summary checked = zlib->verdict();
    return checked.length == pending.fast.length && checked.adler == pending.fast.adler;
}

} // namespace orvane::bytes
