// The limits a document read from a file must keep: the same ones the engine applies to each
// edit, so that a file can never make it write past its arrays or sample without end.
#include <algorithm>
#include <cmath>
#include <set>

#include "engine/engine_limits.h"
#include "persistence/document_file.h"
#include "persistence/document_file_refusal.h"

namespace kelvara {
namespace {

namespace k = file_keys;

bool all_finite(const std::vector<float>& values) {
    return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

void validate_timbre(const DocumentFileState& s) {
    if (!is_valid_overtone_type(s.overtone_type))
        refuse_entry(k::kOvertoneType, "unknown timbre type");
    if (!is_valid_number_of_overtones(s.number_of_overtones))
        refuse_entry(k::kNumberOfOvertones, "number of overtones out of range");
    if (!std::isfinite(s.base_frequency) || s.base_frequency <= 0.0)
        refuse_entry(k::kBaseFrequency, "base frequency is not a positive number");
}

void validate_ratios(const DocumentFileState& s) {
    if (s.dissonance_ratios.size() > static_cast<size_t>(kMaxDissonanceRatios))
        refuse_entry(k::kDissonanceRatios, "more than ten fixed tones");
    if (!all_finite(s.dissonance_ratios))
        refuse_entry(k::kDissonanceRatios, "a fixed-tone ratio is not finite");
    if (!all_finite(s.scale_ratios)) refuse_entry(k::kScaleRatios, "a scale ratio is not finite");
}

void validate_curve(const DocumentFileState& s) {
    const std::pair<float, std::string_view> bounds[] = {
        {s.x_min, k::kXMin}, {s.x_max, k::kXMax}, {s.y_min, k::kYMin}, {s.y_max, k::kYMax}};
    for (const auto& [bound, key] : bounds)
        if (!std::isfinite(bound)) refuse_entry(key, "a graph bound is not finite");
    const auto capacity = curve_capacity_for_step(s.step_size);
    if (!capacity) refuse_entry(k::kStepSize, "step size out of range");
    if (!sample_count(s.x_min, s.x_max, s.step_size, *capacity))
        refuse_entry(k::kStepSize, "the x range needs more samples than the step size allows");
}

void validate_chord_map(const DocumentFileState& s) {
    if (s.volume < 0 || s.volume > kMaxVolume) refuse_entry(k::kVolume, "volume out of range");
    const std::set<int32_t> listed(s.midi_note_numbers.begin(), s.midi_note_numbers.end());
    if (listed.size() != s.midi_note_numbers.size())
        refuse_entry(k::kMidiKeys, "a MIDI key is listed twice");
    if (listed.size() != s.chords.size() ||
        !std::all_of(s.chords.begin(), s.chords.end(),
                     [&listed](const auto& entry) { return listed.count(entry.first) == 1; }))
        refuse_entry(k::kChords, "the chord map's keys differ from the listed MIDI keys");
    for (const auto& [key, frequencies] : s.chords)
        if (!all_finite(frequencies)) refuse_entry(k::kChords, "a chord frequency is not finite");
}

}  // namespace

Result<void> validate_document_state(const DocumentFileState& state) try {
    validate_timbre(state);
    validate_ratios(state);
    validate_curve(state);
    validate_chord_map(state);
    return {};
} catch (const FileRefusal& refusal) {
    return unreadable_document_error(refusal.why, refusal.where);
}

}  // namespace kelvara
