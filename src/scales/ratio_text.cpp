#include "scales/ratio_text.h"

#include <cmath>
#include <optional>

#include "scales/decimal_text.h"
#include "scales/ratio_list.h"

namespace kelvara {
namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && is_white_space(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_white_space(text.back())) text.remove_suffix(1);
    return text;
}

std::string quoted(std::string_view text) {
    return "\u2018" + std::string(text) + "\u2019";
}

// The whole text as a double (the same spellings parse_number_text takes).
std::optional<double> whole_number(std::string_view text) {
    text = trimmed(text);
    const LeadingNumber number = read_leading_number(text);
    if (number.length == 0 || number.length != text.size() || number.out_of_range)
        return std::nullopt;
    return number.value;
}

}  // namespace

Result<float> parse_ratio_text(std::string_view text) {
    const std::string_view whole = trimmed(text);
    if (whole.empty()) return refusal("Type a ratio: " + std::string(kRatioForms) + ".");
    const Error not_a_ratio =
        refusal(quoted(whole) + " is not a ratio; " + std::string(kRatioForms) + ".");
    if (whole.back() == 'c' || whole.back() == 'C') {
        const std::optional<float> cents = parse_number_text(whole.substr(0, whole.size() - 1));
        if (!cents) return not_a_ratio;
        return ratio_of_cents(*cents);
    }
    if (const size_t slash = whole.find('/'); slash != std::string_view::npos) {
        const std::optional<double> numerator = whole_number(whole.substr(0, slash));
        const std::optional<double> denominator = whole_number(whole.substr(slash + 1));
        if (!numerator || !denominator) return not_a_ratio;
        if (*denominator == 0.0) return refusal(quoted(whole) + ": the denominator is 0.");
        return static_cast<float>(*numerator / *denominator);
    }
    if (const std::optional<float> number = parse_number_text(whole)) return *number;
    return not_a_ratio;
}

Result<ScalePitch> parse_pitch_text(std::string_view text) {
    const std::string_view whole = trimmed(text);
    const Error not_an_interval =
        refusal(quoted(whole) + " is not an interval above 0; " + std::string(kRatioForms) + ".");
    if (whole.empty()) return not_an_interval;
    if (whole.back() == 'c' || whole.back() == 'C') {
        const std::optional<double> cents = whole_number(whole.substr(0, whole.size() - 1));
        if (!cents) return not_an_interval;
        return *ScalePitch::from_cents(*cents);
    }
    const size_t slash = whole.find('/');
    const std::optional<double> numerator = whole_number(whole.substr(0, slash));
    const std::optional<double> denominator =
        slash == std::string_view::npos ? 1.0 : whole_number(whole.substr(slash + 1));
    if (!numerator || !denominator || !(*numerator > 0.0) || !(*denominator > 0.0))
        return not_an_interval;
    constexpr double kLargestExact = 1e15;
    const bool whole_parts = std::floor(*numerator) == *numerator &&
                             std::floor(*denominator) == *denominator &&
                             *numerator <= kLargestExact && *denominator <= kLargestExact;
    if (whole_parts)
        return *ScalePitch::from_ratio(static_cast<int64_t>(*numerator),
                                       static_cast<int64_t>(*denominator));
    const std::optional<ScalePitch> cents =
        ScalePitch::from_cents(1200.0 * std::log2(*numerator / *denominator));
    if (!cents) return not_an_interval;
    return *cents;
}

}  // namespace kelvara
