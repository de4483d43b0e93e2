#pragma once
// TableActions: the actions of the scale, fixed-tone and chord-map controls and the cell
// edits of the three tables, on one document. Every refused action beeps, says why and ends
// there: no change mark, no undo step. Otherwise a scale action or preset ends with: mark
// changed, reload the scale table, resample, redraw; a fixed-tone action: mark changed,
// reload, resample, refit y, redraw; a chord action: mark changed, reload the chord table.
// Selected rows come from DocumentView::selected_row.
#include <cstdint>
#include <span>

#include "document/actions.h"
#include "document/table_cells.h"

namespace kelvara {

class Document;

class TableActions {
public:
    explicit TableActions(Document& document) : document_(document) {}

    void scale_action(ScaleAction action);
    // Replace (the default) makes the preset's values the scale; Add puts in those not in it
    // already. Either is one undo step; an Add that finds nothing new changes nothing.
    void add_scale_preset(ScalePreset preset, ScaleGeneratorFields fields = {},
                          ScaleImportMode mode = ScaleImportMode::Replace);
    void fixed_tone_action(FixedToneAction action);
    void chord_action(ChordAction action);
    // Replaces the whole fixed-tone list, as a script does: refused (with the beep and the
    // reason, nothing changed) for more than kMaxDissonanceRatios ratios or a ratio outside
    // the bounds. Runs the follow-up of a fixed-tone action.
    bool set_fixed_tones(std::span<const float> ratios);
    // Minima → Scale: the ratios of the curve's minima (document_minima.h) the document's
    // prominence threshold admits, narrowed to 32 bits, replace the scale or join it.
    // Refused with the beep and the reason (nothing changed, no undo step) when the curve
    // cannot be searched or the scale would hold more than kMaxGeneratedRatios ratios; a scale
    // left as it was records nothing; otherwise the follow-up of a scale action.
    bool minima_to_scale(MinimaToScale mode);
    // A triad 1 : r : s of the triad surface. Its tones r and s, as 32-bit ratios, join the
    // fixed tones (a tone among them already is not added again), with the follow-up of a
    // fixed-tone action; or its three tones in hertz at the base frequency go to the first
    // free key from middle C, with the follow-up of a chord action. Each is one undo step,
    // refused (the beep and the reason, nothing changed) when the fixed tones would be more
    // than kMaxDissonanceRatios, a tone is out of bounds, or every key has a chord.
    bool triad_to_fixed_tones(double r, double s);
    bool triad_to_chord_map(double r, double s);
    // Applies one cell edit; a refused value beeps and says why. An edit that changed a
    // value then marks the document changed (one undo step), resamples and redraws; a cell
    // left at its stored value records nothing.
    void edit_cell(DocumentTable table, TableColumn column, int32_t row, const CellValue& value);
    // Moves the cursor line to the selected scale ratio, if one is selected.
    void selection_changed();

private:
    Document& document_;
};

}  // namespace kelvara
