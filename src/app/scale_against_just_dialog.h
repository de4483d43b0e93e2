#pragma once
// The preset menu's "Scale Against Just…" panel: each row of the scale table with the just
// ratio that names it (engine/just_ratio.h, the rule the minima are named by) and its error in
// cents, as `kelvara-cli scale errors` prints them.
#include <QString>
#include <vector>

class QWidget;

namespace kelvara {

// One row: the ratio as the table shows it (p/q when it is one), its cents, its just name
// (empty for none) and the error against it (empty for none).
struct StepAgainstJust {
    QString ratio, cents, just, error;
};
std::vector<StepAgainstJust> steps_against_just(const std::vector<float>& scale_ratios);

// Shows the rows of `scale_ratios` in a modal table over `parent`.
void show_scale_against_just(const std::vector<float>& scale_ratios, QWidget* parent);

}  // namespace kelvara
