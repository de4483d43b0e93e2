#include "cli/document_file_arguments.h"

#include <charconv>
#include <variant>

#include "base/error.h"
#include "cli/commands.h"
#include "document/document.h"
#include "document/document_io.h"
#include "persistence/atomic_file.h"

namespace kelvara::cli {
namespace {

[[noreturn]] void throw_failure(const DocumentError& error, std::string detail = {}) {
    throw DocumentFileFailure(error.description, error.reason, std::move(detail));
}

// Parses all of `text` as a number, independently of the locale.
template <typename Number>
bool parse_number(std::string_view text, Number& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

DocumentFileState read_document_state(const std::string& path) {
    auto content = read_whole_file(path, kMaxDocumentFileBytes);
    if (const auto* error = std::get_if<DocumentError>(&content)) {
        if (error->code == EFBIG) throw_failure(unknown_read_error(), "the file is too long");
        throw_failure(*error);
    }
    try {
        return decode_document_state(std::get<std::string>(content));
    } catch (const FileFormatError& refused) {
        throw_failure(unknown_read_error(), refused.what());
    }
}

void read_document(const std::string& path, KelvaraDocument& document) {
    // Decoding first gives the reason for a refused file; the document then reads the same
    // content through its own hook.
    read_document_state(path);
    if (const auto error = read_document_file(path, document)) throw_failure(*error);
}

std::pair<int32_t, std::vector<float>> parse_chord_argument(const std::string& text) {
    const size_t equals = text.find('=');
    int32_t key = 0;
    if (equals == std::string::npos || !parse_number(std::string_view(text).substr(0, equals), key))
        throw UsageError("--chord needs KEY=F1,F2,... with an integer key: " + text);
    std::vector<float> frequencies;
    std::string_view rest = std::string_view(text).substr(equals + 1);
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        float frequency = 0.0f;
        if (!parse_number(rest.substr(0, comma), frequency))
            throw UsageError("--chord frequency is not a number: " + text);
        frequencies.push_back(frequency);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    return {key, std::move(frequencies)};
}

}  // namespace kelvara::cli
