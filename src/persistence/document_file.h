#pragma once
// The document file: an old-style property list whose entries hold the saved values of one
// document, each (except the version) as a typed-stream archive of a number, an array of
// numbers or a dictionary from key numbers to arrays of frequencies.
//
// DocumentFileState is the file's content as plain values. Encoding writes every entry in a
// fixed order; decoding parses, decodes and validates every entry before it returns, so a
// caller applies either a whole, consistent state or nothing.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "base/system_texts.h"
#include "engine/overtone_type.h"
#include "engine/partials.h"
#include "engine/roughness_model.h"
#include "persistence/graph_choices.h"

namespace kelvara {

// The keys of the file's entries, in the order saving writes them.
namespace file_keys {
inline constexpr std::string_view kVersion = "Kelvara Document Version";
inline constexpr std::string_view kScaleRatios = "Kelvara scale ratios";
inline constexpr std::string_view kOvertoneType = "Kelvara overtone types";
inline constexpr std::string_view kDissonanceRatios = "Kelvara dissonance ratios";
inline constexpr std::string_view kBaseFrequency = "Kelvara base frequency";
inline constexpr std::string_view kXMin = "Kelvara graph x min";
inline constexpr std::string_view kXMax = "Kelvara graph x max";
inline constexpr std::string_view kYMin = "Kelvara graph y min";
inline constexpr std::string_view kYMax = "Kelvara graph y max";
inline constexpr std::string_view kPlotJusts = "Kelvara plot justs";
inline constexpr std::string_view kPlotSelectedRatio = "Kelvara plot x";
inline constexpr std::string_view kPlotSlope = "Kelvara plot dx";
inline constexpr std::string_view kStepSize = "Kelvara step size";
inline constexpr std::string_view kNumberOfOvertones = "Kelvara number of overtones";
inline constexpr std::string_view kVolume = "Kelvara Volume";
inline constexpr std::string_view kMidiKeys = "Kelvara midi keys";
inline constexpr std::string_view kChords = "Kelvara chords";
// Kelvara's own entry, after the others: an archived BOOL, NO when the document plays the
// bank's own tuning. Written only then, so that the file of a pitch-true document is exactly
// what any other writer of the format writes; a file without it reads as pitch-true.
inline constexpr std::string_view kPitchTrue = "Kelvara pitch true";
// Kelvara's own entries for a custom timbre, written only for one: two archived arrays of
// 64-bit numbers of equal length, each partial's ratio and linear amplitude in the order
// entered, read back exactly. The usual entries then hold the parametric type nearest to the
// partials (nearest_parametric_type) and the number of partials, so that a reader that does
// not know these keys opens the document as that parametric timbre.
inline constexpr std::string_view kPartialRatios = "Kelvara partial ratios";
inline constexpr std::string_view kPartialAmplitudes = "Kelvara partial amplitudes";
// Kelvara's own entry for the roughness model: an archived integer, 1 for the minimum of
// the two amplitudes. Written only then; a file without it uses the product.
inline constexpr std::string_view kRoughnessModel = "Kelvara roughness model";
// Kelvara's own entries for the graph choices (graph_choices.h), each written only when it
// differs from a new document's: archived BOOLs for the cents axis and the scale steps (YES);
// the prominence threshold as a 64-bit number with a BOOL, YES when it is a percentage of the
// curve's range; the just tolerance in cents as a 64-bit number; the odd limit an integer.
inline constexpr std::string_view kCentsAxis = "Kelvara cents axis";
inline constexpr std::string_view kPlotScaleSteps = "Kelvara plot scale steps";
inline constexpr std::string_view kMinimaProminence = "Kelvara minima prominence";
inline constexpr std::string_view kMinimaProminenceRelative = "Kelvara minima prominence relative";
inline constexpr std::string_view kJustTolerance = "Kelvara just tolerance";
inline constexpr std::string_view kJustOddLimit = "Kelvara just odd limit";
// Kelvara's own entry for chords typed in the root form (220 @ 1 5/4 3/2, scales/chord_text.h):
// an archived dictionary from key numbers to the text typed, written only when a chord has
// one. The chord itself is stored as its frequencies under kChords as always, so a reader
// that does not know this key plays the same chords; a text that does not read back as its
// key's chord (one another program changed) is left out on reading.
inline constexpr std::string_view kChordRootForms = "Kelvara chord root forms";
// Kelvara's own entries for the scale as it was given (scales/ratio_form.h): an archived
// dictionary from row numbers of "Kelvara scale ratios" (from 0) to the form of that ratio
// ("16/15", "63.15789c"), written only when a ratio has one, and the scale's description (a
// scale file's) as an archived text, written only when not empty. The ratios themselves stay
// the 32-bit floats of kScaleRatios, so a reader that does not know these keys opens the same
// scale; a form that does not name its row's ratio is left out on reading.
inline constexpr std::string_view kScaleRatioForms = "Kelvara scale ratio forms";
inline constexpr std::string_view kScaleDescription = "Kelvara scale description";
}  // namespace file_keys

// The format version written. Files of version 1 or without a version have no derivative
// flag: "Kelvara plot dx" is read only above version 1.
inline constexpr int32_t kDocumentFormatVersion = 2;
// Values of the two optional entries when a file lacks them.
inline constexpr float kDefaultStepSize = 0.005f;
inline constexpr int32_t kDefaultNumberOfOvertones = 25;
// MIDI channel volume (controller 7) of a new document.
inline constexpr int32_t kDefaultVolume = 64;
inline constexpr int32_t kMaxVolume = 127;

// Everything a document file stores, with a new document's values as defaults.
struct DocumentFileState {
    // The version read (0 for a file without one); saving always writes
    // kDocumentFormatVersion.
    int32_t version = kDocumentFormatVersion;
    std::vector<float> scale_ratios;
    // The form of a scale ratio, by row of scale_ratios; only forms that name their ratio.
    std::map<int32_t, std::string> scale_ratio_forms;
    std::string scale_description;
    // 0 to 5, or CustomPartials for a timbre of one's own; the file then stores the nearest
    // parametric type where readers look for the type.
    int32_t overtone_type = GeometricHarmonics;
    std::vector<float> dissonance_ratios{1.0f};
    // The two 64-bit fields as the document holds them; the file keeps them rounded to
    // 32-bit floats, so decoding gives the widened float.
    double base_frequency = 440.0;
    float x_min = 1.0f;
    float x_max = 2.0f;
    float y_min = 0.0f;
    float y_max = 4.0f;
    bool plot_justs = false;
    bool plot_selected_ratio = false;
    bool plot_slope = false;
    double step_size = static_cast<double>(kDefaultStepSize);
    // For a custom timbre, the number of its partials.
    int32_t number_of_overtones = kDefaultNumberOfOvertones;
    // The partials of a custom timbre (1 to kMaxCustomPartials); empty for any other type.
    std::vector<Partial> custom_partials;
    RoughnessModel roughness_model = RoughnessModel::Product;
    int32_t volume = kDefaultVolume;
    // The mapped keys in table order, and the chord (frequencies in hertz) of each.
    std::vector<int32_t> midi_note_numbers;
    std::map<int32_t, std::vector<float>> chords;
    // The text of each chord typed in the root form, by key; only ones that read back as
    // their key's chord.
    std::map<int32_t, std::string> chord_root_forms;
    // Pitch-true playback: every tone sounds at exactly the pitch asked for, whatever the
    // bank's own tuning; false plays the bank as it declares itself.
    bool pitch_true = true;
    GraphChoices graph;
    // What reading the file changed to bring its values into bounds, one line each ("base
    // frequency 10 raised to 20"); empty for a state not read from a file or read as it was.
    std::vector<std::string> clamped_on_read;

    friend bool operator==(const DocumentFileState&, const DocumentFileState&) = default;
};

// The keys of the "ErrorStrings" table for a refused file. The keys are the English texts
// themselves, so a missing translation shows the key.
inline constexpr std::string_view kUnreadableDescriptionKey = "The document could not be opened.";
inline constexpr std::string_view kUnreadableReasonKey =
    "The file is damaged or is not a Kelvara document.";

// The error of a file whose content is refused: the two texts above, looked up in `strings`,
// then what exactly was wrong and where.
Error unreadable_document_error(std::string detail = {}, ErrorLocation where = {},
                                const ErrorStrings& strings = {});

// The file's text (ASCII) for `state`.
std::string encode_document_state(const DocumentFileState& state);

// Parses, decodes and validates a file's text. A refusal is unreadable_document_error with
// what was wrong: the property list's line, column and byte, or the entry's key. A value
// nothing can stand in for refuses the file: one that is not finite, a ratio, frequency or
// step of 0 or below. Any other value outside its bounds (base/value_limits.h; a volume
// outside 0..127, a step below smallest_step(), an empty range) is brought into them and
// listed in clamped_on_read, so that a file written before the bounds, or by another
// program, still opens. Custom partials likewise: a ratio that is not finite or not above 0,
// or an amplitude that is not finite, refuses the file; other values outside their bounds
// are brought into them, and partials past kMaxCustomPartials are left out, each listed.
Result<DocumentFileState> decode_document_state(std::string_view text);

// Brings a decoded state into bounds as decode_document_state does, listing each change in
// clamped_on_read; refuses (unreadable_document_error, naming the entry) what cannot be
// brought into bounds.
Result<void> clamp_document_state(DocumentFileState& state);

// Refuses (unreadable_document_error, naming the entry) a state that an editor would not
// have let through: more than ten fixed tones; a value outside its bounds
// (base/value_limits.h); a step size that is not above zero or whose x range needs more
// samples than its curve capacity; an empty x or y range; a timbre type outside 0..6; a
// custom timbre without partials or with more than kMaxCustomPartials, partials for any other
// type, or an overtone count that is not the number of partials; an unknown roughness model;
// a volume outside 0..127; a key listed twice, or a chord map whose keys are not exactly the
// listed keys. Every state saving writes passes this.
Result<void> validate_document_state(const DocumentFileState& state);

}  // namespace kelvara
