#include "persistence/scala_scale_file.h"

#include <array>
#include <charconv>
#include <cmath>

#include "persistence/tuning_file_text.h"

namespace kelvara {

namespace {

namespace text = tuning_text;

constexpr int32_t kMinCentsDecimals = 5;

std::string cents_text(double cents) {
    // The shortest fixed text that names this double, then padded with zeros to the usual
    // number of decimals: trailing zeros never change the value read back.
    std::array<char, 400> buffer{};
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), cents,
                                       std::chars_format::fixed);
    std::string result(buffer.data(), written.ptr);
    size_t point = result.find('.');
    if (point == std::string::npos) {
        point = result.size();
        result += '.';
    }
    const size_t decimals = result.size() - point - 1;
    if (decimals < kMinCentsDecimals) result.append(kMinCentsDecimals - decimals, '0');
    return result;
}

std::string pitch_text(const ScalePitch& pitch) {
    if (const std::optional<ExactRatio> ratio = pitch.exact_ratio())
        return std::to_string(ratio->numerator) + "/" + std::to_string(ratio->denominator);
    return cents_text(*pitch.given_cents());
}

std::string description_line(std::string_view description) {
    std::string line(description);
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    const size_t start = line.find_first_not_of(" \t\v\f!");
    return start == std::string::npos ? std::string() : line.substr(start);
}

Error refused(std::string detail, int32_t line) {
    return text::refusal(text::FileKind::Scale, std::move(detail), line);
}

Error error_at(const text::Line& line, std::string detail) {
    return refused(std::move(detail), line.number);
}

const char* const kPitchForms =
    " is not a pitch (a ratio such as 3/2, a whole number such as 2, or cents such as "
    "701.955)";

// One whole-number part of a ratio word, or why the word is no ratio.
std::optional<Error> read_ratio_part(const text::Line& line, std::string_view word,
                                     std::string_view part, int64_t& value) {
    const text::WholeNumber number = text::read_whole_number(part);
    switch (number.status) {
        case text::NumberStatus::NotANumber:
            return error_at(line, text::quoted(word) + kPitchForms);
        case text::NumberStatus::TooLarge:
            return error_at(
                line, "the ratio " + text::quoted(word) + " has a number of more than 18 digits");
        case text::NumberStatus::Ok: break;
    }
    if (number.value < 0) return error_at(line, "the ratio " + text::quoted(word) + " is negative");
    value = number.value;
    return std::nullopt;
}

Result<ScalePitch> read_pitch(const text::Line& line) {
    const std::string_view word = text::first_word(line.text);
    std::optional<ScalePitch> pitch;
    if (word.find('.') != std::string_view::npos) {
        const text::DecimalNumber cents = text::read_decimal_number(word, true, kMaxScalaCents);
        switch (cents.status) {
            case text::NumberStatus::NotANumber:
                return error_at(line, text::quoted(word) + kPitchForms);
            case text::NumberStatus::TooLarge:
                return error_at(
                    line, "the cents " + text::quoted(word) + " are beyond 1200000 either way");
            case text::NumberStatus::Ok: break;
        }
        pitch = ScalePitch::from_cents(cents.value);
    } else {
        const size_t slash = word.find('/');
        int64_t numerator = 0;
        int64_t denominator = 1;
        if (auto error = read_ratio_part(line, word, word.substr(0, slash), numerator))
            return *error;
        if (slash != std::string_view::npos) {
            if (auto error = read_ratio_part(line, word, word.substr(slash + 1), denominator))
                return *error;
        }
        if (denominator == 0)
            return error_at(line, "the ratio " + text::quoted(word) + " divides by zero");
        if (numerator == 0)
            return error_at(line, "the ratio " + text::quoted(word) + " is not above zero");
        pitch = ScalePitch::from_ratio(numerator, denominator);
    }
    const float stored = pitch->stored_ratio();
    if (!std::isfinite(stored) || !(stored > 0.0f))
        return error_at(line, "the pitch " + text::quoted(word) +
                                  " is beyond the ratios a scale table can hold");
    return *pitch;
}

}  // namespace

std::string write_scala_scale(const ScalaScale& scale) {
    std::string file = "! Scale written by Kelvara\n";
    file += description_line(scale.description) + "\n";
    file += " " + std::to_string(scale.pitches.size()) + "\n!\n";
    for (const ScalePitch& pitch : scale.pitches) file += " " + pitch_text(pitch) + "\n";
    return file;
}

Result<ScalaScale> read_scala_scale(std::string_view bytes) {
    if (bytes.size() > text::kMaxFileBytes)
        return refused("the file is larger than 1 MiB, far too large for a scale", 0);
    if (const auto fault = text::encoding_fault(bytes)) return refused(*fault, 0);
    text::Lines lines(bytes);

    // The description is the first line that is not a comment, even a blank one.
    std::optional<text::Line> description;
    while ((description = lines.next())) {
        const std::string_view content = text::trimmed(description->text);
        if (content.empty() || content.front() != '!') break;
    }
    if (!description)
        return refused("the file ends before the description line", lines.end_line_number());

    const std::optional<text::Line> count_line = lines.next_with_content();
    if (!count_line)
        return refused("the file ends before the count of pitches", lines.end_line_number());
    const std::string_view count_word = text::first_word(count_line->text);
    const text::WholeNumber count = text::read_whole_number(count_word);
    if (count.status == text::NumberStatus::NotANumber)
        return error_at(*count_line, "the count of pitches must be a whole number, not " +
                                         text::quoted(count_word));
    if (count.status == text::NumberStatus::TooLarge || count.value > kMaxScalaPitches)
        return error_at(*count_line, "the count of pitches, " + text::quoted(count_word) +
                                         ", is above the limit of " +
                                         std::to_string(kMaxScalaPitches));
    if (count.value < 1)
        return error_at(*count_line, "the count of pitches is " + std::to_string(count.value) +
                                         ", but a scale needs at least its period");

    ScalaScale scale;
    scale.description = std::string(text::trimmed(description->text));
    text::Line last_pitch_line;
    while (static_cast<int64_t>(scale.pitches.size()) < count.value) {
        const std::optional<text::Line> line = lines.next_with_content();
        if (!line)
            return error_at(*count_line, "the count says " + std::to_string(count.value) +
                                             " pitches, but the file has only " +
                                             std::to_string(scale.pitches.size()));
        Result<ScalePitch> pitch = read_pitch(*line);
        if (!pitch) return pitch.error();
        scale.pitches.push_back(*pitch);
        last_pitch_line = *line;
    }
    if (const std::optional<text::Line> extra = lines.next_with_content())
        return error_at(*extra, "a pitch beyond the count of " + std::to_string(count.value) +
                                    " given on line " + std::to_string(count_line->number));
    if (!(scale.pitches.back().ratio() > 1.0))
        return error_at(last_pitch_line, "the last pitch is the period, and it must be above 1/1");
    return scale;
}

std::optional<ScalaScale> scala_scale_of_table(std::string description,
                                               std::span<const float> steps, float period,
                                               const std::map<float, ScalePitch>& given) {
    if (!std::isfinite(period) || !(period > 1.0f)) return std::nullopt;
    const auto pitch_of = [&given](float value) -> std::optional<ScalePitch> {
        if (const auto found = given.find(value); found != given.end()) return found->second;
        return pitch_of_stored_ratio(value);
    };
    ScalaScale scale;
    scale.description = std::move(description);
    for (const float step : steps) {
        std::optional<ScalePitch> pitch = pitch_of(step);
        if (!pitch) return std::nullopt;
        scale.pitches.push_back(*pitch);
    }
    scale.pitches.push_back(*pitch_of(period));
    return scale;
}

std::optional<PeriodicScale> periodic_scale_of(const ScalaScale& scale) {
    std::vector<double> ratios;
    ratios.reserve(scale.pitches.size());
    for (const ScalePitch& pitch : scale.pitches) ratios.push_back(pitch.ratio());
    return PeriodicScale::from_ratios(std::move(ratios));
}

Result<ScalaScale> read_scala_scale_file(const std::filesystem::path& path) {
    return text::read_file<ScalaScale>(path, text::FileKind::Scale, read_scala_scale);
}

}  // namespace kelvara
