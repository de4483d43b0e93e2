#pragma once
// The user's actions on a document that are not a typed value: the buttons of the scale,
// fixed-tone and chord-map controls and the items of the preset menu. The window maps its
// segments and menu items to these; the command line and the tests name them directly.
#include <cstdint>

namespace kelvara {

// The four bound fields of the curve.
enum class BoundField { XMin, XMax, YMin, YMax };

// How an edit moves the change count: an action done (one undo step), the latest step
// undone, or the values saved (or read) as they are now.
enum class ChangeKind { Done, Undone, Cleared };

// What one undo step takes back: the action that recorded it. The window names its Undo
// and Redo items after it ("Undo Step Size").
enum class EditName {
    Unnamed,  // a change counted by hand (update_change_count), not by an action
    StepSize,
    NumberOfOvertones,
    Timbre,
    BaseFrequency,
    RatioRange,       // x min or x max
    DissonanceRange,  // y min or y max
    GraphRanges,      // both ranges at once: a zoom or pan of the graph
    PlotToggles,
    GraphChoices,  // cents axis, scale steps, the minima's threshold and naming
    AddScaleRatio,
    DeleteScaleRatio,
    ClearScale,
    ScalePreset,
    AddFixedTone,
    CopyToFixedTones,
    DeleteFixedTone,
    SetFixedTones,
    AddChord,
    CopyFixedTonesToChord,
    DeleteChord,
    EditScaleRatio,
    EditFixedTone,
    EditChord,
    Volume,
    PitchTrue,
    ImportScale,
    MapScaleToKeys,
    MinimaToScale,
    CustomPartials,  // the whole list at once: a starting point, a recording
    AddPartial,
    DeletePartial,
    EditPartial,
    PastePartials,
    RoughnessModel,
    TriadToFixedTones,  // a triad of the surface: its tones r and s
    TriadToChordMap,
};

enum class ScaleAction {
    AppendUnison,    // append the ratio 1
    DeleteSelected,  // remove the selected row, or beep
    RemoveAll,       // empty the list
};

// How an imported scale file, a preset or the equal-division generator enters the scale
// table.
enum class ScaleImportMode {
    Replace,  // the table becomes the imported or generated scale
    Add,      // the new values join the table; values already in it are skipped
};

// The items of the preset menu: what the generator puts in the scale table (ScaleImportMode
// says whether in place of it or beside it).
enum class ScalePreset {
    JustRatios,            // the 39 just ratios of odd limit 9 from 1 to 4
    FromFields,            // division count and base from the two generator fields
    TwelveTone,            // 12 equal steps of 2
    NineteenTone,          // 19 equal steps of 2
    SixteenStepHarmonics,  // base from the field
    EightStepHarmonics,    // base from the field
};

// The generator fields as the window reads them when a preset is chosen: the division count
// (the leading integer of its text) and the base (the leading number, as a 32-bit float);
// each 0 when its text holds no number. leading_integer_value and leading_double_value
// (decimal_text.h) read them from text.
struct ScaleGeneratorFields {
    int32_t tet = 0;
    float base = 0.0f;
};

// What Minima → Scale does with the scale.
enum class MinimaToScale {
    Replace,  // the scale becomes the minima's ratios
    Add,      // the minima's ratios join the scale; a ratio already in it is not added again
};

enum class FixedToneAction {
    AppendUnison,            // append 1 (at most ten tones), or beep
    CopySelectedScaleRatio,  // append the selected scale ratio, or beep
    DeleteSelected,          // remove the selected row, or beep
};

// The buttons of the partial table of a custom timbre.
enum class PartialAction {
    Append,          // a partial above the highest one (at most kMaxCustomPartials), or beep
    DeleteSelected,  // remove the selected row (never the last partial), or beep
};

enum class ChordAction {
    AddAtFreeKey,    // the first free key from middle C with a 110 Hz chord (nothing when all
                     // are taken; ChordMap::free_key)
    CopyFixedTones,  // the first free key from middle C with the fixed tones in hertz
    DeleteSelected,  // remove the selected row, or beep
};

}  // namespace kelvara
