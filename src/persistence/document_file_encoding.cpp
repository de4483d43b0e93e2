// Writing a document file: the version as a bare token, then each field archived in the order
// of the keys.
#include "persistence/document_file.h"
#include "persistence/property_list.h"
#include "persistence/typed_stream.h"

namespace kelvara {
namespace {

using typedstream::ObjectPtr;

ObjectPtr float_array(const std::vector<float>& values) {
    std::vector<ObjectPtr> elements;
    elements.reserve(values.size());
    for (const float value : values) elements.push_back(typedstream::make_float(value));
    return typedstream::make_array(std::move(elements));
}

// Exact: 64-bit numbers, integral ones written as integers as the archiver does.
ObjectPtr double_array(const std::vector<Partial>& partials, double Partial::*field) {
    std::vector<ObjectPtr> elements;
    elements.reserve(partials.size());
    for (const Partial& partial : partials)
        elements.push_back(typedstream::make_number({'d', partial.*field}));
    return typedstream::make_array(std::move(elements));
}

ObjectPtr int_array(const std::vector<int32_t>& values) {
    std::vector<ObjectPtr> elements;
    elements.reserve(values.size());
    for (const int32_t value : values) elements.push_back(typedstream::make_int(value));
    return typedstream::make_array(std::move(elements));
}

// Keys in ascending order: the reader does not depend on the order.
ObjectPtr chord_dictionary(const std::map<int32_t, std::vector<float>>& chords) {
    std::vector<std::pair<ObjectPtr, ObjectPtr>> entries;
    entries.reserve(chords.size());
    for (const auto& [key, frequencies] : chords)
        entries.emplace_back(typedstream::make_int(key), float_array(frequencies));
    return typedstream::make_dictionary(std::move(entries));
}

ObjectPtr exact_number(double value) {
    return typedstream::make_number({'d', value});
}

template <typename Add>
void add_graph_choices(const GraphChoices& g, const Add& add) {
    namespace k = file_keys;
    const GraphChoices fresh;
    if (g.axis == RatioAxis::Cents) add(k::kCentsAxis, typedstream::make_bool(true));
    if (g.scale_steps) add(k::kPlotScaleSteps, typedstream::make_bool(true));
    if (g.prominence != fresh.prominence) {
        add(k::kMinimaProminence, exact_number(g.prominence.value));
        add(k::kMinimaProminenceRelative, typedstream::make_bool(g.prominence.relative));
    }
    if (g.just_tolerance_cents != fresh.just_tolerance_cents)
        add(k::kJustTolerance, exact_number(g.just_tolerance_cents));
    if (g.just_odd_limit != fresh.just_odd_limit)
        add(k::kJustOddLimit, typedstream::make_int(g.just_odd_limit));
}

ObjectPtr text_dictionary(const std::map<int32_t, std::string>& texts) {
    std::vector<std::pair<ObjectPtr, ObjectPtr>> entries;
    entries.reserve(texts.size());
    for (const auto& [key, text] : texts)
        entries.emplace_back(typedstream::make_int(key), typedstream::make_string(text));
    return typedstream::make_dictionary(std::move(entries));
}

}  // namespace

std::string encode_document_state(const DocumentFileState& s) {
    plist::Dictionary entries;
    const auto add = [&entries](std::string_view key, const ObjectPtr& root) {
        entries.emplace_back(std::string(key), plist::Data(typedstream::encode(root)));
    };
    using typedstream::make_bool;
    using typedstream::make_float;
    using typedstream::make_int;
    namespace k = file_keys;

    entries.emplace_back(std::string(k::kVersion), std::to_string(kDocumentFormatVersion));
    add(k::kScaleRatios, float_array(s.scale_ratios));
    const bool custom = s.overtone_type == CustomPartials;
    add(k::kOvertoneType,
        make_int(custom ? nearest_parametric_type(s.custom_partials) : s.overtone_type));
    add(k::kDissonanceRatios, float_array(s.dissonance_ratios));
    add(k::kBaseFrequency, make_float(typedstream::narrow_to_float(s.base_frequency)));
    add(k::kXMin, make_float(s.x_min));
    add(k::kXMax, make_float(s.x_max));
    add(k::kYMin, make_float(s.y_min));
    add(k::kYMax, make_float(s.y_max));
    add(k::kPlotJusts, make_bool(s.plot_justs));
    add(k::kPlotSelectedRatio, make_bool(s.plot_selected_ratio));
    add(k::kPlotSlope, make_bool(s.plot_slope));
    add(k::kStepSize, make_float(typedstream::narrow_to_float(s.step_size)));
    add(k::kNumberOfOvertones, make_int(s.number_of_overtones));
    add(k::kVolume, make_int(s.volume));
    add(k::kMidiKeys, int_array(s.midi_note_numbers));
    add(k::kChords, chord_dictionary(s.chords));
    if (!s.pitch_true) add(k::kPitchTrue, make_bool(false));
    if (custom) {
        add(k::kPartialRatios, double_array(s.custom_partials, &Partial::ratio));
        add(k::kPartialAmplitudes, double_array(s.custom_partials, &Partial::amplitude));
    }
    if (s.roughness_model != RoughnessModel::Product)
        add(k::kRoughnessModel, make_int(static_cast<int32_t>(s.roughness_model)));
    add_graph_choices(s.graph, add);
    if (!s.chord_root_forms.empty()) add(k::kChordRootForms, text_dictionary(s.chord_root_forms));
    if (!s.scale_ratio_forms.empty())
        add(k::kScaleRatioForms, text_dictionary(s.scale_ratio_forms));
    if (!s.scale_description.empty())
        add(k::kScaleDescription, typedstream::make_string(s.scale_description));
    return plist::write(plist::Value(std::move(entries)));
}

}  // namespace kelvara
