#pragma once
// TuningActions: tuning files into the scale table and the scale onto the keys of the chord
// map, each one undoable action of one document.
#include <cstdint>
#include <optional>

#include "base/error.h"
#include "document/actions.h"
#include "document/scale_tuning.h"

namespace kelvara {

class Document;

class TuningActions {
public:
    explicit TuningActions(Document& document) : document_(document) {}

    // Puts a scale file into the scale table: the scale laid out by its period across the x
    // range (values outside the table's ratio bounds left out), replacing the table or added
    // to it. A keyboard mapping given sets the base frequency as well: the frequency its
    // mapping gives the scale's 1/1. One undo step; then: mark changed, reload the scale
    // table, resample, redraw (and refit y when the base frequency changed). Refused, with
    // nothing changed, for a pitch outside kMinScaleRatio..kMaxScaleRatio, more than
    // kMaxExpandedRatios values in the table, or a base frequency that is not 20-20000 Hz.
    Result<void> import_scale(const ScalaScale& scale, ScaleImportMode mode,
                              const std::optional<KeyboardMapping>& mapping = std::nullopt);
    // Fills the chord map so that each key plays one scale step: the reference key the base
    // frequency, the key above it the next step, repeating by the period up and down (the
    // tuning of Document::scale_tuning for the table). A key whose frequency falls outside
    // kMinKeyFrequencyHz..kMaxKeyFrequencyHz is left as it is; each other key gets a chord of
    // its one frequency, replacing its old chord (new keys are appended in key order). One
    // undo step; then: mark changed, reload the chord table. Returns the number of keys
    // filled; refused as scale_tuning() refuses, with nothing changed.
    Result<int32_t> map_scale_to_keys(const TuningChoice& choice);

private:
    Document& document_;
};

}  // namespace kelvara
