#include "sound/bank_tuning.h"

#include <algorithm>
#include <array>
#include <map>
#include <span>
#include <tuple>

#include "sound/instpatch_bank.h"
#include "sound/sample_pitch_estimator.h"
#include "sound/tuning_policy.h"

namespace kelvara::sound {
namespace {

constexpr double kCentsPerOctave = 1200.0;
// Window positions are rounded to this many frames, so zones playing one sample at nearly the
// same rate share one measurement.
constexpr size_t kWindowGrain = 16;
// A zone played far from its sample's rate would want a stretch of millions of frames; no
// more than this is analysed (or skipped), and the rate ratio is limited as the loader limits
// it.
constexpr double kMaxAnalysisFrames = double(1 << 18);
constexpr double kMaxRateRatio = 256.0;
// SF2 sample offsets: the coarse generators count units of 32768 frames.
constexpr int kCoarseOffsetFrames = 32768;

int generator(const IpatchSF2GenArray& gens, int id, int fallback) {
    return IPATCH_SF2_GEN_ARRAY_TEST_FLAG(&gens, id) ? gens.values[id].sword : fallback;
}

int offset_frames(const IpatchSF2GenArray& gens, int fine_id, int coarse_id) {
    return generator(gens, fine_id, 0) + kCoarseOffsetFrames * generator(gens, coarse_id, 0);
}

// Pitch in cents with MIDI key 69 at 6900 (440 Hz).
double hz_at_cents(double cents) {
    return 440.0 * std::exp2((cents - 6900.0) / kCentsPerOctave);
}

double fold_octaves(double cents) {
    return cents - kCentsPerOctave * std::round(cents / kCentsPerOctave);
}

// Keeps a voice's cached 16-bit sample data resident while it is read.
class OpenSampleStore {
public:
    explicit OpenSampleStore(IpatchSampleStoreCache* store) : store_(store) {
        ipatch_sample_store_cache_open(store_);
    }
    ~OpenSampleStore() { ipatch_sample_store_cache_close(store_); }
    OpenSampleStore(const OpenSampleStore&) = delete;
    OpenSampleStore& operator=(const OpenSampleStore&) = delete;

    const int16_t* data() const {
        return static_cast<const int16_t*>(ipatch_sample_store_cache_get_location(store_));
    }

private:
    IpatchSampleStoreCache* store_;
};

// The sample data of a voice, as the voice plays it (the zone's sample offsets applied).
struct VoiceSample {
    std::span<const int16_t> frames;
    PlayedSample played;
};

std::optional<VoiceSample> voice_sample(IpatchSF2Voice& voice, const OpenSampleStore& store) {
    const int16_t* data = store.data();
    if (data == nullptr || voice.rate == 0) return std::nullopt;
    const IpatchSF2GenArray& gens = voice.gen_array;
    const long size = voice.sample_size;
    const long start = std::clamp<long>(
        offset_frames(gens, IPATCH_SF2_GEN_SAMPLE_START, IPATCH_SF2_GEN_SAMPLE_COARSE_START), 0,
        size);
    const long end = std::clamp<long>(
        size + offset_frames(gens, IPATCH_SF2_GEN_SAMPLE_END, IPATCH_SF2_GEN_SAMPLE_COARSE_END),
        start, size);
    const long loop_start =
        voice.loop_start + offset_frames(gens, IPATCH_SF2_GEN_SAMPLE_LOOP_START,
                                         IPATCH_SF2_GEN_SAMPLE_COARSE_LOOP_START);
    const long loop_end = voice.loop_end + offset_frames(gens, IPATCH_SF2_GEN_SAMPLE_LOOP_END,
                                                         IPATCH_SF2_GEN_SAMPLE_COARSE_LOOP_END);
    VoiceSample sample;
    sample.frames = std::span(data + start, size_t(end - start));
    sample.played.frames = sample.frames;
    sample.played.rate_hz = voice.rate;
    sample.played.loops = (generator(gens, IPATCH_SF2_GEN_SAMPLE_MODES, 0) & 1) != 0 &&
                          loop_start >= start && loop_end <= end;
    if (sample.played.loops) {
        sample.played.loop_start = uint32_t(loop_start - start);
        sample.played.loop_end = uint32_t(loop_end - start);
    }
    return sample;
}

// One measurement is shared by the zones that play the same stretch of the same sample.
using MeasurementKey =
    std::tuple<const int16_t*, size_t, bool, uint32_t, uint32_t, size_t, size_t, long>;

class BankMeasurer {
public:
    explicit BankMeasurer(std::stop_token stop) : stop_(std::move(stop)) {}

    bool stopped() const { return stop_.stop_requested(); }

    // The zones of one voice cache, measured, with the preset's corrections.
    std::vector<ZoneTuning> measure(IpatchSF2VoiceCache& cache) {
        int note_index = -1, velocity_index = -1;
        for (int i = 0; i < cache.sel_count; ++i) {
            if (cache.sel_info[i].type == IPATCH_SF2_VOICE_SEL_NOTE) note_index = i;
            if (cache.sel_info[i].type == IPATCH_SF2_VOICE_SEL_VELOCITY) velocity_index = i;
        }
        std::vector<ZoneTuning> zones;
        for (guint i = 0; i < cache.voices->len && !stopped(); ++i) {
            IpatchSF2Voice& voice = *IPATCH_SF2_VOICE_CACHE_GET_VOICE((&cache), i);
            // A voice without readable sample data is one the loader cannot play either.
            if (voice.sample_data == nullptr ||
                !ipatch_sf2_voice_cache_sample_data(&voice, nullptr))
                continue;
            const OpenSampleStore store(IPATCH_SAMPLE_STORE_CACHE(voice.sample_store));
            const auto sample = voice_sample(voice, store);
            if (!sample) continue;
            const int* ranges = &g_array_index(cache.ranges, int, voice.range_index);
            ZoneTuning zone;
            zone.voice = i;
            if (note_index >= 0) {
                zone.key_low = std::clamp(ranges[2 * note_index], 0, 127);
                zone.key_high = std::clamp(ranges[2 * note_index + 1], zone.key_low, 127);
            }
            if (velocity_index >= 0) {
                zone.velocity_low = std::clamp(ranges[2 * velocity_index], 0, 127);
                zone.velocity_high =
                    std::clamp(ranges[2 * velocity_index + 1], zone.velocity_low, 127);
            }
            zone.sample_frames = voice.sample_size;
            measure_zone(voice, *sample, zone);
            zones.push_back(zone);
        }
        apply_tuning_policy(zones);
        return zones;
    }

private:
    void measure_zone(const IpatchSF2Voice& voice, const VoiceSample& sample, ZoneTuning& zone) {
        const IpatchSF2GenArray& gens = voice.gen_array;
        const int override_root = generator(gens, IPATCH_SF2_GEN_ROOT_NOTE_OVERRIDE, -1);
        zone.root_key = override_root >= 0 ? override_root : voice.root_note;
        zone.reference_key = std::clamp(zone.root_key, zone.key_low, zone.key_high);
        // How FluidSynth places the voice: the scale tuning applies to the key's distance from
        // the root key and to the sample's pitch correction, coarse and fine tuning add.
        zone.cents_per_key = generator(gens, IPATCH_SF2_GEN_SCALE_TUNE, 100);
        const double scale = zone.cents_per_key / 100.0;
        const double coarse = 100.0 * generator(gens, IPATCH_SF2_GEN_COARSE_TUNE, 0);
        const double fine = generator(gens, IPATCH_SF2_GEN_FINE_TUNE_OVERRIDE, 0);
        const double key_cents = 100.0 * scale * (zone.reference_key - zone.root_key);
        const double shift_cents = key_cents + scale * voice.fine_tune + coarse + fine;
        const double declared_cents = 100.0 * zone.root_key + key_cents + coarse;
        zone.declared_hz = hz_at_cents(declared_cents);

        // Sample time per output time; as the loader limits it.
        const double ratio = std::clamp(std::exp2(shift_cents / kCentsPerOctave),
                                        1.0 / kMaxRateRatio, kMaxRateRatio);
        const double expected_hz = zone.declared_hz / ratio;
        const double frames_per_second = ratio * sample.played.rate_hz;
        const PlayedSample& played = sample.played;
        if (!played.loops) {
            const PitchEstimate steady = measure(
                sample, grain(kAnalysisStartSeconds * frames_per_second),
                std::max(kWindowGrain, grain(kAnalysisSeconds * frames_per_second)), expected_hz);
            set_measured(zone, steady, ratio);
            return;
        }
        const size_t loop_frames = played.loop_end - played.loop_start;
        const size_t attack_first = grain(kAnalysisStartSeconds * frames_per_second);
        const size_t attack_end = std::min<size_t>(
            played.loop_start,
            attack_first + std::max(kWindowGrain, grain(kAnalysisSeconds * frames_per_second)));
        const PitchEstimate attack =
            attack_end > attack_first
                ? measure(sample, attack_first, attack_end - attack_first, expected_hz)
                : PitchEstimate{};
        PitchEstimate loop = measure(
            sample, played.loop_start,
            std::max(loop_frames, grain(kAnalysisSeconds * frames_per_second)), expected_hz);
        if (loop.confidence < kMinConfidence && attack.confidence >= kMinConfidence)
            loop = loop_line_near(played, attack);
        if (loop.confidence >= kMinConfidence) zone.loop_hz = loop.hz * ratio;
        if (attack.confidence >= kMinConfidence) zone.attack_hz = attack.hz * ratio;
        set_measured(zone, loop, ratio);
        const double apart = kCentsPerOctave * std::log2(zone.attack_hz / zone.loop_hz);
        // The loader retunes the sample's own loop, so a zone that moves its sample's start or
        // loop keeps the sustain correction.
        const bool own_loop = sample.frames.size() == voice.sample_size &&
                              played.loop_start == voice.loop_start &&
                              played.loop_end == voice.loop_end;
        if (own_loop && loop.confidence >= kMinConfidence && attack.confidence >= kMinConfidence) {
            if (const AttackTrack* track = attack_track(sample, loop.hz, frames_per_second)) {
                zone.attack_wander_cents = attack_wander_cents(*track);
                if (zone.attack_wander_cents > kFlattenedAttackCents) {
                    zone.flattened_attack = *track;
                    return;
                }
            }
        }
        if (own_loop && std::abs(apart) > kRetunedLoopCents &&
            std::abs(apart) <= kMaxCorrectionCents &&
            steady(sample, attack_first, attack_end, expected_hz)) {
            // The loop's periods at the attack's period: the loop length that plays the
            // attack's pitch, which the correction then puts right for both.
            zone.retuned_loop_frames = double(loop_frames) * loop.hz / attack.hz;
            set_measured(zone, {attack.hz, std::min(attack.confidence, loop.confidence)}, ratio);
        }
    }

    // Whether the pitch from frame `first` to `end` holds within kUnsteadyAttackCents between
    // its two halves: an attack whose pitch wanders (partials beating as they decay) has no
    // one pitch a loop could be retuned to.
    bool steady(const VoiceSample& sample, size_t first, size_t end, double expected_hz) {
        const size_t half = grain(double(end - first) / 2.0);
        if (half < kWindowGrain) return true;
        const double early = measure(sample, first, half, expected_hz).hz;
        const double late = measure(sample, first + half, end - first - half, expected_hz).hz;
        return std::abs(kCentsPerOctave * std::log2(early / late)) <= kUnsteadyAttackCents;
    }

    // The loop's line nearest the attack's pitch: what the loop sounds at when the loop alone
    // is too short or too unsteady for its own period to be found (a loop over vibrato, say),
    // as sure as the attack is.
    static PitchEstimate loop_line_near(const PlayedSample& played, const PitchEstimate& attack) {
        const double line_hz = played.rate_hz / double(played.loop_end - played.loop_start);
        return {std::max(1.0, std::round(attack.hz / line_hz)) * line_hz, attack.confidence};
    }

    // The track of the sample's attack against its loop sounding `loop_hz`, played at
    // `frames_per_second`; followed once for all the zones that play the sample within a
    // semitone of that rate (the track's times differ by less than 6 %). Null when it cannot
    // be followed.
    const AttackTrack* attack_track(const VoiceSample& sample, double loop_hz,
                                    double frames_per_second) {
        const PlayedSample& played = sample.played;
        const TrackKey key{sample.frames.data(),
                           sample.frames.size(),
                           played.loop_start,
                           played.loop_end,
                           loop_hz,
                           std::lround(12.0 * std::log2(frames_per_second / played.rate_hz))};
        auto found = tracks_.find(key);
        if (found == tracks_.end())
            found = tracks_.emplace(key, track_attack(played, loop_hz, frames_per_second)).first;
        return found->second ? &*found->second : nullptr;
    }

    static void set_measured(ZoneTuning& zone, const PitchEstimate& estimate, double ratio) {
        zone.confidence = estimate.confidence;
        if (!std::isfinite(estimate.hz)) return;
        zone.measured_hz = estimate.hz * ratio;
        zone.error_cents =
            fold_octaves(kCentsPerOctave * std::log2(zone.measured_hz / zone.declared_hz));
    }

    static size_t grain(double frames) {
        return size_t(std::lround(std::min(frames, kMaxAnalysisFrames) / double(kWindowGrain))) *
               kWindowGrain;
    }

    // The pitch of `count` frames of the sample as played from frame `first` on; measured once
    // for all the zones that play that stretch.
    const PitchEstimate& measure(const VoiceSample& sample, size_t first, size_t count,
                                 double expected_hz) {
        const PlayedSample& played = sample.played;
        const MeasurementKey key{sample.frames.data(),
                                 sample.frames.size(),
                                 played.loops,
                                 played.loop_start,
                                 played.loop_end,
                                 first,
                                 count,
                                 std::lround(12.0 * std::log2(expected_hz))};
        auto found = measured_.find(key);
        if (found == measured_.end()) {
            const double rate = played.rate_hz;
            found = measured_
                        .emplace(key, estimate_played_pitch(played, double(first) / rate,
                                                            double(count) / rate, expected_hz))
                        .first;
        }
        return found->second;
    }

    std::stop_token stop_;
    std::map<MeasurementKey, PitchEstimate> measured_;
    using TrackKey = std::tuple<const int16_t*, size_t, uint32_t, uint32_t, double, long>;
    std::map<TrackKey, std::optional<AttackTrack>> tracks_;
};

}  // namespace

const PresetTuning* BankTuning::find(int bank, int program) const {
    for (const PresetTuning& preset : presets)
        if (preset.bank == bank && preset.program == program) return &preset;
    return nullptr;
}

Error measurement_stopped(const std::string& path) {
    Error stopped{
        ErrorKind::Refused, 0, "The measurement of a sound bank was stopped.", {}, {}, {}};
    stopped.where.file = path;
    return stopped;
}

Result<BankTuning> measure_bank_tuning(const std::string& path, std::stop_token stop) {
    const Result<GObjectPtr<GObject>> base = open_instpatch_bank(path);
    if (!base) return base.error();
    const GObjectPtr<IpatchList> items = bank_presets(base->get());
    if (!items) {
        Error refused{ErrorKind::Refused,
                      0,
                      "The sound bank \"" + path + "\" could not be read.",
                      {},
                      "libinstpatch lists none of its presets",
                      {}};
        refused.where.file = path;
        return refused;
    }

    BankMeasurer measurer(std::move(stop));
    BankTuning tuning;
    for (GList* p = items->items; p != nullptr && !measurer.stopped(); p = p->next) {
        PresetHeader header = preset_header(G_OBJECT(p->data));
        // The loader keeps the first of presets sharing a bank and program; so does this.
        if (tuning.find(header.bank, header.program) != nullptr) continue;
        const auto voices = preset_voices(G_OBJECT(p->data));
        if (!voices) continue;
        tuning.presets.push_back(
            {std::move(header.name), header.bank, header.program, measurer.measure(*voices)});
    }
    if (measurer.stopped()) return measurement_stopped(path);
    std::sort(tuning.presets.begin(), tuning.presets.end(), [](const auto& a, const auto& b) {
        return std::pair(a.bank, a.program) < std::pair(b.bank, b.program);
    });
    return tuning;
}

}  // namespace kelvara::sound
