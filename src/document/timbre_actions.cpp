// The actions of a custom timbre's partial table and of the roughness model, each returning
// its follow-up.
#include "document/timbre_actions.h"

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

bool TimbreActions::set_custom_partials(std::vector<Partial> partials, EditName name) {
    Curve& curve = document_.curve_;
    if (curve.overtone_type() == CustomPartials && partials == curve.custom_partials()) return true;
    bool accepted = false;
    document_.act(name, [&]() -> FollowUp {
        if (auto refused = custom_partials_refusal(partials)) {
            document_.refuse(*refused);
            return {};
        }
        curve.set_custom_partials(std::move(partials));
        accepted = true;
        return kTimbreChanged;
    });
    return accepted;
}

void TimbreActions::partial_action(PartialAction action) {
    document_.act(edit_name(action), [&]() -> FollowUp {
        const Curve& curve = document_.curve_;
        if (curve.overtone_type() != CustomPartials) {
            document_.refuse(kNotCustom);
            return {};
        }
        const auto& partials = curve.custom_partials();
        Result<std::vector<Partial>> changed =
            action == PartialAction::Append
                ? with_appended_partial(partials)
                : without_partial(partials, document_.selected_row(DocumentTable::Partials));
        if (!changed) {
            document_.refuse(changed.error().description);
            return {};
        }
        set_custom_partials(std::move(*changed), edit_name(action));
        return {};
    });
}

void TimbreActions::edit_partial_cell(TableColumn column, int32_t row, const CellValue& value) {
    document_.act(EditName::EditPartial, [&]() -> FollowUp {
        Result<std::optional<std::vector<Partial>>> changed =
            with_partial_cell(document_.curve_.custom_partials(), column, row, value);
        if (!changed) {
            document_.refuse(changed.error().description);
            return {};
        }
        // A row outside the list, or the value already stored, is no change of the document.
        if (*changed) set_custom_partials(std::move(**changed), EditName::EditPartial);
        return {};
    });
}

bool TimbreActions::paste_partial_column(TableColumn column, int32_t first_row,
                                         std::span<const double> values) {
    bool accepted = false;
    document_.act(EditName::PastePartials, [&]() -> FollowUp {
        const Curve& curve = document_.curve_;
        if (curve.overtone_type() != CustomPartials) {
            document_.refuse(kNotCustom);
            return {};
        }
        Result<std::vector<Partial>> pasted =
            with_pasted_column(curve.custom_partials(), column, first_row, values);
        if (!pasted) {
            document_.refuse(pasted.error().description);
            return {};
        }
        accepted = set_custom_partials(std::move(*pasted), EditName::PastePartials);
        return {};
    });
    return accepted;
}

void TimbreActions::set_roughness_model(RoughnessModel model) {
    Curve& curve = document_.curve_;
    if (model == curve.roughness_model()) return;
    document_.act(EditName::RoughnessModel, [&]() -> FollowUp {
        if (!is_valid_roughness_model(static_cast<int32_t>(model))) {
            document_.refuse("Unknown roughness model.");
            return {.show_roughness_model = true};
        }
        curve.set_roughness_model(model);
        return {.changed = true,
                .show_roughness_model = true,
                .resample = true,
                .refit_y = true,
                .redraw = true};
    });
}

}  // namespace kelvara
