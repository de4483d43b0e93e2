#include "base/error.h"

#include <cstring>

namespace kelvara {

bool ErrorLocation::empty() const {
    return file.empty() && !line && !column && !offset && field.empty();
}

std::string ErrorLocation::text() const {
    std::string text;
    const auto add = [&text](const std::string& part) {
        text += (text.empty() ? "" : ", ") + part;
    };
    if (!file.empty()) add(file);
    if (!field.empty()) add("\"" + field + "\"");
    if (line) add("line " + std::to_string(*line));
    if (column) add("column " + std::to_string(*column));
    if (offset) {
        const std::string byte = "byte " + std::to_string(*offset);
        text = text.empty() ? byte : text + " (" + byte + ")";
    }
    return text;
}

std::string Error::located_detail() const {
    if (detail.empty()) return {};
    const std::string place = where.text();
    return place.empty() ? detail : place + ": " + detail;
}

std::string Error::explanation() const {
    const std::string located = located_detail();
    if (reason.empty()) return located;
    if (located.empty()) return reason;
    return reason + "\n" + located;
}

Error refusal(std::string message) {
    Error error;
    error.description = std::move(message);
    return error;
}

Error system_error(int errno_value, std::string description, std::string file) {
    // strerror is not thread-safe; strerror_r (GNU form) writes into our buffer or returns a
    // static text.
    char buffer[256] = {};
    const char* text = strerror_r(errno_value, buffer, sizeof buffer);
    Error error{ErrorKind::System, errno_value, std::move(description), text, {}, {}};
    error.where.file = std::move(file);
    return error;
}

}  // namespace kelvara
