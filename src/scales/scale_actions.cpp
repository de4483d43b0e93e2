// The actions of the scale and fixed-tone controls and the preset menu.
#include <optional>
#include <utility>

#include "engine/engine_limits.h"
#include "engine/kelvara_document.h"
#include "scales/ratio_list.h"
#include "scales/scale_generator.h"

namespace kelvara {
namespace {

// The division count and base of a preset menu item; nothing for an unknown tag.
std::optional<std::pair<int32_t, double>> preset_generator_arguments(
    int32_t tag, const ScaleGeneratorFields& fields) {
    switch (tag) {
        case kPresetJustRatios:
            return std::pair{kJustRatiosTet, 2.0};
        case kPresetFromFields:
            return std::pair{fields.tet, static_cast<double>(fields.base)};
        case kPresetTwelveTone:
            return std::pair{12, 2.0};
        case kPresetNineteenTone:
            return std::pair{19, 2.0};
        case kPresetSixteenStepHarmonics:
            return std::pair{kSixteenStepHarmonicTet, static_cast<double>(fields.base)};
        case kPresetEightStepHarmonics:
            return std::pair{kEightStepHarmonicTet, static_cast<double>(fields.base)};
        default:
            return std::nullopt;
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
    const bool has_room = _dissonance_ratios.size() < static_cast<size_t>(kMaxDissonanceRatios);
    if (tag == kFixedToneAppendUnison) {
        if (!has_room) return beep();
        _dissonance_ratios.push_back(1.0f);
    } else if (tag == kFixedToneCopyScaleRow) {
        const std::optional<size_t> scale_row =
            selected_row_in(DocumentTable::ScaleRatios, _scale_ratios.size());
        // A scale ratio is never range-checked; one that cannot be a tone is refused here.
        if (!has_room || !scale_row || !is_usable_fixed_tone_ratio(_scale_ratios[*scale_row]))
            return beep();
        _dissonance_ratios.push_back(_scale_ratios[*scale_row]);
    } else if (tag == kFixedToneDeleteSelected) {
        const std::optional<size_t> row =
            selected_row_in(DocumentTable::DissonanceRatios, _dissonance_ratios.size());
        if (!row) return beep();
        _dissonance_ratios.erase(_dissonance_ratios.begin() + static_cast<std::ptrdiff_t>(*row));
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
