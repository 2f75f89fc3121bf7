#include "orvane/inflate/InflatedBody.h"

#include "orvane/inflate/StreamCheck.h"

namespace orvane::inflate {

InflatedBody::InflatedBody() : verdict_(Verdict::Confirmed) {}

InflatedBody::InflatedBody(io::Bytes zlibs) : body_(std::move(zlibs)), verdict_(Verdict::Confirmed) {}

InflatedBody::InflatedBody(io::Bytes fast, ZlibInflater::Summary summary, std::unique_ptr<StreamCheck> check)
    : body_(std::move(fast)), summary_(summary), check_(std::move(check)) {}

InflatedBody::InflatedBody(InflatedBody&&) noexcept = default;

InflatedBody& InflatedBody::operator=(InflatedBody&&) noexcept = default;

InflatedBody::~InflatedBody() = default;

InflatedBody::Verdict InflatedBody::confirm() {
    if (verdict_) return *verdict_;
    // Raises zlib's error; the check stays, so asking again raises it again.
    const ZlibInflater::Summary zlibs = check_->verdict();
    verdict_ = zlibs.length == summary_.length && zlibs.adler == summary_.adler ? Verdict::Confirmed : Verdict::Differs;
    check_.reset();
    return *verdict_;
}

} // namespace orvane::inflate
