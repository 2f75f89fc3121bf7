#include "io/IoError.h"

#include <utility>

namespace io {

IoError IoError::custom(std::vector<std::string> value) {
    IoError error(Kind::Custom);
    error.custom_ = std::move(value);
    return error;
}

std::string IoError::text() const {
    switch (kind_) {
    case Kind::Blocked:
        return "Blocked";
    case Kind::Overflow:
        return "Overflow";
    case Kind::OutsideBounds:
        return "OutsideBounds";
    case Kind::Custom:
        break;
    }
    std::string list = "[";
    for (std::size_t i = 0; i < custom_.size(); ++i) {
        if (i > 0) list += ",";
        list += custom_[i];
    }
    return "Custom(" + list + "])";
}

} // namespace io
