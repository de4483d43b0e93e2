#include "cli/document_file_arguments.h"

#include <charconv>
#include <cstdio>

#include "base/value_limits.h"
#include "cli/commands.h"
#include "document/document.h"
#include "document/document_io.h"
#include "scales/chord_text.h"

namespace kelvara::cli {
namespace {

// Parses all of `text` as a number, independently of the locale.
template <typename Number>
bool parse_number(std::string_view text, Number& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

// Says on stderr which values the reader brought into bounds; the command goes on.
void report_clamped(const std::string& path, const std::vector<std::string>& clamped) {
    for (const std::string& change : clamped)
        std::fprintf(stderr, "kelvara-cli: %s: brought into bounds: %s\n", path.c_str(),
                     change.c_str());
}

DocumentFileState read_document_state(const std::string& path) {
    Result<DocumentFileState> state = read_document_file_state(path);
    if (!state) throw DocumentFileFailure(state.error());
    report_clamped(path, state->clamped_on_read);
    return std::move(*state);
}

void read_document(const std::string& path, Document& document) {
    if (const Result<void> read = read_document_file(path, document); !read)
        throw DocumentFileFailure(read.error());
    report_clamped(path, document.values_clamped_on_read());
}

std::pair<int32_t, TypedChord> parse_chord_argument(const std::string& text) {
    const size_t mark = text.find_first_of("=:");
    int32_t key = 0;
    if (mark == std::string::npos || !parse_number(std::string_view(text).substr(0, mark), key))
        throw UsageError("--chord needs KEY=CHORD with an integer key: " + text);
    const std::string_view chord_text = std::string_view(text).substr(mark + 1);
    if (chord_text.empty()) return {key, TypedChord{}};
    Result<TypedChord> chord = parse_typed_chord(chord_text);
    if (!chord) throw UsageError("--chord " + text + ": " + chord.error().description);
    return {key, std::move(*chord)};
}

std::vector<Partial> parse_partials_argument(const std::string& text) {
    std::vector<Partial> partials;
    std::string_view rest = text;
    do {
        const size_t comma = rest.find(',');
        const std::string_view entry = rest.substr(0, comma);
        const size_t colon = entry.find(':');
        Partial partial;
        if (colon == std::string_view::npos ||
            !parse_number(entry.substr(0, colon), partial.ratio) ||
            !parse_number(entry.substr(colon + 1), partial.amplitude))
            throw UsageError("--partials needs RATIO:AMPLITUDE,... with numbers: '" +
                             std::string(entry) + "'");
        partials.push_back(partial);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    } while (!rest.empty());
    return partials;
}

}  // namespace kelvara::cli
