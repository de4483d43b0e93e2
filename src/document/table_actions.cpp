// The actions of the scale, fixed-tone and chord-map controls and the tables' cell edits,
// each returning its follow-up.
#include "document/table_actions.h"

#include <algorithm>
#include <string>

#include "base/value_limits.h"
#include "document/document.h"
#include "document/document_minima.h"
#include "scales/decimal_text.h"
#include "scales/scale_generator.h"

namespace kelvara {
namespace {

EditName edit_name(ScaleAction action) {
    switch (action) {
        case ScaleAction::AppendUnison: return EditName::AddScaleRatio;
        case ScaleAction::DeleteSelected: return EditName::DeleteScaleRatio;
        case ScaleAction::RemoveAll: return EditName::ClearScale;
    }
    return EditName::Unnamed;
}

EditName edit_name(FixedToneAction action) {
    switch (action) {
        case FixedToneAction::AppendUnison: return EditName::AddFixedTone;
        case FixedToneAction::CopySelectedScaleRatio: return EditName::CopyToFixedTones;
        case FixedToneAction::DeleteSelected: return EditName::DeleteFixedTone;
    }
    return EditName::Unnamed;
}

EditName edit_name(ChordAction action) {
    switch (action) {
        case ChordAction::AddAtFreeKey: return EditName::AddChord;
        case ChordAction::CopyFixedTones: return EditName::CopyFixedTonesToChord;
        case ChordAction::DeleteSelected: return EditName::DeleteChord;
    }
    return EditName::Unnamed;
}

EditName edit_name(DocumentTable table) {
    switch (table) {
        case DocumentTable::ScaleRatios: return EditName::EditScaleRatio;
        case DocumentTable::FixedTones: return EditName::EditFixedTone;
        case DocumentTable::MappedChords: return EditName::EditChord;
        case DocumentTable::Partials: return EditName::EditPartial;
    }
    return EditName::Unnamed;
}

// What a changed scale leaves to do; the fixed tones move the whole curve, so the y range
// follows them as it follows a timbre edit. The chord map does not enter the curve.
constexpr FollowUp kScaleChanged{
    .changed = true, .reload_scale = true, .resample = true, .redraw = true};
constexpr FollowUp kFixedTonesChanged{
    .changed = true, .reload_fixed_tones = true, .resample = true, .refit_y = true, .redraw = true};
constexpr FollowUp kChordsChanged{.changed = true, .reload_chords = true};

std::string no_free_key() {
    return "Every MIDI key (" + bounds_text(BoundedValue::MidiKey) +
           ") has a chord: delete one first.";
}

// The ratios in hertz at the base frequency, or why they cannot be a chord; `tone` names
// one of them in a refusal.
Result<Chord> ratios_as_chord(const std::vector<float>& ratios, double base_frequency_hz,
                              const std::string& tone = "A fixed tone") {
    if (ratios.empty()) return refusal("There are no fixed tones to copy.");
    // The frequencies are frozen now: later changes of the base frequency or the ratios
    // leave this chord as it is.
    Chord chord;
    chord.reserve(ratios.size());
    for (const float ratio : ratios) {
        const auto frequency_hz =
            static_cast<float>(base_frequency_hz * static_cast<double>(ratio));
        if (auto outside = value_refusal(BoundedValue::ChordToneHz, frequency_hz))
            return refusal(tone + " sounds at " + number_text(frequency_hz) + " Hz. " + *outside);
        chord.push_back(frequency_hz);
    }
    return chord;
}

}  // namespace

void TableActions::scale_action(ScaleAction action) {
    RatioTables& tables = document_.tables_;
    // Clearing an empty list changes nothing and records nothing.
    if (action == ScaleAction::RemoveAll && tables.scale_ratios().empty()) return;
    document_.act(edit_name(action), [&]() -> FollowUp {
        if (const Result<void> done =
                tables.apply(action, document_.selected_row(DocumentTable::ScaleRatios));
            !done) {
            document_.refuse(done.error().description);
            return {};
        }
        return kScaleChanged;
    });
}

void TableActions::add_scale_preset(ScalePreset preset, ScaleGeneratorFields fields,
                                    ScaleImportMode mode) {
    document_.act(EditName::ScalePreset, [&]() -> FollowUp {
        const Result<bool> changed = document_.tables_.add_preset(preset, fields, mode);
        if (!changed) {
            document_.refuse(changed.error().description);
            return {};
        }
        return *changed ? kScaleChanged : FollowUp{};  // nothing new: no undo step
    });
}

void TableActions::fixed_tone_action(FixedToneAction action) {
    document_.act(edit_name(action), [&]() -> FollowUp {
        const std::optional<size_t> scale_row = document_.selected_row(DocumentTable::ScaleRatios);
        const std::optional<size_t> tone_row = document_.selected_row(DocumentTable::FixedTones);
        if (const Result<void> done = document_.tables_.apply(action, scale_row, tone_row); !done) {
            document_.refuse(done.error().description);
            return {};
        }
        return kFixedTonesChanged;
    });
}

bool TableActions::set_fixed_tones(std::span<const float> ratios) {
    RatioTables& tables = document_.tables_;
    if (std::equal(ratios.begin(), ratios.end(), tables.fixed_tones().begin(),
                   tables.fixed_tones().end()))
        return true;
    bool accepted = false;
    document_.act(EditName::SetFixedTones, [&]() -> FollowUp {
        if (const Result<void> set = tables.set_fixed_tones(ratios); !set) {
            document_.refuse(set.error().description);
            return {};
        }
        accepted = true;
        return kFixedTonesChanged;
    });
    return accepted;
}

void TableActions::chord_action(ChordAction action) {
    document_.act(edit_name(action), [&]() -> FollowUp {
        ChordMapEditor& chords = document_.chords_;
        switch (action) {
            case ChordAction::AddAtFreeKey:
                if (!chords.add_at_free_key(Chord{kNewChordFrequencyHz})) {
                    document_.refuse(no_free_key());
                    return {};
                }
                break;
            case ChordAction::CopyFixedTones: {
                Result<Chord> chord = ratios_as_chord(document_.tables_.fixed_tones(),
                                                      document_.curve_.base_frequency());
                if (!chord) {
                    document_.refuse(chord.error().description);
                    return {};
                }
                if (!chords.add_at_free_key(std::move(*chord))) {
                    document_.refuse(no_free_key());
                    return {};
                }
                break;
            }
            case ChordAction::DeleteSelected:
                if (const auto row = document_.selected_row(DocumentTable::MappedChords)) {
                    chords.remove_row(*row);
                } else {
                    document_.refuse("Select a chord to delete.");
                    return {};
                }
                break;
        }
        return kChordsChanged;
    });
}

bool TableActions::triad_to_fixed_tones(double r, double s) {
    std::vector<float> tones = document_.tables_.fixed_tones();
    for (const double ratio : {r, s})
        if (const auto tone = static_cast<float>(ratio);
            std::find(tones.begin(), tones.end(), tone) == tones.end())
            tones.push_back(tone);
    if (tones.size() == document_.tables_.fixed_tones().size()) return true;  // all there
    bool accepted = false;
    document_.act(EditName::TriadToFixedTones, [&]() -> FollowUp {
        if (const Result<void> set = document_.tables_.set_fixed_tones(tones); !set) {
            document_.refuse(set.error().description);
            return {};
        }
        accepted = true;
        return kFixedTonesChanged;
    });
    return accepted;
}

bool TableActions::triad_to_chord_map(double r, double s) {
    bool accepted = false;
    document_.act(EditName::TriadToChordMap, [&]() -> FollowUp {
        const std::vector<float> triad{1.0f, static_cast<float>(r), static_cast<float>(s)};
        Result<Chord> chord =
            ratios_as_chord(triad, document_.curve_.base_frequency(), "A tone of the triad");
        if (!chord) {
            document_.refuse(chord.error().description);
            return {};
        }
        if (!document_.chords_.add_at_free_key(std::move(*chord))) {
            document_.refuse(no_free_key());
            return {};
        }
        accepted = true;
        return kChordsChanged;
    });
    return accepted;
}

void TableActions::edit_cell(DocumentTable table, TableColumn column, int32_t row,
                             const CellValue& value) {
    if (table == DocumentTable::Partials)
        return document_.timbre_actions().edit_partial_cell(column, row, value);
    document_.act(edit_name(table), [&]() -> FollowUp {
        const Result<bool> changed = table == DocumentTable::MappedChords
                                         ? document_.chords_.edit_cell(column, row, value)
                                         : document_.tables_.edit_cell(table, column, row, value);
        if (!changed) {
            document_.refuse(changed.error().description);
            return {};
        }
        // The value already stored (a cell left as it was) is no change of the document.
        if (!*changed) return {};
        // Every changed cell redraws; a fixed tone moves the whole curve, and y follows it.
        return table == DocumentTable::FixedTones
                   ? FollowUp{.changed = true, .resample = true, .refit_y = true, .redraw = true}
                   : FollowUp{.changed = true, .resample = true, .redraw = true};
    });
}

void TableActions::selection_changed() {
    // Whichever table changed its selection, the cursor line follows the scale table.
    if (const auto row = document_.selected_row(DocumentTable::ScaleRatios))
        document_.curve_view_->move_cursor_line(document_.tables_.scale_ratios()[*row]);
}

bool TableActions::minima_to_scale(MinimaToScale mode) {
    const ProminenceThreshold threshold = document_.graph_choices().prominence;
    bool accepted = false;
    document_.act(EditName::MinimaToScale, [&]() -> FollowUp {
        RatioTables& tables = document_.tables_;
        const Result<std::vector<CurveMinimum>> minima = find_minima(minima_query(document_));
        if (!minima) {
            document_.refuse(minima.error().description + " " + minima.error().reason);
            return {};
        }
        std::vector<float> scale;
        if (mode == MinimaToScale::Add) scale = tables.scale_ratios();
        for (const CurveMinimum& m : *minima) {
            const auto ratio = static_cast<float>(m.ratio);
            if (threshold.admits(m) && std::find(scale.begin(), scale.end(), ratio) == scale.end())
                scale.push_back(ratio);
        }
        if (scale.size() > static_cast<size_t>(kMaxGeneratedRatios)) {
            document_.refuse("The scale table would hold more than " +
                             std::to_string(kMaxGeneratedRatios) + " ratios.");
            return {};
        }
        accepted = true;
        if (scale == tables.scale_ratios()) return {};  // nothing new: no undo step
        tables.replace(std::move(scale), tables.fixed_tones());
        return kScaleChanged;
    });
    return accepted;
}

}  // namespace kelvara
