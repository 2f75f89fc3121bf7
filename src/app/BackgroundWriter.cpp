#include "app/BackgroundWriter.h"

namespace app {

bool BackgroundWriter::start(concurrency::Route route) {
    return worker_.start(route, [this] {
        buffers_.serve([this](io::ByteArray& buffer) { return write_(buffer.data(), buffer.size()); });
    });
}

BackgroundWriter::~BackgroundWriter() {
    // The thread, if any, ends once what was handed over is written; the
    // worker then joins it.
    buffers_.close();
}

bool BackgroundWriter::handOver(io::ByteArray& buffer) {
    if (!buffers_.put(buffer)) return false;
    // A written buffer comes back: emptied, it keeps its capacity.
    buffer.resize(0);
    return true;
}

} // namespace app
