#pragma once

#include "concurrency/Route.h"
#include "io/Bytes.h"
#include "orvane/images/edg/EdgImage.h"
#include "orvane/inflate/Confirmation.h"

namespace app {

// What a front end makes of a decoded document: outputs that are not in
// place yet (write), then, once zlib has agreed with the body they were made
// of, put in place (commit). The PSD file, the page's streamed PSD and every
// export format plug in here.
class DocumentWriter {
public:
    virtual ~DocumentWriter() = default;
    // Encodes the document on the route into outputs not in place. Called
    // again, on one thread, after discard() where the first attempt is given
    // up.
    virtual void write(const orvane::images::edg::EdgImage& image, concurrency::Route route) = 0;
    // Drops everything write made.
    virtual void discard() = 0;
    virtual void commit(const orvane::inflate::Confirmation& confirmed) = 0;
};

// The one road from an Edge file's bytes to its written outputs, which every
// front end takes: decode, write, zlib's verdict on the body, commit.
class Pipeline {
public:
    // On the helped route where helpers are worth starting; on one thread
    // where they are not, where zlib made another body of the stream than the
    // fast decoder, or where the helped route ran short of memory. Raises
    // the file's error.
    static void run(const io::Bytes& input, DocumentWriter& writer);
};

} // namespace app
