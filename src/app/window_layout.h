#pragma once
// The layout of a document window: the curve with its timbre, range and plot rows on the
// left, in one tab beside the triad surface's, the tables on the right, the sound and MIDI
// strip along the bottom. Only the graph (or the surface) grows when the window does. The
// tab order follows reading order.
class QWidget;

namespace kelvara {

class CurveControls;
class SoundControls;
class TableControls;

void lay_out_window(QWidget& central, QWidget& graph, QWidget& surface, const CurveControls& curve,
                    const TableControls& tables, const SoundControls& sound);

}  // namespace kelvara
