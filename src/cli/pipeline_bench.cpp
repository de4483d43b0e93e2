// The bench row "pipeline": what a zoom or a drag costs between two frames. One range edit
// of the worst-case document goes the whole way a gesture's step goes in the window: the
// document takes the range, resamples the curve and redraws the graph's paths, and the
// graph is painted into an offscreen 1200×800 image.
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

void time_pipeline(const KernelBenchmarkCase& c, double min_seconds) {
    GraphWidget view;
    view.resize(kImageWidth, kImageHeight);
    Document document;
    NullDocumentView no_fields;
    document.attach_views(view, no_fields);
    document.show_all();
    if (!document.table_actions().set_fixed_tones(c.dissonance_ratios))
        throw UsageError("the benchmark case " + c.name + " is refused by a document");
    document.curve_actions().set_bound(BoundField::XMax, c.x_max);
    document.curve_actions().set_plot_flags({.just_ratios = true});
    QImage image(kImageWidth, kImageHeight, QImage::Format_ARGB32_Premultiplied);

    // Two ends a zoom moves between, each run one step of a gesture.
    const float ends[] = {c.x_max - 0.0025f, c.x_max};
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
        "(%d samples of %d partials) resampled and drawn at %dx%d, %zu runs (target %.0f ms, "
        "one frame at 60 Hz)\n",
        median(processor), median(wall), c.name.c_str(), document.curve().number_of_points(),
        document.curve().number_of_partials(), kImageWidth, kImageHeight, wall.size(), kFrameMs);
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
        if (c.name == "worst") time_pipeline(c, min_seconds);
}

}  // namespace kelvara::cli
