#include "scales/chord_text.h"

#include "base/value_limits.h"
#include "scales/decimal_text.h"

namespace kelvara {
namespace {

bool is_separator(char c) {
    return kChordSeparators.find(c) != std::string_view::npos;
}

bool is_blank(char c) {
    return is_white_space(c);
}

bool ends_field(char c) {
    return is_separator(c) || is_blank(c);
}

Error refusal_at(size_t offset, const std::string& what) {
    Error error;
    error.description = what + "; separate tones with " + std::string(kChordSeparatorsText);
    error.where.offset = offset;
    return error;
}

std::string quoted(std::string_view text) {
    return "\u2018" + std::string(text) + "\u2019";
}

std::string at_position(size_t offset) {
    return " at position " + std::to_string(offset + 1);
}

// The text from `at` up to the next blank or separator.
std::string_view field_at(std::string_view text, size_t at) {
    size_t end = at;
    while (end < text.size() && !ends_field(text[end])) ++end;
    return text.substr(at, end - at);
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
    size_t at = 0;
    const auto skip_blanks = [&] {
        while (at < text.size() && is_blank(text[at])) ++at;
    };
    skip_blanks();
    if (at == text.size()) return refusal_at(0, "No frequency given: type at least one");
    while (at < text.size()) {
        if (is_separator(text[at]))
            return refusal_at(at,
                              quoted(text.substr(at, 1)) + at_position(at) + ": expected a number");
        const std::string_view field = field_at(text, at);
        const LeadingNumber number = read_leading_number(field);
        if (number.length == 0)
            return refusal_at(at, quoted(field) + at_position(at) + ": expected a number");
        if (number.length < field.size()) {
            const size_t rest = at + number.length;
            return refusal_at(rest, quoted(field.substr(number.length)) + at_position(rest) +
                                        ": expected a number");
        }
        const auto tone = static_cast<float>(number.value);
        if (number.out_of_range || !is_within_bounds(BoundedValue::ChordToneHz, tone))
            return refusal_at(at, quoted(field) + at_position(at) + ": a chord tone must be " +
                                      bounds_text(BoundedValue::ChordToneHz));
        parsed.push_back(tone);
        // Blanks, at most one separator, blanks: then the next number or the end.
        at += field.size();
        skip_blanks();
        if (at < text.size() && is_separator(text[at])) {
            ++at;
            skip_blanks();
        }
    }
    if (parsed.size() > kMaxChordTones) return refusal(chord_size_refusal(parsed.size()));
    return parsed;
}

}  // namespace kelvara
