#include "app/Pipeline.h"

#include <new>
#include <optional>
#include <stdexcept>

#include "app/Heap.h"
#include "concurrency/Helpers.h"
#include "orvane/images/edg/EdgDecoder.h"

namespace app {

namespace {

using concurrency::Route;
using orvane::inflate::Confirmation;

// One attempt. zlib's verdict on an Edge2 body is asked before any outcome of
// the work counts, its result or its error: zlib's error wins over whatever
// was found in what the fast decoder made. Nothing where zlib made another
// body of the stream than the fast decoder.
std::optional<Confirmation> attempt(const io::Bytes& input, DocumentWriter& writer, Route route) {
    orvane::images::edg::DecodedEdg decoded = orvane::images::edg::EdgDecoder::decode(input, route);
    decoded.use([&](const orvane::images::edg::EdgImage& image) { writer.write(image, route); });
    return decoded.confirm();
}

// The helped route gives way to the one-thread route where it runs short of
// memory (a capped process never takes it: see Helpers::worthStarting): its
// helpers' stacks, the fast decoder's buffer and the writer's buffers take
// memory the one-thread route does without. Everything the attempt held is
// released, and given back to the system, before the one-thread route
// starts.
std::optional<Confirmation> attemptHelped(const io::Bytes& input, DocumentWriter& writer) {
    std::optional<Confirmation> confirmed;
    try {
        confirmed = attempt(input, writer, Route::Helped);
    } catch (const std::bad_alloc&) {}
    if (!confirmed) {
        writer.discard();
        Heap::giveBack();
    }
    return confirmed;
}

} // namespace

void Pipeline::run(const io::Bytes& input, DocumentWriter& writer) {
    std::optional<Confirmation> confirmed;
    if (concurrency::Helpers::worthStarting()) confirmed = attemptHelped(input, writer);
    if (!confirmed) confirmed = attempt(input, writer, Route::OneThread);
    // On one thread zlib made the body: its verdict is in, or raised.
    if (!confirmed) throw std::logic_error("zlib made another body on one thread");
    writer.commit(*confirmed);
}

} // namespace app
