// The analysis of a recording on the case its speed target names (10 s of 48 kHz stereo,
// at most kRecordingAnalysisBudgetMs per run): from samples in memory, and from the bytes of
// a WAV and a FLAC file (decoding included). Each benchmark reports `budget_share`, its
// processor time per run over the budget (at most 1 meets the target).
#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "bench/kernel_benchmark_cases.h"
#include "bench/recording_analysis_benchmark.h"
#include "persistence/audio_file_reader.h"

namespace {

const kelvara::AudioChannels& recording() {
    static const kelvara::AudioChannels audio =
        kelvara::synthesize_recording(kelvara::benchmark_recording());
    return audio;
}

// The recording as the bytes of a file of `format`.
std::vector<uint8_t> encoded(int format) {
    const kelvara::AudioChannels& audio = recording();
    const auto path = std::filesystem::temp_directory_path() /
                      ("kelvara-bench-" + std::to_string(format) + ".audio");
    SF_INFO info{};
    info.samplerate = audio.sample_rate_hz;
    info.channels = static_cast<int>(audio.channels.size());
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) return {};
    std::vector<float> interleaved;
    for (int64_t n = 0; n < audio.frame_count(); ++n)
        for (const auto& channel : audio.channels) interleaved.push_back(channel[n]);
    sf_writef_float(file, interleaved.data(), audio.frame_count());
    sf_close(file);
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    std::filesystem::remove(path);
    return bytes;
}

void report(benchmark::State& state, double start_ms, const kelvara::SpectrumAnalysis* last) {
    const double ms = (kelvara::thread_processor_ms() - start_ms) / state.iterations();
    state.counters["budget_share"] = ms / kelvara::kRecordingAnalysisBudgetMs;
    if (last) state.counters["partials"] = static_cast<double>(last->picked.partials.size());
}

void from_memory(benchmark::State& state) {
    const kelvara::AudioChannels& audio = recording();
    std::optional<kelvara::SpectrumAnalysis> last;
    const double start_ms = kelvara::thread_processor_ms();
    for (auto _ : state) {
        auto analysis = kelvara::run_recording_analysis(audio);
        if (!analysis) {
            state.SkipWithError(analysis.error().description.c_str());
            return;
        }
        last = std::move(analysis).value();
    }
    report(state, start_ms, last ? &*last : nullptr);
}

void from_file_bytes(benchmark::State& state, int format) {
    const std::vector<uint8_t> bytes = encoded(format);
    std::optional<kelvara::SpectrumAnalysis> last;
    const double start_ms = kelvara::thread_processor_ms();
    for (auto _ : state) {
        const auto read = kelvara::read_audio_stretch(bytes, "bench", {});
        if (!read) {
            state.SkipWithError(read.error().reason.c_str());
            return;
        }
        auto analysis = kelvara::run_recording_analysis(read.value().audio);
        if (!analysis) {
            state.SkipWithError(analysis.error().description.c_str());
            return;
        }
        last = std::move(analysis).value();
    }
    report(state, start_ms, last ? &*last : nullptr);
}

}  // namespace

BENCHMARK(from_memory)->Name("recording/10s_48k_stereo/samples")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(from_file_bytes, wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16)
    ->Name("recording/10s_48k_stereo/wav")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(from_file_bytes, flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16)
    ->Name("recording/10s_48k_stereo/flac")
    ->Unit(benchmark::kMillisecond);
