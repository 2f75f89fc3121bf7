#include "orvane/inflate/InflatedBody.h"

#include <cstdio>
#include <cstdlib>

#include "orvane/inflate/StreamCheck.h"

namespace orvane::inflate {

namespace {

// Set by the build: on in the sanitizer and debug builds.
constexpr bool strictVerdict = TOMEL_STRICT;

} // namespace

InflatedBody::InflatedBody() : agrees_(true) {}

InflatedBody::InflatedBody(io::Bytes zlibs) : body_(std::move(zlibs)), agrees_(true) {}

InflatedBody::InflatedBody(io::Bytes fast, ZlibInflater::Summary summary, std::unique_ptr<StreamCheck> check)
    : body_(std::move(fast)), summary_(summary), check_(std::move(check)) {}

InflatedBody::InflatedBody(InflatedBody&&) noexcept = default;

InflatedBody::~InflatedBody() {
    if (strictVerdict && check_ && !asked_) {
        std::fputs("tomel: a body under check was dropped before its verdict was asked for\n", stderr);
        std::abort();
    }
}

std::optional<Confirmation> InflatedBody::confirm() {
    asked_ = true;
    if (!agrees_) {
        // Raises zlib's error; the check stays, so asking again raises it again.
        const ZlibInflater::Summary zlibs = check_->verdict();
        agrees_ = zlibs.length == summary_.length && zlibs.adler == summary_.adler;
        check_.reset();
    }
    if (!*agrees_) return std::nullopt;
    return Confirmation();
}

} // namespace orvane::inflate
