// The limits a document read from a file must keep: the same ones every editor applies
// (base/value_limits.h, engine/engine_limits.h), so that a file can never make the engine
// write past its arrays or sample without end, and a file Kelvara saves always opens again.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>

#include "base/value_limits.h"
#include "engine/engine_limits.h"
#include "persistence/document_file.h"
#include "persistence/document_file_refusal.h"

namespace kelvara {
namespace {

namespace k = file_keys;

std::string text_of(double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

// --- reading: what cannot stand, and what is brought into bounds --------------------------

class Clamper {
public:
    explicit Clamper(std::vector<std::string>& notes) : notes_(notes) {}

    // A ratio or frequency: refused when not finite or not above 0, else clamped.
    template <typename Number>
    void positive(Number& value, BoundedValue bounds, std::string_view key) {
        if (!std::isfinite(value))
            refuse_entry(key, "a " + std::string(value_name(bounds)) + " is not finite");
        if (!(value > 0))
            refuse_entry(key, "a " + std::string(value_name(bounds)) + " is " +
                                  text_of(static_cast<double>(value)) + ", not above 0");
        clamp(value, bounds);
    }

    template <typename Number>
    void clamp(Number& value, BoundedValue bounds) {
        const auto clamped =
            static_cast<Number>(clamped_into_bounds(bounds, static_cast<double>(value)));
        note(value_name(bounds), static_cast<double>(value), static_cast<double>(clamped));
        value = clamped;
    }

    void note(std::string_view what, double from, double to) {
        if (from == to) return;
        notes_.push_back(std::string(what) + " " + text_of(from) +
                         (to > from ? " raised to " : " lowered to ") + text_of(to));
    }

    void note(std::string text) { notes_.push_back(std::move(text)); }

private:
    std::vector<std::string>& notes_;
};

void clamp_range(Clamper& clamper, float& low, float& high, float default_low, float default_high,
                 std::string_view what) {
    if (low < high) return;
    clamper.note(std::string(what) + " " + text_of(low) + " to " + text_of(high) +
                 " was empty; set to " + text_of(default_low) + " to " + text_of(default_high));
    low = default_low;
    high = default_high;
}

void clamp_chord_map(Clamper& clamper, DocumentFileState& s) {
    std::map<int32_t, std::vector<float>> chords;
    for (auto& [key, tones] : s.chords) {
        // A file written before chords had a bound (or by another program) keeps the first
        // tones of a longer chord.
        if (tones.size() > kMaxChordTones) {
            clamper.note("chord on key " + std::to_string(key) + " of " +
                         std::to_string(tones.size()) + " tones cut to its first " +
                         std::to_string(kMaxChordTones));
            tones.resize(kMaxChordTones);
        }
        for (float& tone : tones) clamper.positive(tone, BoundedValue::ChordToneHz, k::kChords);
        const auto clamped = static_cast<int32_t>(clamped_into_bounds(BoundedValue::MidiKey, key));
        if (!chords.emplace(clamped, std::move(tones)).second)
            refuse_entry(k::kChords, "two MIDI keys fall on key " + std::to_string(clamped) +
                                         " when kept within 0-127");
    }
    s.chords = std::move(chords);
    for (int32_t& key : s.midi_note_numbers) clamper.clamp(key, BoundedValue::MidiKey);
}

// A custom timbre's partials into their bounds, then its overtone count to their number.
void clamp_custom_partials(Clamper& clamper, DocumentFileState& s) {
    auto& partials = s.custom_partials;
    if (s.overtone_type != CustomPartials || partials.empty()) return;
    if (partials.size() > static_cast<size_t>(kMaxCustomPartials)) {
        clamper.note("custom timbre of " + std::to_string(partials.size()) + " partials cut to " +
                     std::to_string(kMaxCustomPartials));
        partials.resize(static_cast<size_t>(kMaxCustomPartials));
    }
    for (Partial& partial : partials) {
        clamper.positive(partial.ratio, BoundedValue::PartialRatio, k::kPartialRatios);
        if (!std::isfinite(partial.amplitude))
            refuse_entry(k::kPartialAmplitudes, "a partial amplitude is not finite");
        clamper.clamp(partial.amplitude, BoundedValue::PartialAmplitude);
    }
    const auto count = static_cast<int32_t>(partials.size());
    if (s.number_of_overtones != count) {
        clamper.note("number of overtones " + std::to_string(s.number_of_overtones) + " set to " +
                     std::to_string(count) + ", the custom timbre's partials");
        s.number_of_overtones = count;
    }
}

void clamp_state(DocumentFileState& s) {
    Clamper clamper(s.clamped_on_read);
    for (float& ratio : s.scale_ratios)
        clamper.positive(ratio, BoundedValue::ScaleRatio, k::kScaleRatios);
    for (float& ratio : s.dissonance_ratios)
        clamper.positive(ratio, BoundedValue::FixedToneRatio, k::kDissonanceRatios);
    clamper.positive(s.base_frequency, BoundedValue::BaseFrequencyHz, k::kBaseFrequency);
    clamper.positive(s.x_min, BoundedValue::RangeRatio, k::kXMin);
    clamper.positive(s.x_max, BoundedValue::RangeRatio, k::kXMax);
    clamp_range(clamper, s.x_min, s.x_max, 1.0f, 2.0f, "ratio range");
    const std::pair<float, std::string_view> y_bounds[] = {{s.y_min, k::kYMin},
                                                           {s.y_max, k::kYMax}};
    for (const auto& [bound, key] : y_bounds)
        if (!std::isfinite(bound)) refuse_entry(key, "a dissonance bound is not finite");
    clamp_range(clamper, s.y_min, s.y_max, 0.0f, 4.0f, "dissonance range");
    if (!std::isfinite(s.step_size) || !(s.step_size > 0.0))
        refuse_entry(k::kStepSize, "step size " + text_of(s.step_size) + " is not above 0");
    if (!curve_capacity_for_step(s.step_size)) {
        const auto smallest = static_cast<double>(smallest_step());
        clamper.note("step size", s.step_size, smallest);
        s.step_size = smallest;
    }
    clamper.clamp(s.number_of_overtones, BoundedValue::Overtones);
    clamp_custom_partials(clamper, s);
    const int32_t volume = std::clamp(s.volume, 0, kMaxVolume);
    clamper.note("volume", s.volume, volume);
    s.volume = volume;
    clamp_chord_map(clamper, s);
}

// --- the rule every saved state keeps --------------------------------------------------------

template <typename Number>
void require_within(const std::vector<Number>& values, BoundedValue bounds, std::string_view key) {
    for (const Number value : values)
        if (const auto outside = value_refusal(bounds, static_cast<double>(value)))
            refuse_entry(key, *outside);
}

void validate_custom_partials(const DocumentFileState& s) {
    const bool custom = s.overtone_type == CustomPartials;
    if (custom && s.custom_partials.empty())
        refuse_entry(k::kPartialRatios, "a custom timbre without partials");
    if (!custom && !s.custom_partials.empty())
        refuse_entry(k::kPartialRatios, "partials of a timbre that is not custom");
    if (s.custom_partials.size() > static_cast<size_t>(kMaxCustomPartials))
        refuse_entry(k::kPartialRatios,
                     "more than " + std::to_string(kMaxCustomPartials) + " partials");
    if (custom && s.number_of_overtones != static_cast<int32_t>(s.custom_partials.size()))
        refuse_entry(k::kNumberOfOvertones, "not the number of the custom timbre's partials");
    for (const Partial& partial : s.custom_partials) {
        require_within(std::vector{partial.ratio}, BoundedValue::PartialRatio, k::kPartialRatios);
        require_within(std::vector{partial.amplitude}, BoundedValue::PartialAmplitude,
                       k::kPartialAmplitudes);
    }
}

void validate_timbre(const DocumentFileState& s) {
    if (!is_valid_overtone_type(s.overtone_type))
        refuse_entry(k::kOvertoneType, "unknown timbre type");
    require_within(std::vector{s.number_of_overtones}, BoundedValue::Overtones,
                   k::kNumberOfOvertones);
    require_within(std::vector{s.base_frequency}, BoundedValue::BaseFrequencyHz, k::kBaseFrequency);
    validate_custom_partials(s);
    if (!is_valid_roughness_model(static_cast<int32_t>(s.roughness_model)))
        refuse_entry(k::kRoughnessModel, "unknown roughness model");
}

void validate_ratios(const DocumentFileState& s) {
    if (s.dissonance_ratios.size() > static_cast<size_t>(kMaxDissonanceRatios))
        refuse_entry(k::kDissonanceRatios, "more than ten fixed tones");
    require_within(s.dissonance_ratios, BoundedValue::FixedToneRatio, k::kDissonanceRatios);
    require_within(s.scale_ratios, BoundedValue::ScaleRatio, k::kScaleRatios);
}

void validate_curve(const DocumentFileState& s) {
    require_within(std::vector{s.x_min}, BoundedValue::RangeRatio, k::kXMin);
    require_within(std::vector{s.x_max}, BoundedValue::RangeRatio, k::kXMax);
    if (!(s.x_min < s.x_max)) refuse_entry(k::kXMax, "the ratio range is empty");
    if (!std::isfinite(s.y_min) || !std::isfinite(s.y_max) || !(s.y_min < s.y_max))
        refuse_entry(k::kYMax, "the dissonance range is empty or not finite");
    const auto capacity = curve_capacity_for_step(s.step_size);
    if (!capacity) refuse_entry(k::kStepSize, "step size out of range");
    if (!sample_count(s.x_min, s.x_max, s.step_size, *capacity))
        refuse_entry(k::kStepSize, "the x range needs more samples than the step size allows");
}

void validate_chord_map(const DocumentFileState& s) {
    if (s.volume < 0 || s.volume > kMaxVolume) refuse_entry(k::kVolume, "volume out of range");
    require_within(s.midi_note_numbers, BoundedValue::MidiKey, k::kMidiKeys);
    const std::set<int32_t> listed(s.midi_note_numbers.begin(), s.midi_note_numbers.end());
    if (listed.size() != s.midi_note_numbers.size())
        refuse_entry(k::kMidiKeys, "a MIDI key is listed twice");
    if (listed.size() != s.chords.size() ||
        !std::all_of(s.chords.begin(), s.chords.end(),
                     [&listed](const auto& entry) { return listed.count(entry.first) == 1; }))
        refuse_entry(k::kChords, "the chord map's keys differ from the listed MIDI keys");
    for (const auto& [key, frequencies] : s.chords) {
        if (frequencies.size() > kMaxChordTones)
            refuse_entry(k::kChords, chord_size_refusal(frequencies.size()));
        require_within(frequencies, BoundedValue::ChordToneHz, k::kChords);
    }
}

}  // namespace

Result<void> clamp_document_state(DocumentFileState& state) try {
    clamp_state(state);
    return {};
} catch (const FileRefusal& refusal) {
    return unreadable_document_error(refusal.why, refusal.where);
}

void validate_graph_choices(const GraphChoices& g) {
    if (!is_valid_prominence_threshold(g.prominence))
        refuse_entry(k::kMinimaProminence,
                     "a prominence threshold below 0, above 100 percent or not a number");
    if (!(g.just_tolerance_cents >= 0.0 && g.just_tolerance_cents <= kMaxMinimaJustToleranceCents))
        refuse_entry(k::kJustTolerance, "a just tolerance outside 0 to 50 cents");
    if (g.just_odd_limit < 0 || g.just_odd_limit > kMaxJustOddLimit)
        refuse_entry(k::kJustOddLimit, "an odd limit outside 0 to 999");
}

Result<void> validate_document_state(const DocumentFileState& state) try {
    validate_timbre(state);
    validate_ratios(state);
    validate_curve(state);
    validate_chord_map(state);
    validate_graph_choices(state.graph);
    return {};
} catch (const FileRefusal& refusal) {
    return unreadable_document_error(refusal.why, refusal.where);
}

}  // namespace kelvara
