#pragma once

namespace orvane::inflate {

// Proof that zlib's verdict on an inflated body is in and that zlib makes
// that body of its stream: putting an output in place takes one. Only
// InflatedBody::confirm() makes it, so an output made of a body the fast
// decoder inflated cannot be put in place before zlib has agreed.
class Confirmation {
public:
    Confirmation(Confirmation&&) noexcept = default;
    Confirmation& operator=(Confirmation&&) noexcept = default;
    Confirmation(const Confirmation&) = delete;
    Confirmation& operator=(const Confirmation&) = delete;

private:
    friend class InflatedBody;
    Confirmation() = default;
};

} // namespace orvane::inflate
