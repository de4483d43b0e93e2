// The dissonance kernels on the shared benchmark cases: one sampling run of a document
// (BenchmarkCurve::sample) per iteration, with the literal kernel and with the one documents
// use. Each fast benchmark also reports `speedup`: the literal kernel's processor time per
// run on the same case, measured just before in this process, divided by its own.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

#include "bench/kernel_benchmark_cases.h"
#include "engine/dissonance_kernel.h"

namespace {

using kelvara::KernelBenchmarkCase;

// Seconds per run of the literal kernel, by case name.
std::map<std::string, double>& literal_seconds() {
    static std::map<std::string, double> seconds;
    return seconds;
}

// Processor time of this thread per run, like the CPU column.
double seconds_per_run(benchmark::State& state, kelvara::BenchmarkCurve& curve) {
    const double start_ms = kelvara::thread_processor_ms();
    for (auto _ : state) {
        curve.sample();
        benchmark::DoNotOptimize(curve.y_values()[0]);
    }
    const double elapsed_ms = kelvara::thread_processor_ms() - start_ms;
    return elapsed_ms * 1e-3 / static_cast<double>(state.iterations());
}

void literal_kernel(benchmark::State& state, const KernelBenchmarkCase* c) {
    kelvara::BenchmarkCurve curve(*c, std::make_unique<kelvara::LiteralKernel>());
    literal_seconds()[c->name] = seconds_per_run(state, curve);
    state.counters["partials"] = curve.number_of_partials();
    state.counters["samples"] = curve.number_of_points();
}

void fast_kernel(benchmark::State& state, const KernelBenchmarkCase* c) {
    kelvara::BenchmarkCurve curve(*c, kelvara::make_default_kernel());
    const double seconds = seconds_per_run(state, curve);
    const auto literal = literal_seconds().find(c->name);
    if (literal != literal_seconds().end()) state.counters["speedup"] = literal->second / seconds;
    state.counters["partials"] = curve.number_of_partials();
    state.counters["samples"] = curve.number_of_points();
}

}  // namespace

int main(int argc, char** argv) {
    for (const auto& c : kelvara::kernel_benchmark_cases()) {
        benchmark::RegisterBenchmark(("literal/" + c.name).c_str(), literal_kernel, &c)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("fast/" + c.name).c_str(), fast_kernel, &c)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
