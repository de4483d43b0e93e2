// Reading a document file: every entry is decoded and converted to the field's type, then the
// whole state is validated. Numbers of any numeric type are accepted and converted; a value
// that does not convert exactly (a fractional or out-of-range integer) refuses the file.
#include <algorithm>
#include <cmath>
#include <limits>

#include "persistence/document_file.h"
#include "persistence/document_file_refusal.h"
#include "persistence/property_list.h"
#include "persistence/typed_stream.h"
#include "scales/chord_map.h"
#include "scales/ratio_form.h"

namespace kelvara {
namespace {

using typedstream::Number;
using typedstream::ObjectPtr;

[[noreturn]] void refuse(std::string_view key, const std::string& why) {
    refuse_entry(key, why);
}

class EntryReader {
public:
    explicit EntryReader(const plist::Dictionary& entries) : entries_(entries) {}

    bool has(std::string_view key) const { return plist::find(entries_, key) != nullptr; }

    int32_t version() const {
        const plist::Value* value = plist::find(entries_, file_keys::kVersion);
        if (!value) return 0;
        if (const auto* text = value->as<std::string>()) return leading_integer(*text);
        if (const auto* integer = value->as<plist::Integer>()) return saturate(integer->value);
        if (const auto* real = value->as<plist::Real>()) {
            if (std::isnan(real->value)) return 0;
            return saturate(static_cast<int64_t>(std::clamp(real->value, -1e15, 1e15)));
        }
        if (const auto* flag = value->as<plist::Boolean>()) return flag->value ? 1 : 0;
        refuse(file_keys::kVersion, "not a number");
    }

    int32_t int32(std::string_view key) const { return to_int32(key, number(key)); }
    float real(std::string_view key) const { return to_float(number(key)); }
    // As real(), but a positive number too small for a float stays as written rather than
    // reading as 0, so that it is raised into bounds (and named) instead of refused as 0.
    double positive_real(std::string_view key) const {
        const Number& read = number(key);
        const float narrowed = to_float(read);
        const double written = to_double(read);
        return narrowed == 0.0f && written > 0.0 ? written : static_cast<double>(narrowed);
    }
    bool boolean(std::string_view key) const { return to_bool(number(key)); }
    double exact_real(std::string_view key) const { return to_double(number(key)); }

    std::vector<float> float_array(std::string_view key) const {
        const ObjectPtr root = archived(key);
        std::vector<float> values;
        for (const ObjectPtr& element : array(key, root))
            values.push_back(to_float(number_in(key, element)));
        return values;
    }

    std::vector<double> double_array(std::string_view key) const {
        const ObjectPtr root = archived(key);
        std::vector<double> values;
        for (const ObjectPtr& element : array(key, root))
            values.push_back(to_double(number_in(key, element)));
        return values;
    }

    std::vector<int32_t> int_array(std::string_view key) const {
        const ObjectPtr root = archived(key);
        std::vector<int32_t> values;
        for (const ObjectPtr& element : array(key, root))
            values.push_back(to_int32(key, number_in(key, element)));
        return values;
    }

    std::map<int32_t, std::vector<float>> chord_map(std::string_view key) const {
        const ObjectPtr root = archived(key);
        const auto* dictionary = root->as<typedstream::Dictionary>();
        if (!dictionary) refuse(key, "not a dictionary");
        std::map<int32_t, std::vector<float>> chords;
        for (const auto& [key_object, chord_object] : dictionary->entries) {
            const int32_t note = to_int32(key, number_in(key, key_object));
            std::vector<float> frequencies;
            for (const ObjectPtr& element : array(key, chord_object))
                frequencies.push_back(to_float(number_in(key, element)));
            if (!chords.emplace(note, std::move(frequencies)).second)
                refuse(key, "a key number appears twice");
        }
        return chords;
    }

    std::string text(std::string_view key) const {
        const ObjectPtr root = archived(key);
        const auto* text = root->as<typedstream::String>();
        if (!text) refuse(key, "not a text");
        return text->text;
    }

    // Key numbers to texts.
    std::map<int32_t, std::string> text_map(std::string_view key) const {
        const ObjectPtr root = archived(key);
        const auto* dictionary = root->as<typedstream::Dictionary>();
        if (!dictionary) refuse(key, "not a dictionary");
        std::map<int32_t, std::string> texts;
        for (const auto& [key_object, text_object] : dictionary->entries) {
            const auto* text = text_object->as<typedstream::String>();
            if (!text) refuse(key, "not a text where a text belongs");
            if (!texts.emplace(to_int32(key, number_in(key, key_object)), text->text).second)
                refuse(key, "a key number appears twice");
        }
        return texts;
    }

private:
    ObjectPtr archived(std::string_view key) const {
        const plist::Value* value = plist::find(entries_, key);
        if (!value) refuse(key, "missing");
        const auto* data = value->as<plist::Data>();
        if (!data) refuse(key, "not data");
        try {
            return typedstream::decode(*data);
        } catch (const typedstream::ArchiveError& error) {
            refuse(key, error.what());
        }
    }

    Number number(std::string_view key) const { return number_in(key, archived(key)); }

    static const Number& number_in(std::string_view key, const ObjectPtr& object) {
        const auto* number = object->as<Number>();
        if (!number) refuse(key, "not a number where a number belongs");
        return *number;
    }

    static const std::vector<ObjectPtr>& array(std::string_view key, const ObjectPtr& object) {
        const auto* array = object->as<typedstream::Array>();
        if (!array) refuse(key, "not an array");
        return array->elements;
    }

    static int32_t saturate(int64_t value) {
        if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
        if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
        return static_cast<int32_t>(value);
    }

    // The integer a text starts with, as a property list's string gives its integer value:
    // leading blanks, an optional sign, digits; no digits give 0; overflow saturates.
    static int32_t leading_integer(std::string_view text) {
        size_t i = 0;
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
        int64_t value = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t{1} << 40);
        return saturate(negative ? -value : value);
    }

    static int32_t to_int32(std::string_view key, const Number& number) {
        if (const auto* integer = std::get_if<int64_t>(&number.value)) {
            const bool negative_unsigned = number.objc_type == 'Q' && *integer < 0;
            if (negative_unsigned || *integer != saturate(*integer))
                refuse(key, "an integer out of range");
            return static_cast<int32_t>(*integer);
        }
        const double real = std::get<double>(number.value);
        if (!(std::trunc(real) == real) || real < std::numeric_limits<int32_t>::min() ||
            real > std::numeric_limits<int32_t>::max())
            refuse(key, "a number that is not a 32-bit integer");
        return static_cast<int32_t>(real);
    }

    static float to_float(const Number& number) {
        if (const auto* integer = std::get_if<int64_t>(&number.value))
            return static_cast<float>(*integer);
        return typedstream::narrow_to_float(std::get<double>(number.value));
    }

    static double to_double(const Number& number) {
        if (const auto* integer = std::get_if<int64_t>(&number.value))
            return static_cast<double>(*integer);
        return std::get<double>(number.value);
    }

    static bool to_bool(const Number& number) {
        if (const auto* integer = std::get_if<int64_t>(&number.value)) return *integer != 0;
        return std::get<double>(number.value) != 0.0;
    }

    const plist::Dictionary& entries_;
};

// The partials of a custom timbre, when the file has them: both entries, equally long, not
// empty.
std::vector<Partial> custom_partials(const EntryReader& in) {
    namespace k = file_keys;
    if (!in.has(k::kPartialRatios) && !in.has(k::kPartialAmplitudes)) return {};
    if (!in.has(k::kPartialRatios)) refuse(k::kPartialRatios, "missing beside the amplitudes");
    const std::vector<double> ratios = in.double_array(k::kPartialRatios);
    if (!in.has(k::kPartialAmplitudes)) refuse(k::kPartialAmplitudes, "missing beside the ratios");
    const std::vector<double> amplitudes = in.double_array(k::kPartialAmplitudes);
    if (ratios.size() != amplitudes.size())
        refuse(k::kPartialAmplitudes, "not as many amplitudes as partial ratios");
    if (ratios.empty()) refuse(k::kPartialRatios, "a custom timbre without partials");
    std::vector<Partial> partials;
    for (size_t i = 0; i < ratios.size(); ++i) partials.push_back({ratios[i], amplitudes[i]});
    return partials;
}

// The graph choices, a new document's where the file has none.
GraphChoices graph_choices(const EntryReader& in) {
    namespace k = file_keys;
    GraphChoices g;
    if (in.has(k::kCentsAxis) && in.boolean(k::kCentsAxis)) g.axis = RatioAxis::Cents;
    g.scale_steps = in.has(k::kPlotScaleSteps) && in.boolean(k::kPlotScaleSteps);
    if (in.has(k::kMinimaProminence))
        g.prominence = {
            in.exact_real(k::kMinimaProminence),
            in.has(k::kMinimaProminenceRelative) && in.boolean(k::kMinimaProminenceRelative)};
    if (in.has(k::kJustTolerance)) g.just_tolerance_cents = in.exact_real(k::kJustTolerance);
    if (in.has(k::kJustOddLimit)) g.just_odd_limit = in.int32(k::kJustOddLimit);
    return g;
}

plist::Dictionary parse_entries(std::string_view text) {
    try {
        plist::Value root = plist::parse(text);
        auto* entries = std::get_if<plist::Dictionary>(&root.content);
        if (!entries) throw FileRefusal{"the file is not a dictionary", {}};
        return std::move(*entries);
    } catch (const plist::SyntaxError& error) {
        ErrorLocation where;
        where.line = error.line();
        where.column = error.column();
        where.offset = error.offset();
        throw FileRefusal{"not a property list: " + error.message(), std::move(where)};
    }
}

}  // namespace

Error unreadable_document_error(std::string detail, ErrorLocation where,
                                const ErrorStrings& strings) {
    return {ErrorKind::Refused,
            0,
            strings.text_for(kUnreadableDescriptionKey),
            strings.text_for(kUnreadableReasonKey),
            std::move(detail),
            std::move(where)};
}

Result<DocumentFileState> decode_document_state(std::string_view text) try {
    const plist::Dictionary entries = parse_entries(text);
    const EntryReader in(entries);
    namespace k = file_keys;
    DocumentFileState s;
    s.version = in.version();
    s.scale_ratios = in.float_array(k::kScaleRatios);
    s.dissonance_ratios = in.float_array(k::kDissonanceRatios);
    s.overtone_type = in.int32(k::kOvertoneType);
    // The file names a parametric type; a custom timbre is told by its own entries.
    if (!is_parametric_overtone_type(s.overtone_type))
        refuse(k::kOvertoneType, "unknown timbre type");
    s.base_frequency = in.real(k::kBaseFrequency);
    s.plot_justs = in.boolean(k::kPlotJusts);
    s.plot_selected_ratio = in.boolean(k::kPlotSelectedRatio);
    // Files before version 2 have no derivative flag (an entry there is ignored).
    s.plot_slope = s.version > 1 && in.boolean(k::kPlotSlope);
    s.step_size = in.has(k::kStepSize) ? in.positive_real(k::kStepSize) : kDefaultStepSize;
    s.number_of_overtones =
        in.has(k::kNumberOfOvertones) ? in.int32(k::kNumberOfOvertones) : kDefaultNumberOfOvertones;
    s.x_min = in.real(k::kXMin);
    s.x_max = in.real(k::kXMax);
    s.y_min = in.real(k::kYMin);
    s.y_max = in.real(k::kYMax);
    s.volume = in.int32(k::kVolume);
    s.midi_note_numbers = in.int_array(k::kMidiKeys);
    s.chords = in.chord_map(k::kChords);
    if (in.has(k::kChordRootForms)) s.chord_root_forms = in.text_map(k::kChordRootForms);
    if (in.has(k::kScaleRatioForms)) s.scale_ratio_forms = in.text_map(k::kScaleRatioForms);
    if (in.has(k::kScaleDescription)) s.scale_description = in.text(k::kScaleDescription);
    s.pitch_true = !in.has(k::kPitchTrue) || in.boolean(k::kPitchTrue);
    s.custom_partials = custom_partials(in);
    if (!s.custom_partials.empty()) s.overtone_type = CustomPartials;
    if (in.has(k::kRoughnessModel)) {
        const int32_t model = in.int32(k::kRoughnessModel);
        if (!is_valid_roughness_model(model)) refuse(k::kRoughnessModel, "unknown roughness model");
        s.roughness_model = static_cast<RoughnessModel>(model);
    }
    s.graph = graph_choices(in);
    if (Result<void> clamped = clamp_document_state(s); !clamped) return clamped.error();
    if (Result<void> valid = validate_document_state(s); !valid) return valid.error();
    // Only the texts that still read back as their chords.
    if (const std::optional<ChordMap> map = ChordMap::from_parts(
            s.midi_note_numbers, ChordDictionary(s.chords.begin(), s.chords.end()),
            std::move(s.chord_root_forms)))
        s.chord_root_forms = map->root_forms();
    // Only the forms that name their row's ratio (after any clamping).
    std::erase_if(s.scale_ratio_forms, [&s](const auto& row_form) {
        const auto& [row, form] = row_form;
        return row < 0 || static_cast<size_t>(row) >= s.scale_ratios.size() ||
               ratio_of_form(form) != s.scale_ratios[static_cast<size_t>(row)];
    });
    return s;
} catch (const FileRefusal& refusal) {
    return unreadable_document_error(refusal.why, refusal.where);
}

}  // namespace kelvara
