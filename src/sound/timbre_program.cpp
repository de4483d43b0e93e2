#include "sound/timbre_program.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <optional>

namespace kelvara::sound {
namespace {

// The sine: rooted at key 69 at 44.1 kHz, its loop of 2205 frames holds exactly 22 periods
// of 440 Hz, so a voice's pitch is known exactly. The loop is the second quarter of the data.
constexpr int kSineRate = 44100;
constexpr int kSineRootKey = 69;
constexpr double kSineRootHz = 440.0;
constexpr int kLoopFrames = 2205;
constexpr int kLoopPeriods = 22;
constexpr int kSineFrames = 4 * kLoopFrames;
// The peak of the generated bank's sine, so a pure tone sounds as loud as its "Sine".
constexpr double kSinePeak = 16000.0;

constexpr int kMidiMaxKey = 127;
constexpr float kLoopContinuously = 1.0f;
constexpr float kAttack10ms = -7973.0f;    // timecents
constexpr float kRelease100ms = -3986.0f;  // timecents
// FluidSynth's highest filter cutoff, 13500 absolute cents (about 19.9 kHz); the default
// velocity modulator lowers the cutoff generator by at most 2400 cents, and FluidSynth clips
// the sum to 13500, so this value keeps the cutoff at its highest for every velocity.
constexpr double kHighestCutoffCents = 13500.0;
constexpr float kCutoffGenerator = 16000.0f;
// FluidSynth's cutoff never exceeds 0.45 of the sample rate; its default resonance (0 cB) is
// a Butterworth response, q = 10^(-3.01 / 20).
constexpr double kCutoffOfRate = 0.45;
constexpr double kFilterQ = 0.70711;
// FluidSynth turns a voice's pitch into its playback rate in two ways: from 0 absolute cents
// up through a table of whole cents (the fraction truncated), below 0 by an exact power of
// two. Every partial's voice is tuned 120 semitones down, so that its pitch lies below 0 up
// to key 119 (7.9 kHz), and plays a sample whose rate is 2^10 times higher, which puts the
// pitch back: it sounds as before, and a glide in fractional cents is exact (measured: a
// shift of 13.686 cents played 13.686, where the table plays 13.000).
constexpr float kBelowZeroSemitones = -120.0f;
constexpr double kBelowZeroRateScale = 1024.0;
constexpr unsigned int kScaledSineRate = unsigned(kSineRate * kBelowZeroRateScale);
// FluidSynth turns the attenuation into whole centibels by truncating: half a unit more
// turns that into rounding.
constexpr float kWholeCentibelRoundingBias = 0.5f;
// FluidSynth attenuates by at most 144 dB; quieter partials are not played.
constexpr double kMaxAttenuationCentibels = 1440.0;

std::vector<int16_t> sine_loop() {
    std::vector<int16_t> pcm(kSineFrames);
    for (int i = 0; i < kSineFrames; ++i)
        pcm[size_t(i)] = static_cast<int16_t>(std::lround(
            kSinePeak * std::sin(2.0 * std::numbers::pi * kLoopPeriods * i / kLoopFrames)));
    return pcm;
}

double midi_hz(double pitch) noexcept KELVARA_NONBLOCKING {
    return kSineRootHz * std::exp2((pitch - kSineRootKey) / 12.0);
}

bool playable(const TonePartial& p) {
    return std::isfinite(p.ratio) && p.ratio > 0.0 && std::isfinite(p.amplitude) &&
           p.amplitude > 0.0;
}

// The bank record the preset hangs from: it lists nothing and is never given to a synth.
const char* sfont_name(fluid_sfont_t*) noexcept {
    return TimbreProgram::kName;
}
fluid_preset_t* sfont_preset(fluid_sfont_t*, int, int) noexcept {
    return nullptr;
}
void sfont_rewind(fluid_sfont_t*) noexcept {}
fluid_preset_t* sfont_next(fluid_sfont_t*) noexcept {
    return nullptr;
}
int sfont_free(fluid_sfont_t*) noexcept {
    return 0;
}
const char* preset_name(fluid_preset_t*) noexcept {
    return TimbreProgram::kName;
}
int preset_number(fluid_preset_t*) noexcept {
    return 0;
}
void preset_free(fluid_preset_t*) noexcept {}

}  // namespace

double voice_filter_gain(double hz, double output_rate) noexcept KELVARA_NONBLOCKING {
    const double cutoff_hz =
        std::min(midi_hz(kHighestCutoffCents / 100.0), kCutoffOfRate * output_rate);
    // The biquad low-pass FluidSynth computes (the audio-EQ cookbook's), normalised to 1 at
    // 0 Hz.
    const double omega = 2.0 * std::numbers::pi * cutoff_hz / output_rate;
    const double alpha = std::sin(omega) / (2.0 * kFilterQ);
    const double cos_omega = std::cos(omega);
    const double b0 = (1.0 - cos_omega) / 2.0;
    const double b1 = 1.0 - cos_omega;
    const double a0 = 1.0 + alpha;
    const double a1 = -2.0 * cos_omega;
    const double a2 = 1.0 - alpha;
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * hz / output_rate);
    const std::complex<double> z2 = z1 * z1;
    const double gain = std::abs((b0 + b1 * z1 + b0 * z2) / (a0 + a1 * z1 + a2 * z2));
    const double dc = (2.0 * b0 + b1) / (a0 + a1 + a2);
    return gain / dc;
}

TimbreProgram::TimbreProgram(double output_rate, const std::atomic<uint64_t>& blocks_rendered)
    : output_rate_(output_rate),
      sine_(sine_loop()),
      samples_(kCachedSamples),
      partials_(blocks_rendered,
                std::make_unique<const std::vector<TonePartial>>(1, TonePartial{})) {
    // What a partial plays when its rate is missing.
    samples_.prepare(this, sine(), kScaledSineRate);
}

TimbreProgram::~TimbreProgram() {
    preset_.reset();
    if (sfont_ != nullptr) delete_fluid_sfont(sfont_);
}

std::unique_ptr<TimbreProgram> TimbreProgram::create(double output_rate,
                                                     const std::atomic<uint64_t>& blocks_rendered) {
    std::unique_ptr<TimbreProgram> program(new TimbreProgram(output_rate, blocks_rendered));
    program->sfont_ =
        new_fluid_sfont(sfont_name, sfont_preset, sfont_rewind, sfont_next, sfont_free);
    if (program->sfont_ == nullptr) return nullptr;
    program->preset_.reset(new_fluid_preset(program->sfont_, preset_name, preset_number,
                                            preset_number, preset_note_on, preset_free));
    if (!program->preset_) return nullptr;
    fluid_preset_set_data(program->preset_.get(), program.get());
    return program;
}

void TimbreProgram::set_partials(const std::vector<TonePartial>& partials) {
    auto kept = std::make_unique<std::vector<TonePartial>>();
    std::copy_if(partials.begin(), partials.end(), std::back_inserter(*kept), playable);
    // Loudest first: when voices run short, the quietest partials are the ones left out.
    std::stable_sort(kept->begin(), kept->end(), [](const TonePartial& a, const TonePartial& b) {
        return a.amplitude > b.amplitude;
    });
    voices_per_tone_.store(std::max<int>(1, int(kept->size())), std::memory_order_relaxed);
    partials_.publish(std::move(kept));
}

namespace {

// Where a partial at `hz` plays: the whole key its voice keeps, and the rate of the sine's
// sample that sounds the rest; no rate when none can.
struct PartialPlacement {
    int key = 0;
    std::optional<unsigned int> rate;
};

PartialPlacement place_partial(double hz) noexcept KELVARA_NONBLOCKING {
    const double pitch = kSineRootKey + 12.0 * std::log2(hz / kSineRootHz);
    const int key = int(std::clamp(std::lround(pitch), 0L, long(kMidiMaxKey)));
    const double rate = std::round(kScaledSineRate * hz / midi_hz(key));
    if (!(rate >= 1.0 && rate < double(UINT32_MAX))) return {key, std::nullopt};
    return {key, static_cast<unsigned int>(rate)};
}

}  // namespace

SampleSound TimbreProgram::sine() const {
    return {sine_.data(), unsigned(sine_.size()), kLoopFrames, 2 * kLoopFrames, kSineRootKey, 0};
}

void TimbreProgram::prepare(double pitch) {
    const SampleSound sine = this->sine();
    const double fundamental_hz = midi_hz(pitch);
    const double highest_hz = kHighestPartialOfRate * output_rate_;
    partials_.read([&](const std::vector<TonePartial>* partials) {
        for (const TonePartial& p : *partials) {
            const double hz = fundamental_hz * p.ratio;
            if (!(hz < highest_hz)) continue;
            if (const auto rate = place_partial(hz).rate) samples_.prepare(this, sine, *rate);
        }
    });
}

int TimbreProgram::start(fluid_synth_t* synth, uint32_t id, int channel, double pitch,
                         int velocity) noexcept KELVARA_NONBLOCKING {
    pending_pitch_ = pitch;
    const int key = int(std::clamp(std::lround(pitch), 0L, long(kMidiMaxKey)));
    return fluid_synth_start(synth, id, preset_.get(), 0, channel, key, velocity);
}

int TimbreProgram::preset_note_on(fluid_preset_t* preset, fluid_synth_t* synth, int channel,
                                  int /*key*/, int velocity) noexcept KELVARA_NONBLOCKING {
    auto* self = static_cast<TimbreProgram*>(fluid_preset_get_data(preset));
    return self->note_on(synth, channel, velocity);
}

int TimbreProgram::note_on(fluid_synth_t* synth, int channel,
                           int velocity) noexcept KELVARA_NONBLOCKING {
    const std::vector<TonePartial>* list = partials_.get();
    const double fundamental_hz = midi_hz(pending_pitch_);
    const double highest_hz = kHighestPartialOfRate * output_rate_;
    // The partials that sound, with the filter's roll-off made up, add up to one full sine.
    double total = 0.0;
    for (const TonePartial& p : *list) {
        const double hz = fundamental_hz * p.ratio;
        if (hz < highest_hz) total += p.amplitude / voice_filter_gain(hz, output_rate_);
    }
    if (!(total > 0.0)) return FLUID_OK;
    int free_voices = fluid_synth_get_polyphony(synth) - fluid_synth_get_active_voice_count(synth);
    uint64_t without_voice = 0;
    for (const TonePartial& p : *list) {
        const double hz = fundamental_hz * p.ratio;
        if (!(hz < highest_hz)) continue;
        if (free_voices <= 0) {
            ++without_voice;
            continue;
        }
        const double level = p.amplitude / voice_filter_gain(hz, output_rate_) / total;
        if (start_partial(synth, channel, velocity, hz, level))
            --free_voices;
        else
            ++without_voice;
    }
    if (without_voice > 0)
        partials_without_voice_.fetch_add(without_voice, std::memory_order_relaxed);
    return FLUID_OK;
}

// False when the partial found no voice. A partial whose rate has no sample (the partials
// changed after the tone was queued, or the cache is full) plays the sine at its own rate,
// tuned by FluidSynth to the nearest cent, and is counted by the cache.
bool TimbreProgram::start_partial(fluid_synth_t* synth, int channel, int velocity, double hz,
                                  double level) noexcept KELVARA_NONBLOCKING {
    const double attenuation = -200.0 * std::log10(level);
    if (!(attenuation < kMaxAttenuationCentibels)) return true;  // inaudible: nothing to play
    const PartialPlacement placement = place_partial(hz);
    if (!placement.rate) return false;
    fluid_sample_t* sample = samples_.find(this, *placement.rate);
    float fine_tune = 0.0f;
    if (sample == nullptr) {
        sample = samples_.find(this, kScaledSineRate);
        fine_tune = float(1200.0 * std::log2(hz / midi_hz(placement.key)));
    }
    if (sample == nullptr) return true;
    fluid_voice_t* voice = fluid_synth_alloc_voice(synth, sample, channel, placement.key, velocity);
    if (voice == nullptr) return false;
    fluid_voice_gen_set(voice, GEN_SAMPLEMODE, kLoopContinuously);
    fluid_voice_gen_set(voice, GEN_VOLENVATTACK, kAttack10ms);
    fluid_voice_gen_set(voice, GEN_VOLENVRELEASE, kRelease100ms);
    fluid_voice_gen_set(voice, GEN_FILTERFC, kCutoffGenerator);
    fluid_voice_gen_set(voice, GEN_ATTENUATION,
                        float(std::max(0.0, attenuation)) + kWholeCentibelRoundingBias);
    fluid_voice_gen_set(voice, GEN_COARSETUNE, kBelowZeroSemitones);
    fluid_voice_gen_set(voice, GEN_FINETUNE, fine_tune);
    fluid_synth_start_voice(synth, voice);
    return true;
}

void TimbreProgram::shift_voice(fluid_voice_t* voice, float cents) noexcept KELVARA_NONBLOCKING {
    const float semitones = std::round(cents / 100.0f);
    fluid_voice_gen_set(voice, GEN_COARSETUNE, kBelowZeroSemitones + semitones);
    fluid_voice_gen_set(voice, GEN_FINETUNE, cents - 100.0f * semitones);
    fluid_voice_update_param(voice, GEN_FINETUNE);
}

}  // namespace kelvara::sound
