// The bench row "pipeline": what a zoom or a drag costs between two frames. One range edit
// of the worst-case document goes the whole way a gesture's step goes in the window: the
// document takes the range, resamples its curve and draws the visible range once per device
// pixel, the graph rebuilds its paths and is painted into an offscreen 1200×800 image. Once
// over the whole range, once zoomed in around 3/2 (where the document's own step is far
// coarser than a pixel). The minima search that then refines the cusps runs on another
// thread and is timed by the minima row.
#include <QApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "bench/kernel_benchmark_cases.h"
#include "cli/commands.h"
#include "document/document.h"
#include "view/graph_widget.h"

namespace kelvara::cli {
namespace {

constexpr int kImageWidth = 1200;
constexpr int kImageHeight = 800;
// A frame at 60 Hz is 16.7 ms; the target keeps a margin below it.
constexpr double kFrameMs = 16.0;

double now_ms() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The processor time of the whole process (Qt's painting may hand work to its pool's
// threads), which leaves out the time other processes of a shared machine held the
// processor; the wall-clock time is printed beside it.
double process_processor_ms() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

double median(std::vector<double> runs) {
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

// The ratio range a run zooms, its top moving by a quarter of a hundredth at each step.
struct ZoomedRange {
    const char* name;
    float x_min;
    float x_max;
};

void time_pipeline(const KernelBenchmarkCase& c, const ZoomedRange& range, double min_seconds) {
    GraphWidget view;
    view.resize(kImageWidth, kImageHeight);
    Document document;
    NullDocumentView no_fields;
    document.attach_views(no_fields, &view);
    document.show_all();
    if (!document.table_actions().set_fixed_tones(c.dissonance_ratios))
        throw UsageError("the benchmark case " + c.name + " is refused by a document");
    document.curve_actions().set_bound(BoundField::XMax, range.x_max);
    document.curve_actions().set_bound(BoundField::XMin, range.x_min);
    document.curve_actions().set_plot_flags({.just_ratios = true});
    QImage image(kImageWidth, kImageHeight, QImage::Format_ARGB32_Premultiplied);

    // Two ends a zoom moves between, each run one step of a gesture.
    const float ends[] = {range.x_max - 0.0025f, range.x_max};
    std::vector<double> processor, wall;
    const double stop = now_ms() + min_seconds * 1000.0;
    do {
        const double start = now_ms(), start_processor = process_processor_ms();
        document.curve_actions().set_graph_ranges(document.curve().x_min(), ends[wall.size() % 2],
                                                  document.curve().y_min(),
                                                  document.curve().y_max());
        view.render(&image);
        processor.push_back(process_processor_ms() - start_processor);
        wall.push_back(now_ms() - start);
    } while (now_ms() < stop || wall.size() < 3);
    std::printf(
        "pipeline %.3f ms median processor time (%.3f ms wall) for one range edit of case %s "
        "%s (%d samples of %d partials, %d drawn) resampled and drawn at %dx%d, %zu runs "
        "(target %.0f ms, one frame at 60 Hz)\n",
        median(processor), median(wall), c.name.c_str(), range.name,
        document.curve().number_of_points(), document.curve().number_of_partials(),
        document.drawn_curve().count(), kImageWidth, kImageHeight, wall.size(), kFrameMs);
    std::fflush(stdout);
}

}  // namespace

void print_pipeline_bench_row(double min_seconds) {
    std::unique_ptr<QApplication> application;
    if (QApplication::instance() == nullptr) {
        // Drawn offscreen unless the caller chose a platform: no display is needed.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char program_name[] = "kelvara-cli";
        static char* argv[] = {program_name, nullptr};
        application = std::make_unique<QApplication>(argc, argv);
    }
    for (const auto& c : kernel_benchmark_cases())
        if (c.name == "worst")
            for (const ZoomedRange& range :
                 {ZoomedRange{"whole", 1.0f, c.x_max}, ZoomedRange{"zoomed", 1.34f, 1.67f}})
                time_pipeline(c, range, min_seconds);
}

}  // namespace kelvara::cli
