#pragma once

#include <memory>
#include <optional>

#include "io/Bytes.h"
#include "orvane/inflate/ZlibInflater.h"

namespace orvane::inflate {

class StreamCheck;

// A body inflated from a zlib stream, and zlib's verdict on that stream.
// zlib decides every error. Where zlib made the body, its verdict is in.
// Where the fast decoder made it, the stream is still being checked against
// zlib's rules on a helper thread: the body may be read meanwhile, but
// nothing made of it counts until confirm() says that zlib agrees. A caller
// that asks confirm() before any outcome of its own (a result or an error)
// has zlib's error win over everything found in the body.
class InflatedBody {
public:
    enum class Verdict {
        Confirmed, // zlib makes this body of the stream
        Differs    // zlib accepts the stream but makes another body of it
    };

    // No body: nothing to confirm.
    InflatedBody();
    // zlib's own body.
    explicit InflatedBody(io::Bytes zlibs);
    // The fast decoder's body, its length and Adler-32, and the check of its
    // stream, running. The stream's bytes must outlive the check.
    InflatedBody(io::Bytes fast, ZlibInflater::Summary summary, std::unique_ptr<StreamCheck> check);
    InflatedBody(InflatedBody&&) noexcept;
    InflatedBody& operator=(InflatedBody&&) noexcept;
    // A check never asked for is waited for, and its verdict goes unheard.
    ~InflatedBody();

    const io::Bytes& bytes() const { return body_; }
    // zlib's verdict, waiting for the check: raises zlib's error where zlib
    // refuses the stream; Differs where it makes another body (inflate the
    // stream again with zlib alone); Confirmed where they agree.
    [[nodiscard]] Verdict confirm();

private:
    io::Bytes body_;
    ZlibInflater::Summary summary_;
    std::unique_ptr<StreamCheck> check_; // until its verdict is in
    std::optional<Verdict> verdict_;
};

} // namespace orvane::inflate
