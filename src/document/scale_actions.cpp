// The actions of the scale and fixed-tone controls and the preset menu.
#include <optional>
#include <utility>
#include <vector>

#include "document/document.h"
#include "engine/engine_limits.h"
#include "scales/ratio_list.h"
#include "scales/scale_generator.h"

namespace kelvara {
namespace {

// The division count and base of a preset menu item; nothing for an unknown tag.
std::optional<std::pair<int32_t, double>> preset_generator_arguments(
    int32_t tag, const ScaleGeneratorFields& fields) {
    switch (tag) {
        case kPresetJustRatios: return std::pair{kJustRatiosTet, 2.0};
        case kPresetFromFields: return std::pair{fields.tet, static_cast<double>(fields.base)};
        case kPresetTwelveTone: return std::pair{12, 2.0};
        case kPresetNineteenTone: return std::pair{19, 2.0};
        case kPresetSixteenStepHarmonics:
            return std::pair{kSixteenStepHarmonicTet, static_cast<double>(fields.base)};
        case kPresetEightStepHarmonics:
            return std::pair{kEightStepHarmonicTet, static_cast<double>(fields.base)};
        default: return std::nullopt;
    }
}

// Applies one fixed-tone action to `tones`; false when it must be refused (a full list,
// nothing selected, or a scale ratio that cannot be a tone), leaving `tones` as it was.
bool apply_fixed_tone_action(std::vector<float>& tones, const std::vector<float>& scale,
                             int32_t tag, std::optional<size_t> scale_row,
                             std::optional<size_t> tone_row) {
    const bool has_room = tones.size() < static_cast<size_t>(kMaxDissonanceRatios);
    switch (tag) {
        case kFixedToneAppendUnison:
            if (!has_room) return false;
            tones.push_back(1.0f);
            return true;
        case kFixedToneCopyScaleRow:
            // A scale ratio is never range-checked; one that cannot be a tone is refused.
            if (!has_room || !scale_row || !is_usable_fixed_tone_ratio(scale[*scale_row]))
                return false;
            tones.push_back(scale[*scale_row]);
            return true;
        case kFixedToneDeleteSelected:
            if (!tone_row) return false;
            tones.erase(tones.begin() + static_cast<std::ptrdiff_t>(*tone_row));
            return true;
        default: return true;  // no change; the follow-up still runs
    }
}

}  // namespace

void KelvaraDocument::scaleRatiosAddDelete(ScaleActionSource source, int32_t tag,
                                           ScaleGeneratorFields fields) {
    const std::optional<size_t> selected =
        selected_row_in(DocumentTable::ScaleRatios, _scale_ratios.size());
    if (source == ScaleActionSource::PresetMenu) {
        if (const auto arguments = preset_generator_arguments(tag, fields)) {
            // Generated values go in at the selected row (the list is sorted right after,
            // so this only decides where equal values meet).
            const auto start = static_cast<int32_t>(selected.value_or(0));
            if (!setValuesInScaleArray(_scale_ratios, arguments->first, arguments->second, start))
                beep();  // more than kMaxGeneratedRatios values: nothing inserted
        }
    } else if (tag == kScaleAppendUnison) {
        _scale_ratios.push_back(1.0f);
    } else if (tag == kScaleDeleteSelected) {
        if (selected)
            _scale_ratios.erase(_scale_ratios.begin() + static_cast<std::ptrdiff_t>(*selected));
        else
            beep();
    } else if (tag == kScaleRemoveAll) {
        _scale_ratios.clear();
    }
    scale_action_follow_up();
}

void KelvaraDocument::scale_action_follow_up() {
    sort_ratios(_scale_ratios);
    updateChangeCount(ChangeKind::Done);
    reload_table(DocumentTable::ScaleRatios);
    compute_array_entries();
    if (_scale_view) _scale_view->update_graph(_number_of_points);
}

void KelvaraDocument::dissonanceRatiosAddDelete(int32_t tag) {
    const std::optional<size_t> scale_row =
        selected_row_in(DocumentTable::ScaleRatios, _scale_ratios.size());
    const std::optional<size_t> tone_row =
        selected_row_in(DocumentTable::DissonanceRatios, _dissonance_ratios.size());
    if (!apply_fixed_tone_action(_dissonance_ratios, _scale_ratios, tag, scale_row, tone_row)) {
        beep();  // ends the action: no change mark, no resampling
        return;
    }
    fixed_tone_action_follow_up();
}

void KelvaraDocument::fixed_tone_action_follow_up() {
    updateChangeCount(ChangeKind::Done);
    reload_table(DocumentTable::DissonanceRatios);
    compute_array_entries();
    auto_update_y_scale();
    if (_scale_view) _scale_view->update_graph(_number_of_points);
}

void KelvaraDocument::replace_scale_ratios(std::vector<float> ratios) {
    _scale_ratios = std::move(ratios);
}

}  // namespace kelvara
