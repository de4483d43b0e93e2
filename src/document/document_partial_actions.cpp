// The actions of a custom timbre's partial table and of the roughness model, each with its
// follow-up.
#include "document/document.h"
#include "document/partial_list.h"
#include "engine/curve_definition.h"

namespace kelvara {
namespace {

EditName edit_name(PartialAction action) {
    switch (action) {
        case PartialAction::Append: return EditName::AddPartial;
        case PartialAction::DeleteSelected: return EditName::DeletePartial;
    }
    return EditName::Unnamed;
}

constexpr const char* kNotCustom = "Choose the Custom timbre to edit its partials.";

}  // namespace

// Also what the "Document timbre" program sounds.
void Document::show_timbre_and_resample() {
    send_timbre();
    view_->select_timbre(curve_.overtone_type());
    view_->show_number_of_overtones(curve_.number_of_overtones());
    view_->reload_table(DocumentTable::Partials);
    curve_view_->lend_arrays(curve_.x_values(), curve_.y_values());
    resample_and_redraw(true);
}

bool Document::set_custom_partials(std::vector<Partial> partials, EditName name) {
    if (curve_.overtone_type() == CustomPartials && partials == curve_.custom_partials())
        return true;
    const EditScope edit(*this, name);
    if (auto refused = custom_partials_refusal(partials)) {
        refuse(*refused);
        return false;
    }
    curve_.set_custom_partials(std::move(partials));
    update_change_count(ChangeKind::Done);
    show_timbre_and_resample();
    return true;
}

void Document::partial_action(PartialAction action) {
    const EditScope edit(*this, edit_name(action));
    if (curve_.overtone_type() != CustomPartials) {
        refuse(kNotCustom);
        return;
    }
    const auto& partials = curve_.custom_partials();
    Result<std::vector<Partial>> changed =
        action == PartialAction::Append
            ? with_appended_partial(partials)
            : without_partial(partials, selected_row(DocumentTable::Partials));
    if (!changed) {
        refuse(changed.error().description);
        return;
    }
    set_custom_partials(std::move(*changed), edit_name(action));
}

void Document::edit_partial_cell(TableColumn column, int32_t row, const CellValue& value) {
    const EditScope edit(*this, EditName::EditPartial);
    Result<std::optional<std::vector<Partial>>> changed =
        with_partial_cell(curve_.custom_partials(), column, row, value);
    if (!changed) {
        refuse(changed.error().description);
        return;
    }
    // A row outside the list, or the value already stored, is no change of the document.
    if (*changed) set_custom_partials(std::move(**changed), EditName::EditPartial);
}

bool Document::paste_partial_column(TableColumn column, int32_t first_row,
                                    std::span<const double> values) {
    const EditScope edit(*this, EditName::PastePartials);
    if (curve_.overtone_type() != CustomPartials) {
        refuse(kNotCustom);
        return false;
    }
    Result<std::vector<Partial>> pasted =
        with_pasted_column(curve_.custom_partials(), column, first_row, values);
    if (!pasted) {
        refuse(pasted.error().description);
        return false;
    }
    return set_custom_partials(std::move(*pasted), EditName::PastePartials);
}

void Document::set_roughness_model(RoughnessModel model) {
    if (model == curve_.roughness_model()) return;
    const EditScope edit(*this, EditName::RoughnessModel);
    if (!is_valid_roughness_model(static_cast<int32_t>(model))) {
        refuse("Unknown roughness model.");
        view_->show_roughness_model(curve_.roughness_model());
        return;
    }
    curve_.set_roughness_model(model);
    update_change_count(ChangeKind::Done);
    view_->show_roughness_model(model);
    resample_and_redraw(true);
}

}  // namespace kelvara
