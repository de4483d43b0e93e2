// Feeds arbitrary bytes to the audio reader as the content of a file. Beyond "no crash, no
// sanitizer report", it checks the promises of a read: a refusal says why; an accepted
// stretch has channels of one length, finite samples, the rate and channel limits and no more
// frames than asked for; and what is accepted goes through the proposal of a stretch and the
// analysis, whose partial lists keep their own promises.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/recording_analysis.h"
#include "engine/steady_stretch.h"
#include "persistence/audio_file_reader.h"

namespace {

void check(bool promise) {
    if (!promise) __builtin_trap();
}

// Half a second keeps every input to milliseconds, whatever rate and channels it claims.
constexpr double kReadSeconds = 0.5;

void check_partials(const kelvara::PickedPartials& picked, int32_t max_partials) {
    const auto& partials = picked.partials;
    check(!partials.empty() && partials.size() <= static_cast<size_t>(max_partials));
    check(picked.fundamental_index >= 0 &&
          static_cast<size_t>(picked.fundamental_index) < partials.size());
    check(partials[static_cast<size_t>(picked.fundamental_index)].ratio == 1.0);
    bool has_strongest = false;
    for (size_t i = 0; i < partials.size(); ++i) {
        const auto& p = partials[i];
        check(std::isfinite(p.ratio) && p.ratio > 0.0 && std::isfinite(p.frequency_hz));
        check(p.amplitude > 0.0 && p.amplitude <= 1.0 && p.amplitude_db <= 0.0);
        if (i > 0) check(p.frequency_hz > partials[i - 1].frequency_hz);
        has_strongest = has_strongest || p.amplitude == 1.0;
    }
    check(has_strongest);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const kelvara::AudioStretchRequest request{0.0, kReadSeconds, std::nullopt};
    const auto read = kelvara::read_audio_stretch(std::span(data, size), "input", request);
    if (!read) {
        check(!read.error().reason.empty());
        return 0;
    }
    const kelvara::AudioChannels& audio = read.value().audio;
    const int32_t rate = audio.sample_rate_hz;
    check(rate >= kelvara::kMinSampleRateHz && rate <= kelvara::kMaxSampleRateHz);
    check(!audio.channels.empty() && audio.channels.size() <= kelvara::kMaxChannels);
    check(audio.frame_count() >= std::llround(kelvara::kMinStretchSeconds * rate));
    check(audio.frame_count() <= std::llround(kReadSeconds * rate));
    for (const auto& channel : audio.channels) {
        check(static_cast<int64_t>(channel.size()) == audio.frame_count());
        for (float sample : channel) check(std::isfinite(sample));
    }

    const auto proposal = kelvara::propose_steady_stretch(audio);
    if (!proposal) {
        check(!proposal.error().description.empty());
        return 0;
    }
    const kelvara::FrameRange stretch = proposal.value().stretch;
    check(stretch.start >= 0 && stretch.count > 0 && stretch.end() <= audio.frame_count());
    const kelvara::AnalysisSettings settings;
    const auto analysis = kelvara::analyse_stretch(audio, stretch, settings);
    if (!analysis) {
        check(!analysis.error().description.empty());
        return 0;
    }
    check_partials(analysis.value().picked, settings.picking.max_partials);
    return 0;
}
