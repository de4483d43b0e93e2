#include "sound/exact_pitch_loader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sound/flattened_attack.h"
#include "sound/fluid_handles.h"
#include "sound/instpatch_bank.h"
#include "sound/retuned_loop.h"
#include "sound/sample_rate_cache.h"

namespace kelvara::sound {
namespace {

// SoundFont 2 attenuation is given in centibels, but the EMU8000 hardware the format was
// written for applied only 0.4 of it; FluidSynth's own SoundFont loader does the same, and
// voices are about 8 dB too quiet without it. DLS attenuation is not scaled.
constexpr float kSf2AttenuationFactor = 0.4f;
// FluidSynth truncates the voice pitch to whole cents. Half a cent of fine tune turns that
// truncation into rounding, so float noise below a whole cent can never drop a cent.
constexpr float kWholeCentRoundingBias = 0.5f;
constexpr guint16 kMaxVoicesPerNote = 128;
// A sample rate ratio beyond eight octaves either way plays nothing useful; limiting it keeps
// the rate a valid unsigned number for any pitch.
constexpr double kMaxRateRatio = 256.0;

// How many playback rates of each voice a bank's sample cache makes room for: the voice's own
// rate, made when the bank loads, and the distinct pitches a chord map plays through the
// voice, twice over (with the bank's measured correction and without it), with room to spare;
// a voice that plays a retuned copy adds the copy at its own rate.
constexpr size_t kRatesPerVoice = 40;
constexpr int kCentsPerSemitone = 100;
constexpr size_t kMinimumCachedSamples = 1024;

// A copy of a voice's sample whose loop holds its periods at the attack's pitch (retuned_loop.h),
// or whose attack holds the loop's (flattened_attack.h).
struct RetunedSound {
    double loop_frames = 0.0;  // the length asked for (ZoneTuning::retuned_loop_frames)
    uint64_t attack_key = 0;   // the attack's track (VoiceCorrection::attack_key), 0 for none
    std::vector<int16_t> frames;
    SampleSound sound;  // over `frames`
};

// One cached voice's 16-bit data, kept resident while the voice cache lives. FluidSynth plays
// it through samples of the bank's sample cache, one per playback rate: the rate carries the
// pitch fraction. A zone whose attack and loop are tuned apart, or whose attack wanders, plays a
// retuned copy instead,
// made when its first tone is prepared and kept, like the data, while the voice cache lives.
class VoiceSample {
public:
    explicit VoiceSample(IpatchSampleStoreCache* store) : store_(store) {
        ipatch_sample_store_cache_open(store_);  // keeps the data resident
    }
    ~VoiceSample() { ipatch_sample_store_cache_close(store_); }
    VoiceSample(const VoiceSample&) = delete;
    VoiceSample& operator=(const VoiceSample&) = delete;

    SampleSound sound(const IpatchSF2Voice& voice) const {
        // The voice cache's loop end is already the first frame after the loop, which is
        // what FluidSynth expects (one less detunes a short loop audibly).
        return {static_cast<short*>(ipatch_sample_store_cache_get_location(store_)),
                voice.sample_size,
                voice.loop_start,
                voice.loop_end,
                voice.root_note,
                voice.fine_tune};
    }

    // The copy of the sample the correction asks for (its attack flattened, its loop resampled
    // to retuned_loop_frames), made unless the last one made is that one; null when the sample
    // cannot be copied so. Off the audio thread.
    const RetunedSound* retuned(const IpatchSF2Voice& voice, const VoiceCorrection& correction) {
        const std::lock_guard lock(copies_mutex_);
        if (const RetunedSound* last = find_retuned(correction)) return last;
        const SampleSound own = sound(voice);
        std::optional<RetunedLoop> loop;
        if (correction.flattened_attack != nullptr) {
            loop = flatten_attack(std::span(own.data, own.frames), own.loop_start, own.loop_end,
                                  *correction.flattened_attack);
            if (!loop) return nullptr;
        }
        if (correction.retuned_loop_frames > 0.0) {
            const std::span<const int16_t> frames =
                loop ? std::span<const int16_t>(loop->frames) : std::span(own.data, own.frames);
            const uint32_t start = loop ? loop->loop_start : own.loop_start;
            const uint32_t end = loop ? loop->loop_end : own.loop_end;
            loop = retune_loop(frames, start, end, correction.retuned_loop_frames);
            if (!loop) return nullptr;
        }
        if (!loop) return nullptr;
        auto copy = std::make_unique<RetunedSound>();
        copy->loop_frames = correction.retuned_loop_frames;
        copy->attack_key = correction.attack_key;
        copy->frames = std::move(loop->frames);
        copy->sound = {copy->frames.data(), unsigned(copy->frames.size()),
                       loop->loop_start,    loop->loop_end,
                       own.root_key,        own.fine_tune};
        copies_.push_back(std::move(copy));
        latest_.store(copies_.back().get(), std::memory_order_release);
        return copies_.back().get();
    }
    // The copy last made, when it is the one the correction asks for; null otherwise. Any
    // thread.
    const RetunedSound* find_retuned(const VoiceCorrection& correction) const noexcept
        KELVARA_NONBLOCKING {
        const RetunedSound* last = latest_.load(std::memory_order_acquire);
        return last != nullptr && last->loop_frames == correction.retuned_loop_frames &&
                       last->attack_key == correction.attack_key
                   ? last
                   : nullptr;
    }

    static void destroy(gpointer self) {
        std::unique_ptr<VoiceSample>(static_cast<VoiceSample*>(self));
    }

private:
    IpatchSampleStoreCache* store_;
    // Copies are never freed before the voice cache: a voice may still be playing one.
    std::mutex copies_mutex_;
    std::vector<std::unique_ptr<RetunedSound>> copies_;
    std::atomic<const RetunedSound*> latest_{nullptr};
};

class ExactBank;

// One preset (SF2) or instrument (DLS) with its voice cache.
class ExactPreset {
public:
    ExactPreset(std::string name, int bank, int program, GObjectPtr<IpatchSF2VoiceCache> cache)
        : name_(std::move(name)), bank_(bank), program_(program), cache_(std::move(cache)) {}

    const std::string& name() const { return name_; }
    int bank() const { return bank_; }
    int program() const { return program_; }
    fluid_preset_t* handle() const { return handle_.get(); }
    void set_handle(FluidPresetPtr handle) { handle_ = std::move(handle); }

    size_t voice_count() const { return cache_->voices->len; }

    // Makes each voice's sample at the voice's own rate, which a note-on plays when the
    // sample of its exact rate is missing. When the bank loads.
    void prepare_own_rates(SampleRateCache& samples) const;
    // Makes the samples a note-on of `key` at `vel`, playing `pitch`, will look up: at the
    // corrected rate and at the bank's own. Off the audio thread.
    void prepare(SampleRateCache& samples, int key, int vel, double pitch,
                 const PitchCorrections* corrections) const;
    // Starts every voice of the note-on whose sample was prepared. The thread that renders.
    int note_on(fluid_synth_t* synth, int chan, int key, int vel, double pitch,
                float attenuation_factor, fluid_mod_t* scratch, const PitchCorrections* corrections,
                const SampleRateCache& samples) const noexcept KELVARA_NONBLOCKING;

private:
    using VoiceIndexes = std::array<guint16, kMaxVoicesPerNote>;
    // A voice of the note-on whose sample data could be read, with its pitch correction.
    struct SelectedVoice {
        const IpatchSF2Voice* voice;
        VoiceSample* data;
        VoiceCorrection correction;
    };
    using SelectedVoices = std::array<SelectedVoice, kMaxVoicesPerNote>;
    // The voices of the note-on, as indexes into the voice cache; their count.
    int select_voices(int key, int vel, VoiceIndexes& indexes) const noexcept KELVARA_NONBLOCKING;
    // The readable voices of the note-on with their corrections; their count. Preparing and
    // starting a note take the same voices at the same rates.
    int readable_voices(int key, int vel, const PitchCorrections* corrections,
                        SelectedVoices& voices) const noexcept KELVARA_NONBLOCKING;
    int start_voice(fluid_synth_t* synth, const IpatchSF2Voice& voice, fluid_sample_t* sample,
                    double extra_cents, int chan, int key, int vel, float attenuation_factor,
                    fluid_mod_t* scratch) const noexcept KELVARA_NONBLOCKING;

    std::string name_;
    int bank_;
    int program_;
    GObjectPtr<IpatchSF2VoiceCache> cache_;
    FluidPresetPtr handle_;  // refers to the bank's fluid_sfont_t
};

// The ratio between the requested pitch and the whole-key pitch FluidSynth will compute,
// following the voice's scale tuning (cents per key, 100 unless the bank says otherwise).
double pitch_ratio(const IpatchSF2Voice& voice, int key,
                   double pitch) noexcept KELVARA_NONBLOCKING {
    if (!std::isfinite(pitch)) return 1.0;
    const IpatchSF2GenArray& gens = voice.gen_array;
    const double cents_per_key = IPATCH_SF2_GEN_ARRAY_TEST_FLAG(&gens, IPATCH_SF2_GEN_SCALE_TUNE)
                                     ? gens.values[IPATCH_SF2_GEN_SCALE_TUNE].sword
                                     : 100.0;
    const double ratio = std::exp2((pitch - key) * cents_per_key / 1200.0);
    return std::clamp(ratio, 1.0 / kMaxRateRatio, kMaxRateRatio);
}

void apply_generators(fluid_voice_t* target, const IpatchSF2GenArray& gens,
                      float attenuation_factor) noexcept KELVARA_NONBLOCKING {
    for (int gen = 0; gen < IPATCH_SF2_GEN_COUNT; ++gen) {
        if (!IPATCH_SF2_GEN_ARRAY_TEST_FLAG(&gens, gen)) continue;
        float value = gens.values[gen].sword;
        if (gen == IPATCH_SF2_GEN_ATTENUATION) value *= attenuation_factor;
        fluid_voice_gen_set(target, gen, value);
    }
}

int mod_flags(guint16 source) noexcept KELVARA_NONBLOCKING {
    const int shape = (source & (IPATCH_SF2_MOD_MASK_DIRECTION | IPATCH_SF2_MOD_MASK_POLARITY |
                                 IPATCH_SF2_MOD_MASK_TYPE)) >>
                      IPATCH_SF2_MOD_SHIFT_DIRECTION;
    return shape | ((source & IPATCH_SF2_MOD_MASK_CC) ? FLUID_MOD_CC : 0);
}

void apply_modulators(fluid_voice_t* target, GSList* mods,
                      fluid_mod_t* scratch) noexcept KELVARA_NONBLOCKING {
    for (GSList* p = mods; p != nullptr; p = p->next) {
        const auto* mod = static_cast<const IpatchSF2Mod*>(p->data);
        fluid_mod_set_dest(scratch, mod->dest);
        fluid_mod_set_source1(scratch, mod->src & IPATCH_SF2_MOD_MASK_CONTROL, mod_flags(mod->src));
        fluid_mod_set_source2(scratch, mod->amtsrc & IPATCH_SF2_MOD_MASK_CONTROL,
                              mod_flags(mod->amtsrc));
        fluid_mod_set_amount(scratch, mod->amount);
        fluid_voice_add_mod(target, scratch, FLUID_VOICE_OVERWRITE);
    }
}

// The ratio of the playback rate of `voice`'s sample that sounds `pitch` on `key`, with the
// bank's measured correction, to the sample's own rate.
double rate_ratio(const IpatchSF2Voice& voice, int key, double pitch,
                  double correction_cents) noexcept KELVARA_NONBLOCKING {
    return pitch_ratio(voice, key, pitch) * std::exp2(correction_cents / 1200.0);
}

unsigned int voice_rate(const IpatchSF2Voice& voice, int key, double pitch,
                        double correction_cents) noexcept KELVARA_NONBLOCKING {
    const double ratio = rate_ratio(voice, key, pitch, correction_cents);
    return static_cast<unsigned int>(std::max(1.0, std::round(voice.rate * ratio)));
}

// Moves a voice's pitch by `cents`, the whole semitones by its coarse tune.
void tune_voice(fluid_voice_t* voice, double cents) noexcept KELVARA_NONBLOCKING {
    const double semitones = std::round(cents / kCentsPerSemitone);
    if (semitones != 0.0) fluid_voice_gen_incr(voice, GEN_COARSETUNE, float(semitones));
    fluid_voice_gen_incr(voice, GEN_FINETUNE,
                         float(cents - semitones * kCentsPerSemitone) + kWholeCentRoundingBias);
}

int ExactPreset::select_voices(int key, int vel,
                               VoiceIndexes& indexes) const noexcept KELVARA_NONBLOCKING {
    IpatchSF2VoiceCache* cache = cache_.get();
    std::array<int, IPATCH_SF2_VOICE_CACHE_MAX_SEL_VALUES> selection{};
    for (int i = 0; i < cache->sel_count && i < int(selection.size()); ++i) {
        switch (cache->sel_info[i].type) {
            case IPATCH_SF2_VOICE_SEL_NOTE: selection[i] = key; break;
            case IPATCH_SF2_VOICE_SEL_VELOCITY: selection[i] = vel; break;
            default: selection[i] = IPATCH_SF2_VOICE_SEL_WILDCARD; break;
        }
    }
    return ipatch_sf2_voice_cache_select(cache, selection.data(), indexes.data(),
                                         kMaxVoicesPerNote);
}

void ExactPreset::prepare_own_rates(SampleRateCache& samples) const {
    for (guint i = 0; i < cache_->voices->len; ++i) {
        const IpatchSF2Voice& voice = *IPATCH_SF2_VOICE_CACHE_GET_VOICE(cache_.get(), i);
        const auto* data = static_cast<const VoiceSample*>(voice.user_data);
        if (voice.sample_store != nullptr && data != nullptr)
            samples.prepare(data, data->sound(voice), voice.rate);
    }
}

int ExactPreset::readable_voices(int key, int vel, const PitchCorrections* corrections,
                                 SelectedVoices& voices) const noexcept KELVARA_NONBLOCKING {
    const auto* preset_corrections = corrections ? corrections->preset(bank_, program_) : nullptr;
    VoiceIndexes indexes{};
    const int count = select_voices(key, vel, indexes);
    int readable = 0;
    for (int i = 0; i < count; ++i) {
        const IpatchSF2Voice& voice = *IPATCH_SF2_VOICE_CACHE_GET_VOICE(cache_.get(), indexes[i]);
        auto* data = static_cast<VoiceSample*>(voice.user_data);
        if (voice.sample_store == nullptr || data == nullptr) continue;  // unreadable data
        voices[static_cast<size_t>(readable++)] = {
            &voice, data,
            PitchCorrections::of_voice(preset_corrections, indexes[i], voice.sample_size)};
    }
    return readable;
}

void ExactPreset::prepare(SampleRateCache& samples, int key, int vel, double pitch,
                          const PitchCorrections* corrections) const {
    SelectedVoices voices{};
    const int count = readable_voices(key, vel, corrections, voices);
    for (const SelectedVoice& v : std::span(voices.data(), static_cast<size_t>(count))) {
        const auto sound = v.data->sound(*v.voice);
        const double cents = v.correction.cents;
        const RetunedSound* copy =
            v.correction.plays_copy() ? v.data->retuned(*v.voice, v.correction) : nullptr;
        if (copy != nullptr) {
            samples.prepare(copy, copy->sound, voice_rate(*v.voice, key, pitch, cents));
            samples.prepare(copy, copy->sound, v.voice->rate);  // as the own-rate fallback
        } else {
            samples.prepare(v.data, sound, voice_rate(*v.voice, key, pitch, cents));
        }
        if (cents != 0.0) samples.prepare(v.data, sound, voice_rate(*v.voice, key, pitch, 0.0));
    }
}

int ExactPreset::start_voice(fluid_synth_t* synth, const IpatchSF2Voice& voice,
                             fluid_sample_t* sample, double extra_cents, int chan, int key, int vel,
                             float attenuation_factor,
                             fluid_mod_t* scratch) const noexcept KELVARA_NONBLOCKING {
    fluid_voice_t* target = fluid_synth_alloc_voice(synth, sample, chan, key, vel);
    if (target == nullptr) return FLUID_FAILED;
    apply_generators(target, voice.gen_array, attenuation_factor);
    apply_modulators(target, voice.mod_list, scratch);
    tune_voice(target, extra_cents);
    fluid_synth_start_voice(synth, target);
    return FLUID_OK;
}

// A voice whose sample at the exact rate is missing (the cache was full, or the corrections
// changed after the tone was queued) plays its sample at the voice's own rate, tuned by
// FluidSynth to the nearest cent, and is counted by the cache: a tone never goes silent for
// want of a sample. A voice whose retuned copy is missing (its tone was queued before the
// corrections arrived) plays the bank's own loop: its attack in tune, its sustain as the bank
// has it.
int ExactPreset::note_on(fluid_synth_t* synth, int chan, int key, int vel, double pitch,
                         float attenuation_factor, fluid_mod_t* scratch,
                         const PitchCorrections* corrections,
                         const SampleRateCache& samples) const noexcept KELVARA_NONBLOCKING {
    SelectedVoices voices{};
    const int count = readable_voices(key, vel, corrections, voices);
    for (const SelectedVoice& v : std::span(voices.data(), static_cast<size_t>(count))) {
        const double cents = v.correction.cents;
        const RetunedSound* copy =
            v.correction.plays_copy() ? v.data->find_retuned(v.correction) : nullptr;
        const void* owner = copy != nullptr ? static_cast<const void*>(copy) : v.data;
        fluid_sample_t* sample = samples.find(owner, voice_rate(*v.voice, key, pitch, cents));
        double extra_cents = 0.0;
        if (sample == nullptr) {
            sample = samples.find(owner, v.voice->rate);
            extra_cents = 1200.0 * std::log2(rate_ratio(*v.voice, key, pitch, cents));
        }
        if (sample == nullptr) continue;
        if (start_voice(synth, *v.voice, sample, extra_cents, chan, key, vel, attenuation_factor,
                        scratch) != FLUID_OK)
            return FLUID_FAILED;
    }
    return FLUID_OK;
}

// The voices of one SF2 preset or DLS instrument with their sample data resident. Nothing
// when libinstpatch cannot convert it.
GObjectPtr<IpatchSF2VoiceCache> cache_item(GObject* item) {
    auto cache = preset_voices(item);
    if (!cache) return nullptr;
    cache->voice_user_data_destroy = &VoiceSample::destroy;
    for (guint i = 0; i < cache->voices->len; ++i) {
        IpatchSF2Voice* voice = IPATCH_SF2_VOICE_CACHE_GET_VOICE(cache.get(), i);
        if (voice->sample_data == nullptr) continue;
        if (!ipatch_sf2_voice_cache_sample_data(voice, nullptr)) return nullptr;
        auto sample = std::make_unique<VoiceSample>(IPATCH_SAMPLE_STORE_CACHE(voice->sample_store));
        voice->user_data = sample.release();  // the cache destroys it with the voice
    }
    return cache;
}

std::unique_ptr<ExactPreset> make_preset(GObject* item) {
    auto cache = cache_item(item);
    if (!cache) return nullptr;
    PresetHeader header = preset_header(item);
    return std::make_unique<ExactPreset>(std::move(header.name), header.bank, header.program,
                                         std::move(cache));
}

// The data of one loaded bank (a fluid_sfont_t).
class ExactBank {
public:
    ExactBank(std::string name, float attenuation_factor, const ExactPitchContext* context)
        : name_(std::move(name)),
          attenuation_factor_(attenuation_factor),
          context_(context),
          scratch_mod_(new_fluid_mod()) {}

    static std::unique_ptr<ExactBank> load(const char* path, const ExactPitchContext* context);

    const char* name() const { return name_.c_str(); }
    bool empty() const { return presets_.empty(); }
    bool valid() const { return scratch_mod_ != nullptr; }

    void add(std::unique_ptr<ExactPreset> preset) {
        const auto same = [&](const auto& p) {
            return p->bank() == preset->bank() && p->program() == preset->program();
        };
        if (std::none_of(presets_.begin(), presets_.end(), same))
            presets_.push_back(std::move(preset));
    }

    // Creates the FluidSynth preset objects, sorted by bank and program as FluidSynth lists.
    bool attach(fluid_sfont_t* sfont);

    fluid_preset_t* find(int bank, int program) const {
        for (const auto& p : presets_)
            if (p->bank() == bank && p->program() == program) return p->handle();
        return nullptr;
    }
    void rewind() { next_ = 0; }
    fluid_preset_t* next() {
        return next_ < presets_.size() ? presets_[next_++]->handle() : nullptr;
    }
    // Room in the sample cache for every voice of the bank at a few dozen pitches.
    void make_sample_cache() {
        size_t voices = 0;
        for (const auto& p : presets_) voices += p->voice_count();
        samples_ = std::make_unique<SampleRateCache>(
            std::max(kMinimumCachedSamples, voices * kRatesPerVoice));
        for (const auto& p : presets_) p->prepare_own_rates(*samples_);
    }
    const SampleRateCache& samples() const { return *samples_; }

    void prepare(const ExactPreset& preset, int key, int vel, double pitch) const {
        context_->corrections.read_for_bank(name_, [&](const PitchCorrections* corrections) {
            preset.prepare(*samples_, key, vel, pitch, corrections);
        });
    }
    int note_on(const ExactPreset& preset, fluid_synth_t* synth, int chan, int key,
                int vel) const noexcept KELVARA_NONBLOCKING {
        return preset.note_on(synth, chan, key, vel, context_->pending_pitch, attenuation_factor_,
                              scratch_mod_.get(), context_->corrections.for_bank(name_), *samples_);
    }

private:
    std::string name_;
    float attenuation_factor_;
    const ExactPitchContext* context_;
    // Modulators are copied into each voice through this one record, so a note-on does not
    // allocate. Only the thread that renders starts notes, one at a time.
    FluidModPtr scratch_mod_;
    std::vector<std::unique_ptr<ExactPreset>> presets_;
    std::unique_ptr<SampleRateCache> samples_;  // after the presets: their voices own the data
    size_t next_ = 0;
};

// The callbacks below are called by FluidSynth, a C library: no exception may leave them.
// Those that can fail report it in FluidSynth's terms (FLUID_FAILED, a null bank) after one
// line on stderr.
void report(const char* callback, const std::exception* error) noexcept {
    std::fprintf(stderr, "kelvara: the exact-pitch bank loader failed in %s: %s\n", callback,
                 error ? error->what() : "unknown error");
}

const char* preset_name(fluid_preset_t* handle) noexcept {
    return static_cast<ExactPreset*>(fluid_preset_get_data(handle))->name().c_str();
}
int preset_bank(fluid_preset_t* handle) noexcept {
    return static_cast<ExactPreset*>(fluid_preset_get_data(handle))->bank();
}
int preset_program(fluid_preset_t* handle) noexcept {
    return static_cast<ExactPreset*>(fluid_preset_get_data(handle))->program();
}
const ExactPreset& preset_of(fluid_preset_t* handle) noexcept KELVARA_NONBLOCKING {
    return *static_cast<const ExactPreset*>(fluid_preset_get_data(handle));
}
const ExactBank& bank_of_preset(fluid_preset_t* handle) noexcept KELVARA_NONBLOCKING {
    return *static_cast<const ExactBank*>(fluid_sfont_get_data(fluid_preset_get_sfont(handle)));
}

// Nothing here can throw: the samples were made before, on a playing thread.
int preset_note_on(fluid_preset_t* handle, fluid_synth_t* synth, int chan, int key,
                   int vel) noexcept KELVARA_NONBLOCKING {
    return bank_of_preset(handle).note_on(preset_of(handle), synth, chan, key, vel);
}
// The bank owns its presets and deletes them itself.
void preset_free(fluid_preset_t*) noexcept {}

bool ExactBank::attach(fluid_sfont_t* sfont) {
    std::sort(presets_.begin(), presets_.end(), [](const auto& a, const auto& b) {
        return std::pair(a->bank(), a->program()) < std::pair(b->bank(), b->program());
    });
    for (auto& preset : presets_) {
        FluidPresetPtr handle(new_fluid_preset(sfont, preset_name, preset_bank, preset_program,
                                               preset_note_on, preset_free));
        if (!handle) return false;
        fluid_preset_set_data(handle.get(), preset.get());
        preset->set_handle(std::move(handle));
    }
    return true;
}

std::unique_ptr<ExactBank> ExactBank::load(const char* path, const ExactPitchContext* context) {
    const Result<GObjectPtr<GObject>> opened = open_instpatch_bank(path);
    if (!opened) return nullptr;  // FluidSynth's own loaders may still take it
    const GObjectPtr<GObject>& base = *opened;
    const bool is_sf2 = IPATCH_IS_SF2(base.get());
    auto bank = std::make_unique<ExactBank>(path, is_sf2 ? kSf2AttenuationFactor : 1.0f, context);
    const GObjectPtr<IpatchList> items = bank_presets(base.get());
    if (!items) return nullptr;
    for (GList* p = items->items; p != nullptr; p = p->next)
        if (auto preset = make_preset(G_OBJECT(p->data))) bank->add(std::move(preset));
    if (bank->empty() || !bank->valid()) return nullptr;
    bank->make_sample_cache();
    return bank;
}

ExactBank* bank_of(fluid_sfont_t* sfont) {
    return static_cast<ExactBank*>(fluid_sfont_get_data(sfont));
}

const char* sfont_name(fluid_sfont_t* sfont) noexcept {
    return bank_of(sfont)->name();
}
fluid_preset_t* sfont_preset(fluid_sfont_t* sfont, int bank, int program) noexcept {
    return bank_of(sfont)->find(bank, program);
}
void sfont_rewind(fluid_sfont_t* sfont) noexcept {
    bank_of(sfont)->rewind();
}
fluid_preset_t* sfont_next(fluid_sfont_t* sfont) noexcept {
    return bank_of(sfont)->next();
}

// FluidSynth frees a bank only with its synth, after every voice is off.
int sfont_free(fluid_sfont_t* sfont) noexcept {
    std::unique_ptr<ExactBank>(bank_of(sfont)).reset();
    delete_fluid_sfont(sfont);
    return 0;
}

fluid_sfont_t* attach_bank(std::unique_ptr<ExactBank> bank, ExactPitchContext* context) {
    // Room for the bank first: nothing below may throw once the sfont exists.
    context->loaded_banks.reserve(context->loaded_banks.size() + 1);
    fluid_sfont_t* sfont =
        new_fluid_sfont(sfont_name, sfont_preset, sfont_rewind, sfont_next, sfont_free);
    if (sfont == nullptr) return nullptr;
    if (!bank->attach(sfont)) {
        bank.reset();  // its presets go before the sfont they refer to
        delete_fluid_sfont(sfont);
        return nullptr;
    }
    fluid_sfont_set_data(sfont, bank.release());  // freed by sfont_free
    context->loaded_banks.push_back(sfont);
    return sfont;
}

// A file this loader refuses (or fails on) goes on to FluidSynth's own loaders.
fluid_sfont_t* load_bank(fluid_sfloader_t* loader, const char* path) noexcept {
    try {
        auto* context = static_cast<ExactPitchContext*>(fluid_sfloader_get_data(loader));
        auto bank = ExactBank::load(path, context);
        return bank ? attach_bank(std::move(bank), context) : nullptr;
    } catch (const std::exception& error) {
        report("loading a bank", &error);
    } catch (...) {
        report("loading a bank", nullptr);
    }
    return nullptr;
}

}  // namespace

void prepare_exact_tone(fluid_preset_t* preset, int key, int velocity, double pitch) {
    bank_of_preset(preset).prepare(preset_of(preset), key, velocity, pitch);
}

uint64_t exact_voices_to_nearest_cent(const ExactPitchContext& context) {
    uint64_t missed = 0;
    for (fluid_sfont_t* sfont : context.loaded_banks) missed += bank_of(sfont)->samples().misses();
    return missed;
}

void add_exact_pitch_loader(fluid_synth_t* synth, ExactPitchContext* context) {
    fluid_sfloader_t* loader = new_fluid_sfloader(load_bank, delete_fluid_sfloader);
    if (loader == nullptr) return;
    fluid_sfloader_set_data(loader, context);
    fluid_synth_add_sfloader(synth, loader);  // the synth owns it
}

}  // namespace kelvara::sound
