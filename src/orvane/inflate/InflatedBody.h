#pragma once

#include <memory>
#include <optional>

#include "io/Bytes.h"
#include "orvane/inflate/Confirmation.h"
#include "orvane/inflate/ZlibInflater.h"

namespace orvane::inflate {

class StreamCheck;

// A body inflated from a zlib stream, and zlib's verdict on that stream.
// zlib decides every error. Where zlib made the body, its verdict is in: the
// body is confirmed by construction. Where the fast decoder made it, the
// stream is still being checked against zlib's rules on a helper thread: the
// body may be read meanwhile, but nothing made of it may be put in place
// without the Confirmation that confirm() gives where zlib agrees. A caller
// that asks confirm() before any outcome of its own (a result or an error)
// has zlib's error win over everything found in the body.
class InflatedBody {
public:
    // No body: nothing to confirm.
    InflatedBody();
    // zlib's own body.
    explicit InflatedBody(io::Bytes zlibs);
    // The fast decoder's body, its length and Adler-32, and the check of its
    // stream, running. The stream's bytes must outlive the check.
    InflatedBody(io::Bytes fast, ZlibInflater::Summary summary, std::unique_ptr<StreamCheck> check);
    InflatedBody(InflatedBody&&) noexcept;
    // No assignment: it could drop a check unasked.
    InflatedBody& operator=(InflatedBody&&) = delete;
    // A body still under check whose verdict was never asked for is a
    // programming error: the strict builds (sanitizers, debug) abort on it;
    // the others wait for the check and drop its verdict, and nothing made of
    // the body was put in place, since that takes a Confirmation.
    ~InflatedBody();

    const io::Bytes& bytes() const { return body_; }
    // zlib's verdict, waiting for the check: raises zlib's error where zlib
    // refuses the stream; nothing where it makes another body of it (inflate
    // the stream again with zlib alone); the Confirmation where they agree.
    [[nodiscard]] std::optional<Confirmation> confirm();

private:
    io::Bytes body_;
    ZlibInflater::Summary summary_;
    std::unique_ptr<StreamCheck> check_; // until its verdict is in
    std::optional<bool> agrees_;         // zlib's verdict, once in
    bool asked_ = false;
};

} // namespace orvane::inflate
