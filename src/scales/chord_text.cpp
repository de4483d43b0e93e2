#include "scales/chord_text.h"

#include <algorithm>

#include "base/value_limits.h"
#include "scales/decimal_text.h"
#include "scales/ratio_text.h"

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

constexpr char kRootMark = '@';
constexpr std::string_view kRootFormExample = "220 @ 1 5/4 3/2";

Error root_form_refusal_at(size_t offset, const std::string& what) {
    Error error;
    error.description =
        what + "; write a root, @ and the intervals over it, e.g. " + std::string(kRootFormExample);
    error.where.offset = offset;
    return error;
}

std::string joined_numbers(const Chord& chord) {
    std::string text;
    text.reserve(6 * chord.size());
    for (size_t i = 0; i < chord.size(); ++i) {
        if (i > 0) text += ',';
        text += number_text(chord[i]);
    }
    return text;
}

bool ends_interval(char c) {
    return c == ',' || is_blank(c);
}

// An interval over the root as a ratio in 64 bits; nothing when it is not one. A plain
// decimal is taken as written, so that chord_text's "1 @ ..." reads back exactly; fractions
// and cents go through the interval reader.
std::optional<double> interval_ratio(std::string_view field) {
    if (field.empty()) return std::nullopt;
    const LeadingNumber decimal = read_leading_number(field);
    if (decimal.length == field.size() && !decimal.out_of_range && decimal.value > 0.0)
        return decimal.value;
    const Result<ScalePitch> pitch = parse_pitch_text(field);
    if (!pitch) return std::nullopt;
    return pitch->ratio();
}

// The root form: the root frequency before the "@" at `mark`, the intervals after it.
Result<Chord> parse_root_form(std::string_view text, size_t mark) {
    size_t at = 0;
    while (at < mark && is_blank(text[at])) ++at;
    size_t root_end = mark;
    while (root_end > at && is_blank(text[root_end - 1])) --root_end;
    const std::string_view root_text = text.substr(at, root_end - at);
    const LeadingNumber root = read_leading_number(root_text);
    if (root_text.empty() || root.length != root_text.size() || root.out_of_range ||
        !is_within_bounds(BoundedValue::ChordToneHz, static_cast<float>(root.value)))
        return root_form_refusal_at(
            at, (root_text.empty() ? std::string("No root") : quoted(root_text)) +
                    " before @: the root must be a frequency of " +
                    bounds_text(BoundedValue::ChordToneHz));
    Chord parsed;
    at = mark + 1;
    const auto skip_blanks = [&] {
        while (at < text.size() && is_blank(text[at])) ++at;
    };
    skip_blanks();
    if (at == text.size()) return root_form_refusal_at(at, "No interval after @");
    while (at < text.size()) {
        size_t end = at;
        while (end < text.size() && !ends_interval(text[end])) ++end;
        const std::string_view field = text.substr(at, end - at);
        const std::optional<double> interval = interval_ratio(field);
        if (field.empty() || !interval)
            return root_form_refusal_at(at, quoted(field.empty() ? text.substr(at, 1) : field) +
                                                at_position(at) + ": expected an interval, " +
                                                std::string(kRatioForms));
        const auto tone = static_cast<float>(root.value * *interval);
        if (!is_within_bounds(BoundedValue::ChordToneHz, tone))
            return root_form_refusal_at(at, quoted(field) + at_position(at) + " gives " +
                                                number_text(tone) + " Hz: a chord tone must be " +
                                                bounds_text(BoundedValue::ChordToneHz));
        parsed.push_back(tone);
        at = end;
        skip_blanks();
        if (at < text.size() && text[at] == ',') {
            ++at;
            skip_blanks();
        }
    }
    if (parsed.size() > kMaxChordTones) return refusal(chord_size_refusal(parsed.size()));
    return parsed;
}

// A listed tone below kLowestListedToneHz: intervals typed where frequencies belong.
Error low_tone_refusal(std::string_view field, size_t at, const Chord& before) {
    const std::string root = !before.empty() && before.front() >= kLowestListedToneHz
                                 ? number_text(before.front())
                                 : std::string("220");
    Error error;
    error.description = quoted(field) + at_position(at) + ": a listed tone must be at least " +
                        number_text(kLowestListedToneHz) +
                        " Hz; for intervals over a root write the root form, e.g. " + root +
                        " @ 1 5/4 3/2";
    error.where.offset = at;
    return error;
}

Result<Chord> parse_frequency_list(std::string_view text);

}  // namespace

std::string chord_text(const Chord& chord) {
    const bool has_low_tone = std::any_of(chord.begin(), chord.end(),
                                          [](float tone) { return tone < kLowestListedToneHz; });
    return has_low_tone ? "1 @ " + joined_numbers(chord) : joined_numbers(chord);
}

bool is_root_form(std::string_view text) {
    return text.find(kRootMark) != std::string_view::npos;
}

Result<TypedChord> parse_typed_chord(std::string_view text) {
    const size_t mark = text.find(kRootMark);
    if (mark == std::string_view::npos) {
        Result<Chord> tones = parse_frequency_list(text);
        if (!tones) return tones.error();
        return TypedChord{std::move(*tones), {}};
    }
    Result<Chord> tones = parse_root_form(text, mark);
    if (!tones) return tones.error();
    size_t begin = 0, end = text.size();
    while (begin < end && is_blank(text[begin])) ++begin;
    while (end > begin && is_blank(text[end - 1])) --end;
    return TypedChord{std::move(*tones), std::string(text.substr(begin, end - begin))};
}

Result<Chord> parse_chord(std::string_view text) {
    Result<TypedChord> typed = parse_typed_chord(text);
    if (!typed) return typed.error();
    return std::move(typed->tones);
}

namespace {

Result<Chord> parse_frequency_list(std::string_view text) {
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
        if (tone < kLowestListedToneHz) return low_tone_refusal(field, at, parsed);
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

}  // namespace
}  // namespace kelvara
