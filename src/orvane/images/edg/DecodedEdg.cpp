#include "orvane/images/edg/DecodedEdg.h"

namespace orvane::images::edg {

std::optional<inflate::Confirmation> DecodedEdg::confirm() {
    std::optional<inflate::Confirmation> confirmed = body_.confirm();
    if (!confirmed) return std::nullopt;
    if (failure_) std::rethrow_exception(failure_);
    return confirmed;
}

} // namespace orvane::images::edg
