#pragma once
// TimbreActions: the actions of a custom timbre's partial table and of the roughness model on
// one document. Every refused action beeps and says why, and changes nothing.
#include <cstdint>
#include <span>
#include <vector>

#include "document/actions.h"
#include "document/table_cells.h"
#include "engine/partials.h"
#include "engine/roughness_model.h"

namespace kelvara {

class Document;

class TimbreActions {
public:
    explicit TimbreActions(Document& document) : document_(document) {}

    // Sets the custom timbre to this partial list, whatever the timbre was: the one action a
    // starting point, a recording's analysis or a script ends in. Refused (the beep and the
    // reason, nothing changed, no undo step) for a list that cannot be a timbre
    // (custom_partials_refusal: 1 to kMaxCustomPartials partials, each ratio and amplitude
    // within its bounds). The list already held changes nothing; otherwise one undo step
    // named `name`, then: the timbre pop-up shows Custom, the partial table and the overtone
    // count are shown again, resample, refit y, redraw.
    bool set_custom_partials(std::vector<Partial> partials,
                             EditName name = EditName::CustomPartials);
    // The partial table's buttons (selected row from DocumentView::selected_row); refused
    // with the reason when the timbre is not custom. Follow-up as set_custom_partials.
    void partial_action(PartialAction action);
    // One cell of the partial table (TableActions::edit_cell passes it on).
    void edit_partial_cell(TableColumn column, int32_t row, const CellValue& value);
    // Numbers pasted down one column of the partial table from `first_row`, as one undo step
    // (partial_list.h: with_pasted_column says what is appended and what is refused).
    bool paste_partial_column(TableColumn column, int32_t first_row,
                              std::span<const double> values);
    // The weight of a pair of partials in every curve: one undo step, resample, refit y,
    // redraw; the model already in force changes nothing.
    void set_roughness_model(RoughnessModel model);

private:
    Document& document_;
};

}  // namespace kelvara
