#pragma once
// The tags that decide the document's scale, fixed-tone and chord-map actions: a segmented
// control's action is decoded by the tag of its selected segment, a menu item's by its own
// tag. Any other tag does nothing (the action's follow-up still runs).
#include <cstdint>

namespace kelvara {

// Where a scale action comes from.
enum class ScaleActionSource {
    Segment,     // a segment of the scale control
    PresetMenu,  // an item of the preset menu (carried by the scale control's second segment)
};

// Segments of the scale control.
inline constexpr int32_t kScaleAppendUnison = 0;    // append 1.0
inline constexpr int32_t kScaleDeleteSelected = 1;  // remove the selected row, or beep
inline constexpr int32_t kScalePresetSegment = 2;   // opens the preset menu; does nothing itself
inline constexpr int32_t kScaleRemoveAll = 3;       // empty the list

// Items of the preset menu.
inline constexpr int32_t kPresetJustRatios = 0;            // the 29 just ratios
inline constexpr int32_t kPresetFromFields = 1;            // tet and base from the two fields
inline constexpr int32_t kPresetTwelveTone = 2;            // 12 equal steps of 2
inline constexpr int32_t kPresetNineteenTone = 3;          // 19 equal steps of 2
inline constexpr int32_t kPresetSixteenStepHarmonics = 4;  // base from the field
inline constexpr int32_t kPresetEightStepHarmonics = 5;    // base from the field

// The generator fields as the window reads them when a preset is chosen: the division count
// (the leading integer of its text) and the base (the leading number, as a 32-bit float);
// each 0 when its text holds no number. leading_integer_value and leading_double_value
// (number_text.h) read them from text.
struct ScaleGeneratorFields {
    int32_t tet = 0;
    float base = 0.0f;
};

// Segments of the fixed-tone control.
inline constexpr int32_t kFixedToneAppendUnison = 0;    // append 1.0 (at most ten tones)
inline constexpr int32_t kFixedToneCopyScaleRow = 1;    // append the selected scale ratio
inline constexpr int32_t kFixedToneDeleteSelected = 2;  // remove the selected row

// Segments of the chord-map control.
inline constexpr int32_t kChordAdd = 0;             // a new key with a 110 Hz chord
inline constexpr int32_t kChordCopyFixedTones = 1;  // a new key with the fixed tones in hertz
inline constexpr int32_t kChordDeleteSelected = 2;  // remove the selected row, or beep

}  // namespace kelvara
