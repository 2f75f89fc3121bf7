#pragma once

#include <exception>
#include <memory>
#include <optional>

#include "orvane/images/edg/EdgImage.h"
#include "orvane/inflate/Confirmation.h"
#include "orvane/inflate/InflatedBody.h"

namespace orvane::images::edg {

// An Edge document decoded on a route, together with the inflated body its
// layers point into, and zlib's verdict on that body still to be asked for.
// What is made of the document counts only after confirm(): an error found
// in a body the fast decoder made (by the decoder, or by the work done with
// the document) is held, and zlib's error, where zlib refuses the stream,
// wins over it.
class DecodedEdg {
public:
    DecodedEdg(inflate::InflatedBody body, std::unique_ptr<EdgImage> image)
        : body_(std::move(body)), image_(std::move(image)) {}

    // Runs work(const EdgImage&) unless an error is already held; what it
    // raises is held until confirm().
    template <typename Work>
    void use(Work work) noexcept {
        hold([&] { work(static_cast<const EdgImage&>(*image_)); });
    }
    // zlib's verdict first: raises zlib's error; nothing where zlib makes
    // another body of the stream (decode again with zlib alone, whatever was
    // held). Then raises the error held, if any; else the Confirmation.
    [[nodiscard]] std::optional<inflate::Confirmation> confirm();

private:
    // The decoder reads the body into the document through hold() too.
    friend class EdgDecoder;

    template <typename Step>
    void hold(Step step) noexcept {
        if (failure_) return;
        try {
            step();
        } catch (...) {
            failure_ = std::current_exception();
        }
    }

    inflate::InflatedBody body_;
    std::unique_ptr<EdgImage> image_;
    std::exception_ptr failure_;
};

} // namespace orvane::images::edg
