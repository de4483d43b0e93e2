#include "scales/chord_text.h"

#include <cmath>

#include "base/system_texts.h"
#include "scales/decimal_text.h"

namespace kelvara {
namespace {

bool is_separator(char c) {
    return kChordSeparators.find(c) != std::string_view::npos;
}

size_t skip_white_space(std::string_view text, size_t at) {
    while (at < text.size() && is_white_space(text[at])) ++at;
    return at;
}

// One field read as a chord tone, or nothing when the field is rejected.
std::optional<float> tone_of_field(std::string_view field) {
    if (field.empty()) return std::nullopt;
    const LeadingNumber number = read_leading_number(field);
    if (number.out_of_range) return std::nullopt;
    const auto tone = static_cast<float>(number.value);
    if (!std::isfinite(tone)) return std::nullopt;
    // Zero is accepted only as the plain text "0": anything else that reads as zero is far
    // more likely a typing slip (abc, 0.0 where 0.01 was meant) than a wish for 0 Hz.
    if (tone == 0.0f && field != "0") return std::nullopt;
    return tone;
}

}  // namespace

std::string chord_text(const Chord& chord) {
    std::string text;
    text.reserve(6);
    for (size_t i = 0; i < chord.size(); ++i) {
        if (i > 0) text += ',';
        text += number_text(chord[i]);
    }
    return text;
}

Result<Chord> parse_chord(std::string_view text) {
    Chord parsed;
    parsed.reserve(1);
    size_t at = skip_white_space(text, 0);
    while (at < text.size()) {
        size_t end = at;
        while (end < text.size() && !is_separator(text[end])) ++end;
        const std::string_view field = text.substr(at, end - at);
        const std::optional<float> tone = tone_of_field(field);
        if (!tone) {
            Error error;
            error.description = std::string(localized_string(kIncorrectlyFormattedChordKey));
            error.detail = field.empty() ? "an empty field"
                                         : "\"" + std::string(field) + "\" is not a frequency";
            error.where.offset = at;
            return error;
        }
        parsed.push_back(*tone);
        // Step over the one separator that ended the field, then the white space before
        // the next field; only white space left ends the text.
        at = end < text.size() ? end + 1 : end;
        at = skip_white_space(text, at);
    }
    return parsed;
}

}  // namespace kelvara
