#include "base/error.h"

#include <cstring>

namespace kelvara {

std::string ErrorStrings::text_for(std::string_view key) const {
    const auto found = _texts.find(key);
    if (found == _texts.end() || found->second.empty()) return std::string(key);
    return found->second;
}

DocumentError unknown_read_error(const ErrorStrings& strings) {
    return {std::string(kKelvaraErrorDomain), kUnknownReadErrorCode,
            strings.text_for(kUnknownReadDescriptionKey), strings.text_for(kUnknownReadReasonKey)};
}

DocumentError unsupported_type_error() {
    return {std::string(kOSStatusErrorDomain), kUnsupportedTypeStatus, {}, {}};
}

DocumentError posix_error(int errno_value, std::string description) {
    // strerror is not thread-safe; strerror_r (GNU form) writes into our buffer or returns a
    // static text.
    char buffer[256] = {};
    const char* text = strerror_r(errno_value, buffer, sizeof buffer);
    return {std::string(kPOSIXErrorDomain), errno_value, std::move(description), text};
}

}  // namespace kelvara
