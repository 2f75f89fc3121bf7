#include "orvane/bytes/FastInflater.h"

#include <dlfcn.h>
#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

#include "io/ByteArray.h"
#include "orvane/bytes/Adler32.h"
#include "orvane/bytes/BackgroundTask.h"
#include "orvane/bytes/CpuFeatures.h"
#include "orvane/bytes/DeflateCheck.h"
#include "orvane/bytes/Inflater.h"

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

// igzip's output buffer, faulted in just ahead of igzip by the check's
// thread, between the blocks it walks: the kernel's work of providing the
// pages runs beside the inflation instead of inside it. At most a megabyte
// ahead, so at most that much beyond the body; and past the first 256 MiB
// only while the walk is ahead of igzip: the check's verdict comes first (a
// stream zlib refuses early must be refused before igzip has grown a large
// buffer of it).
class Prefault {
public:
    explicit Prefault(io::ByteArray& out) : out_(out), capacity_(out.size()) {}

    // igzip's progress, from the inflating thread.
    void inflated(std::size_t produced) { inflated_.store(produced, std::memory_order_relaxed); }
    // Grows the buffer, from the inflating thread; no page of it is touched
    // meanwhile.
    void grow(std::size_t size) {
        const std::lock_guard lock(mutex_);
        out_.resize(size);
        capacity_ = size;
    }
    // From now on no page of the buffer is touched: it is done.
    void stop() {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
    }

    // On the check's thread, with the bytes the walk has reached.
    void ahead(std::uint64_t walked) {
#ifdef MADV_POPULATE_WRITE
        constexpr std::size_t lookahead = std::size_t{1} << 20;
        constexpr std::size_t step = std::size_t{1} << 20;
        constexpr std::size_t cap = std::size_t{256} << 20;
        const std::size_t inflated = inflated_.load(std::memory_order_relaxed);
        if (walked < inflated && faulted_ >= cap) return;
        const std::size_t target = inflated + lookahead;
        static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        for (;;) {
            const std::lock_guard lock(mutex_);
            const std::size_t end = std::min({target, capacity_, faulted_ + step});
            if (stopped_ || faulted_ >= end) return;
            const auto from = reinterpret_cast<std::uintptr_t>(out_.data() + faulted_) / page * page;
            const auto to = reinterpret_cast<std::uintptr_t>(out_.data() + end);
            // Advice only: a kernel without it, or memory short, ends the prefault.
            if (::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE) != 0) stopped_ = true;
            faulted_ = end;
        }
#else
        (void)walked;
#endif
    }

private:
    io::ByteArray& out_;
    std::mutex mutex_;
    std::size_t capacity_;
    std::size_t faulted_ = 0;
    bool stopped_ = false;
    std::atomic<std::size_t> inflated_{0};
};

// Whether zlib would accept a stream, and what it would make of it: first
// the deflate check, on a thread of its own where there is one; where the
// check declines, zlib's own inflation, which raises zlib's error.
class StreamCheck {
public:
    // out: igzip's buffer, faulted in ahead of igzip by the check's thread.
    StreamCheck(const std::uint8_t* data, std::size_t length, std::int32_t maxLength, io::ByteArray& out)
        : data_(data), length_(length), maxLength_(maxLength), prefault_(out), task_([this] { run(); }) {}
    StreamCheck(const StreamCheck&) = delete;
    StreamCheck& operator=(const StreamCheck&) = delete;

    // False when no thread could be had: the check has then run here.
    bool start() {
        task_.start();
        return task_.threaded();
    }
    Prefault& prefault() { return prefault_; }
    bool finished() const { return known_ || finished_.load(std::memory_order_acquire); }
    // Whether the deflate check, finished, found the stream good.
    bool accepted() const { return accepted_; }
    // What zlib makes of the stream, its length and check value, or zlib's
    // error raised here.
    Inflater::Summary verdict() {
        task_.wait();
        if (!known_ && !accepted_) summary_ = Inflater::verify(data_, length_, maxLength_);
        known_ = true;
        return summary_;
    }

private:
    // The check, with the prefault between blocks.
    void run() {
        const std::size_t raw = std::min<std::size_t>(length_ - 2, std::numeric_limits<std::uint32_t>::max());
        DeflateCheck::Accepted accepted;
        const auto betweenBlocks = [this](std::uint64_t walked) { prefault_.ahead(walked); };
        if (DeflateCheck::accepts(data_ + 2, raw, static_cast<std::uint64_t>(std::max(maxLength_, 0)), accepted,
                                  betweenBlocks) &&
            raw - accepted.used >= 4) {
            const std::uint8_t* check = data_ + 2 + accepted.used;
            const std::uint32_t adler =
                std::uint32_t{check[0]} << 24 | std::uint32_t{check[1]} << 16 | std::uint32_t{check[2]} << 8 | check[3];
            summary_ = {static_cast<std::size_t>(accepted.length), adler};
            accepted_ = true;
        }
        finished_.store(true, std::memory_order_release);
    }

    const std::uint8_t* data_;
    std::size_t length_;
    std::int32_t maxLength_;
    Prefault prefault_;
    Inflater::Summary summary_;
    bool accepted_ = false; // by the deflate check: summary_ is zlib's
    bool known_ = false;    // zlib's verdict is in summary_
    std::atomic<bool> finished_{false};
    BackgroundTask task_; // last: it ends, and waits for the check, first
};

// The check of the body returned last on this thread, and what igzip
// made of the stream.
struct PendingVerdict {
    std::unique_ptr<StreamCheck> check;
    Inflater::Summary fast;
};

thread_local PendingVerdict pending;

// igzip's inflation of the raw deflate data after the two header bytes, with
// its length and Adler-32; false when igzip stops short of the stream's end
// (damaged or cut data, or a body beyond maxOutput). Before the buffer grows,
// a finished check is taken: a stream zlib refuses early raises its error
// then, instead of growing a large buffer of what igzip makes of it.
bool inflateWithIgzip(const std::uint8_t* data, std::size_t length, std::size_t maxOutput, StreamCheck& check,
                      io::ByteArray& out, Inflater::Summary& summary) {
    inflate_state state;
    igzip()->init(&state);
    state.crc_flag = ISAL_DEFLATE;
    state.next_in = const_cast<std::uint8_t*>(data + 2);
    state.avail_in =
        static_cast<std::uint32_t>(std::min<std::size_t>(length - 2, std::numeric_limits<uint32_t>::max()));
    // The check value is summed piece by piece, while each piece is in cache.
    constexpr std::size_t piece = std::size_t{1} << 20;
    std::size_t produced = 0;
    std::uint32_t adler = Adler32::INITIAL;
    for (;;) {
        if (produced == out.size()) {
            if (check.finished()) check.verdict();
            if (out.size() == maxOutput) return false;
            check.prefault().grow(std::min(maxOutput, out.size() * 2));
        }
        const std::size_t room = std::min(out.size() - produced, piece);
        state.next_out = out.data() + produced;
        state.avail_out = static_cast<std::uint32_t>(room);
        const int rc = igzip()->inflate(&state);
        const std::size_t made = room - state.avail_out;
        adler = Adler32::update(adler, out.data() + produced, made);
        produced += made;
        check.prefault().inflated(produced);
        if (state.block_state == ISAL_BLOCK_FINISH) break;
        if (rc < 0 || (made == 0 && state.avail_in == 0)) return false;
    }
    summary = {produced, adler};
    out.resize(produced);
    return true;
}

} // namespace

bool FastInflater::worthwhile(std::size_t compressedLength) {
    return CpuFeatures::secondCpu() && compressedLength >= smallestWorthwhile && igzip() != nullptr;
}

io::Bytes FastInflater::uncompress(const std::uint8_t* data, std::size_t length, std::int32_t maxLength) {
    pending.check.reset(); // an earlier check nobody asked for
    // A header zlib refuses is refused at once, as zlib alone would.
    Inflater::checkHeader(data, length);
    const auto maxOutput = static_cast<std::size_t>(std::max(maxLength, 0));
    // Declared before the check, so the check's thread ends before it goes.
    io::ByteArray out;
    out.resize(std::min(maxOutput, Inflater::firstCapacity(length)));
    auto check = std::make_unique<StreamCheck>(data, length, maxLength, out);
    // Without a second thread the check runs first, and zlib alone where it declines.
    if (!check->start() && !check->accepted()) return Inflater::uncompressAtMost(data, length, maxLength);
    Inflater::Summary fast;
    const bool inflated = inflateWithIgzip(data, length, maxOutput, *check, out, fast);
    check->prefault().stop();
    if (!inflated) {
        // Where igzip fails, zlib's inflation gives the error, or the body,
        // in memory of its own.
        out = io::ByteArray();
        return Inflater::uncompressAtMost(data, length, maxLength);
    }
    pending = {std::move(check), fast};
    return io::Bytes(std::move(out));
}

bool FastInflater::takeVerdict() {
    if (!pending.check) return true;
    const std::unique_ptr<StreamCheck> check = std::move(pending.check);
    const Inflater::Summary checked = check->verdict();
    return checked.length == pending.fast.length && checked.adler == pending.fast.adler;
}

} // namespace orvane::bytes
