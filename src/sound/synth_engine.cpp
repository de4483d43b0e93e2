#include "sound/synth_engine.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "sound/synth_log.h"

namespace kelvara::sound {
namespace {

constexpr int kPolyphony = 1024;  // several voices per tone, ten-tone chords, release tails
constexpr int kMidiMaxValue = 127;
constexpr int kMidiMinVelocity = 1;  // velocity 0 would be a note-off
constexpr int kBankSelectMsb = 0;
constexpr int kBankSelectLsb = 32;
constexpr int kResetAllControllers = 121;

// Channel messages waiting for the renderer: a burst of a few thousand before the MIDI
// thread waits.
constexpr size_t kChannelQueueCapacity = 4096;
// FluidSynth's own event queue holds polyphony x 64 voice changes and drops what does not
// fit. What one channel message may put there: a new voice takes about 50 (FluidSynth's own
// estimate), a controller or a release a few per voice it reaches. One block applies at
// most half of that queue, which leaves room however the estimate errs.
constexpr int kFluidQueueSlotsPerVoice = 64;
constexpr int kQueueSlotsPerVoiceStart = 64;
constexpr int kQueueSlotsPerVoiceUpdate = 8;
constexpr int kAssumedVoicesPerTone = 4;  // until a tone has shown more
// The voices one shift moves at most: every partial of a tone of the document's timbre.
constexpr int kMaxShiftedVoices = kPolyphony;
// A voice's fine tune is set half a cent high: FluidSynth truncates its pitch to whole cents.
constexpr float kWholeCentRoundingBias = 0.5f;

// A bank image written to a file that exists only while the loader reads it; libinstpatch
// reads banks from files, and keeps the sample data in memory once cached.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::vector<uint8_t>& bytes) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelvara-bank-XXXXXX").string();
        const int fd = mkstemp(pattern.data());
        if (fd < 0) return;
        path_ = pattern;
        size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
            if (n <= 0) break;
            written += size_t(n);
        }
        ::close(fd);
        complete_ = written == bytes.size();
    }
    ~TemporaryFile() {
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool complete() const { return complete_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool complete_ = false;
};

// Controllers that are not carried over to a new engine: bank select (kept by the engine
// itself), the parameter-number and data-entry controllers (they would re-run an RPN), and
// the channel mode messages (they act rather than hold a value).
bool carries_over(int controller) {
    switch (controller) {
        case 0:
        case 6:
        case 32:
        case 38:
        case 96:
        case 97:
        case 98:
        case 99:
        case 100:
        case 101: return false;
        default: return controller < 120;
    }
}

int midi_byte(uint32_t value) {
    return int(std::min<uint32_t>(value, kMidiMaxValue));
}

}  // namespace

SynthEngine::SynthEngine(uint8_t channel, double sample_rate)
    : context_(blocks_rendered_),
      limiter_(sample_rate),
      channel_(channel),
      sample_rate_(sample_rate),
      queue_(kChannelQueueCapacity),
      voices_per_tone_(kAssumedVoicesPerTone) {}

SynthEngine::~SynthEngine() = default;

std::unique_ptr<SynthEngine> SynthEngine::create(uint8_t channel, double sample_rate,
                                                 BankLoaders loaders) {
    install_synth_log();
    std::unique_ptr<SynthEngine> engine(new SynthEngine(channel & 0x0F, sample_rate));
    if (!engine->init(loaders)) return nullptr;
    return engine;
}

bool SynthEngine::init(BankLoaders loaders) {
    install_synth_log();
    settings_.reset(new_fluid_settings());
    if (!settings_) return false;
    fluid_settings_t* s = settings_.get();
    fluid_settings_setnum(s, "synth.sample-rate", sample_rate_);
    // The synthesizer plays dry: no reverb and no chorus (which would also detune copies).
    fluid_settings_setint(s, "synth.reverb.active", 0);
    fluid_settings_setint(s, "synth.chorus.active", 0);
    fluid_settings_setint(s, "synth.polyphony", kPolyphony);
    // Only the rendering thread calls into the synthesizer once it is shared (see the
    // header), so FluidSynth's own lock is not needed and the audio thread takes none.
    fluid_settings_setint(s, "synth.threadsafe-api", 0);
    synth_.reset(new_fluid_synth(s));
    if (!synth_) return false;
    queue_slots_per_block_ = fluid_synth_get_polyphony(synth_.get()) * kFluidQueueSlotsPerVoice / 2;
    if (loaders == BankLoaders::ExactPitchFirst) add_exact_pitch_loader(synth_.get(), &context_);
    timbre_ = TimbreProgram::create(sample_rate_, blocks_rendered_);
    // Channel 10 is a drum channel by default; this engine's one channel is always melodic
    // and selects drum presets explicitly.
    fluid_synth_set_channel_type(synth_.get(), channel_, CHANNEL_TYPE_MELODIC);
    for (int controller = 0; controller < int(controllers_.size()); ++controller) {
        int value = 0;
        fluid_synth_get_cc(synth_.get(), channel_, controller, &value);
        controllers_[size_t(controller)].store(value, std::memory_order_relaxed);
    }
    return true;
}

bool SynthEngine::load_bank_file(const std::string& path) {
    const int id = fluid_synth_sfload(synth_.get(), path.c_str(), 0);
    if (id == FLUID_FAILED) return false;
    const auto& exact = context_.loaded_banks;
    if (std::find(exact.begin(), exact.end(), fluid_synth_get_sfont_by_id(synth_.get(), id)) !=
        exact.end())
        tunable_bank_ = path;
    refresh_instruments();
    // The preset FluidSynth gave the channel when the bank arrived, if any.
    if (const auto playing = playing_instrument()) {
        for (size_t i = 0; i < instruments_.size(); ++i)
            if (instruments_[i].identifier == playing->identifier)
                selected_index_.store(int(i), std::memory_order_relaxed);
    }
    return true;
}

void SynthEngine::set_pitch_true(bool on, const BankTuningCache& cache) {
    context_.corrections.set_enabled(on);
    if (!on || tuning_job_ || tunable_bank_.empty()) return;
    tuning_job_ = std::make_unique<BankTuningJob>(
        tunable_bank_, cache, [this, path = tunable_bank_](const TunedBank& tuned) {
            context_.corrections.publish(path, PitchCorrections(tuned.tuning));
        });
}

bool SynthEngine::wait_for_bank_tuning(std::chrono::milliseconds timeout) const {
    if (!pitch_true() || !tuning_job_) return false;
    tuning_job_->wait_for(timeout);
    return context_.corrections.ready();
}

bool SynthEngine::is_exact_pitch(fluid_preset_t* preset) const noexcept KELVARA_NONBLOCKING {
    const auto& exact = context_.loaded_banks;
    return std::find(exact.begin(), exact.end(), fluid_preset_get_sfont(preset)) != exact.end();
}

bool SynthEngine::load_bank_image(const std::vector<uint8_t>& image) {
    const TemporaryFile file(image);
    const bool loaded = file.complete() && load_bank_file(file.path());
    if (tunable_bank_ == file.path()) tunable_bank_.clear();  // gone once loaded
    return loaded;
}

void SynthEngine::refresh_instruments() {
    instruments_.clear();
    presets_.clear();
    fluid_synth_t* synth = synth_.get();
    const int count = fluid_synth_sfcount(synth);
    for (int i = 0; i < count; ++i) {
        fluid_sfont_t* sfont = fluid_synth_get_sfont(synth, unsigned(i));
        const auto& exact = context_.loaded_banks;
        const bool is_exact = std::find(exact.begin(), exact.end(), sfont) != exact.end();
        fluid_sfont_iteration_start(sfont);
        while (fluid_preset_t* preset = fluid_sfont_iteration_next(sfont)) {
            const int bank = fluid_preset_get_banknum(preset);
            const int program = fluid_preset_get_num(preset);
            const MidiBank midi_bank = is_exact ? decode_exact_bank(bank) : sf2_bank(bank);
            const char* name = fluid_preset_get_name(preset);
            instruments_.push_back({instrument_identifier({midi_bank, program}),
                                    name != nullptr ? name : "", fluid_sfont_get_id(sfont), bank,
                                    program});
            presets_.push_back(is_exact ? preset : nullptr);
        }
    }
}

namespace {

uint8_t midi_velocity(float velocity) {
    return static_cast<uint8_t>(
        std::isfinite(velocity)
            ? int(std::clamp(std::lround(velocity), long(kMidiMinVelocity), long(kMidiMaxValue)))
            : kMidiMinVelocity);
}

int key_of_pitch(double pitch) noexcept KELVARA_NONBLOCKING {
    return int(std::clamp(std::lround(pitch), 0L, long(kMidiMaxValue)));
}

}  // namespace

bool SynthEngine::start_tone(uint32_t id, float pitch, float velocity, ToneProgram program) {
    const int selected = selected_index_.load(std::memory_order_relaxed);
    const bool timbre = program == ToneProgram::DocumentTimbre || selected == kTimbreSelected;
    if (!std::isfinite(pitch) || (timbre && !timbre_) || (!timbre && selected < 0)) return false;
    const uint8_t vel = midi_velocity(velocity);
    // What the tone plays is made here, on the playing thread: the renderer only looks it up.
    if (timbre)
        timbre_->prepare(pitch);
    else if (fluid_preset_t* exact = presets_[size_t(selected)])
        prepare_exact_tone(exact, key_of_pitch(pitch), vel, pitch);
    ChannelEvent event{program == ToneProgram::DocumentTimbre ? ChannelEvent::Kind::StartTimbreTone
                                                              : ChannelEvent::Kind::StartTone,
                       0, vel, id};
    event.pitch = pitch;
    return queue_.push(event);
}

void SynthEngine::shift_tone(uint32_t id, float cents) {
    if (!std::isfinite(cents)) return;
    ChannelEvent event{ChannelEvent::Kind::ShiftTone, 0, 0, id};
    event.cents = cents;
    queue_.push(event);
}

uint64_t SynthEngine::voices_to_nearest_cent() const {
    return exact_voices_to_nearest_cent(context_) +
           (timbre_ ? timbre_->partials_to_nearest_cent() : 0);
}

void SynthEngine::set_document_timbre(const std::vector<TonePartial>& partials) {
    if (timbre_) timbre_->set_partials(partials);
}

void SynthEngine::select_document_timbre() {
    if (!timbre_) return;
    selected_index_.store(kTimbreSelected, std::memory_order_relaxed);
    queue_.push({ChannelEvent::Kind::SelectInstrument, 0, 0, kDocumentTimbreIndex});
}

void SynthEngine::stop_tone(uint32_t id) {
    queue_.push({ChannelEvent::Kind::StopTone, 0, 0, id});
}

void SynthEngine::control_change(uint32_t controller, uint32_t value) {
    if (controller == kBankSelectMsb || controller == kBankSelectLsb) {
        (controller == kBankSelectMsb ? bank_msb_ : bank_lsb_)
            .store(int(value & 0x7F), std::memory_order_relaxed);
        return;
    }
    if (controller > uint32_t(kMidiMaxValue)) return;
    set_controller(int(controller), midi_byte(value));
}

void SynthEngine::set_controller(int controller, int value) {
    controllers_[size_t(controller)].store(value, std::memory_order_relaxed);
    if (controller == kResetAllControllers) {
        // What the synthesizer resets (the MIDI recommendation for this message): the
        // modulation wheel and pedals to 0, expression to full, no parameter number chosen.
        for (const int zeroed : {1, 64, 65, 66, 67})
            controllers_[size_t(zeroed)].store(0, std::memory_order_relaxed);
        controllers_[11].store(kMidiMaxValue, std::memory_order_relaxed);
        for (const int unchosen : {98, 99, 100, 101})
            controllers_[size_t(unchosen)].store(kMidiMaxValue, std::memory_order_relaxed);
    }
    queue_.push({ChannelEvent::Kind::ControlChange, static_cast<uint8_t>(controller),
                 static_cast<uint8_t>(value)});
}

int SynthEngine::find_instrument(BankSelect wanted) const {
    const auto it = std::find_if(
        instruments_.begin(), instruments_.end(),
        [&](const Instrument& i) { return decode_instrument_identifier(i.identifier) == wanted; });
    return it == instruments_.end() ? -1 : int(it - instruments_.begin());
}

void SynthEngine::select_instrument_index(int index) {
    selected_index_.store(index, std::memory_order_relaxed);
    queue_.push({ChannelEvent::Kind::SelectInstrument, 0, 0, uint32_t(index)});
}

void SynthEngine::program_change(uint32_t program) {
    const BankSelect wanted{bank_msb_.load(std::memory_order_relaxed),
                            bank_lsb_.load(std::memory_order_relaxed), int(program & 0x7F)};
    int found = find_instrument(wanted);
    if (found < 0) found = find_instrument({0, 0, wanted.program});
    if (found >= 0) select_instrument_index(found);
}

BankSelect SynthEngine::selection() const {
    const int index = selected_index_.load(std::memory_order_relaxed);
    return index < 0 ? BankSelect{}
                     : decode_instrument_identifier(instruments_[size_t(index)].identifier);
}

void SynthEngine::select_or_first(BankSelect wanted) {
    bank_msb_.store(wanted.msb & 0x7F, std::memory_order_relaxed);
    bank_lsb_.store(wanted.lsb & 0x7F, std::memory_order_relaxed);
    program_change(uint32_t(wanted.program));
    if (selected_index_.load(std::memory_order_relaxed) >= 0 || instruments_.empty()) return;
    const BankSelect first = decode_instrument_identifier(instruments_.front().identifier);
    bank_msb_.store(first.msb, std::memory_order_relaxed);
    bank_lsb_.store(first.lsb, std::memory_order_relaxed);
    select_instrument_index(0);
}

void SynthEngine::copy_controllers_to(SynthEngine& other) const {
    for (int controller = 0; controller < int(controllers_.size()); ++controller)
        if (carries_over(controller))
            other.set_controller(controller,
                                 controllers_[size_t(controller)].load(std::memory_order_relaxed));
}

std::optional<Instrument> SynthEngine::selected_instrument() const {
    const int index = selected_index_.load(std::memory_order_relaxed);
    if (index < 0) return std::nullopt;
    return instruments_[size_t(index)];
}

// Read from the channel's preset rather than fluid_synth_get_program(), which keeps only 14
// bits of the bank number and so loses the percussion flag.
std::optional<Instrument> SynthEngine::playing_instrument() const {
    fluid_preset_t* preset = fluid_synth_get_channel_preset(synth_.get(), channel_);
    if (preset == nullptr) return std::nullopt;
    const int sfont_id = fluid_sfont_get_id(fluid_preset_get_sfont(preset));
    const int preset_bank = fluid_preset_get_banknum(preset);
    const int program = fluid_preset_get_num(preset);
    for (const Instrument& i : instruments_)
        if (i.sfont_id == sfont_id && i.preset_bank == preset_bank && i.program == program)
            return i;
    return std::nullopt;
}

std::optional<int> SynthEngine::controller_value(uint32_t controller) const {
    if (controller == kBankSelectMsb) return bank_msb_.load(std::memory_order_relaxed);
    if (controller == kBankSelectLsb) return bank_lsb_.load(std::memory_order_relaxed);
    if (controller > uint32_t(kMidiMaxValue)) return std::nullopt;
    return controllers_[controller].load(std::memory_order_relaxed);
}

// What applying `event` may put into FluidSynth's event queue, in its slots.
int SynthEngine::queue_cost(const ChannelEvent& event) const noexcept KELVARA_NONBLOCKING {
    switch (event.kind) {
        case ChannelEvent::Kind::StartTone:
            // One more voice: a full synthesizer stops its oldest to make room.
            return kQueueSlotsPerVoiceStart * (voices_per_tone_ + 1);
        case ChannelEvent::Kind::StartTimbreTone:
            return kQueueSlotsPerVoiceStart * (timbre_voices() + 1);
        case ChannelEvent::Kind::ShiftTone:
            return 2 * kQueueSlotsPerVoiceUpdate * std::max(timbre_voices(), voices_per_tone_);
        case ChannelEvent::Kind::StopTone: return kQueueSlotsPerVoiceUpdate * voices_per_tone_;
        case ChannelEvent::Kind::ControlChange:
            return kQueueSlotsPerVoiceUpdate *
                   (fluid_synth_get_active_voice_count(synth_.get()) + 1);
        case ChannelEvent::Kind::SelectInstrument: return 1;
    }
    return 1;
}

// On the rendering thread: nothing here allocates, frees or waits. A tone start finds its
// samples made (start_tone), and a tone of FluidSynth's own loaders is fine-tuned per voice
// rather than through a key tuning, which FluidSynth would copy for every retuned key.
void SynthEngine::apply(const ChannelEvent& event) noexcept KELVARA_NONBLOCKING {
    fluid_synth_t* synth = synth_.get();
    switch (event.kind) {
        case ChannelEvent::Kind::StartTone:
        case ChannelEvent::Kind::StartTimbreTone: start(event); return;
        case ChannelEvent::Kind::ShiftTone: shift(event); return;
        case ChannelEvent::Kind::StopTone:
            fluid_synth_stop(synth, event.id);
            bank_shifts_.stopped(event.id);
            return;
        case ChannelEvent::Kind::ControlChange:
            fluid_synth_cc(synth, channel_, event.controller, event.value);
            return;
        case ChannelEvent::Kind::SelectInstrument: {
            timbre_playing_ = event.id == kDocumentTimbreIndex;
            if (timbre_playing_) return;
            const Instrument& i = instruments_[event.id];
            fluid_synth_program_select(synth, channel_, i.sfont_id, i.preset_bank, i.program);
            return;
        }
    }
}

void SynthEngine::start(const ChannelEvent& event) noexcept KELVARA_NONBLOCKING {
    fluid_synth_t* synth = synth_.get();
    const int voices_before = fluid_synth_get_active_voice_count(synth);
    if (event.kind == ChannelEvent::Kind::StartTimbreTone || timbre_playing_) {
        if (timbre_) timbre_->start(synth, event.id, channel_, event.pitch, event.value);
    } else {
        fluid_preset_t* preset = fluid_synth_get_channel_preset(synth, channel_);
        if (preset == nullptr) return;
        const int key = key_of_pitch(event.pitch);
        context_.pending_pitch = event.pitch;
        fluid_synth_start(synth, event.id, preset, 0, channel_, key, event.value);
        context_.pending_pitch = std::nan("");
        if (!is_exact_pitch(preset)) fine_tune_tone(event.id, 100.0f * (event.pitch - key));
        bank_shifts_.started(event.id);
    }
    voices_per_tone_ =
        std::max(voices_per_tone_, fluid_synth_get_active_voice_count(synth) - voices_before);
}

// A tone of FluidSynth's own loaders (an SF3 bank) starts at its whole key; its voices are
// moved by the rest before they first render. FluidSynth truncates a voice's pitch to whole
// cents, so this plays to the nearest cent (half a cent more turns truncation into rounding).
void SynthEngine::fine_tune_tone(uint32_t id, float cents) noexcept KELVARA_NONBLOCKING {
    std::array<fluid_voice_t*, kMaxShiftedVoices> voices{};
    fluid_synth_get_voicelist(synth_.get(), voices.data(), int(voices.size()), int(id));
    for (fluid_voice_t* voice : voices) {
        if (voice == nullptr) break;
        fluid_voice_gen_incr(voice, GEN_FINETUNE, cents + kWholeCentRoundingBias);
        fluid_voice_update_param(voice, GEN_FINETUNE);
    }
}

// A bank's tone moves by the whole cents it has not moved yet (bank_tone_shifts.h), the
// fraction left to the dithering of the blocks that follow; a tone of the document's timbre
// is tuned afresh to the fraction of a cent.
void SynthEngine::shift(const ChannelEvent& event) noexcept KELVARA_NONBLOCKING {
    const std::optional<int32_t> bank_step = bank_shifts_.move(event.id, event.cents);
    if (bank_step) {
        move_bank_tone(event.id, *bank_step);
    } else {
        std::array<fluid_voice_t*, kMaxShiftedVoices> voices{};
        fluid_synth_get_voicelist(synth_.get(), voices.data(), int(voices.size()), int(event.id));
        for (fluid_voice_t* voice : voices) {
            if (voice == nullptr) break;
            TimbreProgram::shift_voice(voice, event.cents);
        }
    }
    hand_changes_to_voices();
}

void SynthEngine::move_bank_tone(uint32_t id, int32_t whole_cents) noexcept KELVARA_NONBLOCKING {
    if (whole_cents == 0) return;
    std::array<fluid_voice_t*, kMaxShiftedVoices> voices{};
    fluid_synth_get_voicelist(synth_.get(), voices.data(), int(voices.size()), int(id));
    for (fluid_voice_t* voice : voices) {
        if (voice == nullptr) break;
        fluid_voice_gen_incr(voice, GEN_FINETUNE, float(whole_cents));
        fluid_voice_update_param(voice, GEN_FINETUNE);
    }
}

// FluidSynth hands a running voice's new parameters to its voices when a call into its
// interface returns, so one more such call follows the changes.
void SynthEngine::hand_changes_to_voices() noexcept KELVARA_NONBLOCKING {
    int value = 0;
    fluid_synth_get_cc(synth_.get(), channel_, 0, &value);
}

int SynthEngine::timbre_voices() const noexcept KELVARA_NONBLOCKING {
    return timbre_ ? timbre_->voices_per_tone() : 1;
}

// In order, and no more than FluidSynth's queue takes before the block that follows
// dispatches it; the first event always goes, so a long queue always moves.
void SynthEngine::apply_queued_events() noexcept KELVARA_NONBLOCKING {
    int room = queue_slots_per_block_;
    for (bool first = true; const ChannelEvent* event = queue_.front(); first = false) {
        const int cost = queue_cost(*event);
        if (!first && cost > room) return;
        room -= cost;
        apply(*event);
        queue_.pop();
    }
}

void SynthEngine::meter(const float* left, const float* right,
                        int frames) noexcept KELVARA_NONBLOCKING {
    float peak = 0.0f;
    for (int i = 0; i < frames; ++i) peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
    float seen = output_peak_.load(std::memory_order_relaxed);
    while (peak > seen &&
           !output_peak_.compare_exchange_weak(seen, peak, std::memory_order_relaxed)) {
    }
    rendered_frames_.fetch_add(uint64_t(frames), std::memory_order_relaxed);
}

int SynthEngine::render(float* left, float* right, int frames) noexcept KELVARA_NONBLOCKING {
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    std::array<float*, 2> out{left, right};
    return render_driver_block(frames, 2, out.data());
}

int SynthEngine::render_driver_block(int frames, int nout,
                                     float* out[]) noexcept KELVARA_NONBLOCKING {
    apply_queued_events();
    int result = FLUID_OK;
    // While a bank tone sounds between whole cents, block by block (bank_tone_shifts.h).
    for (int done = 0; done < frames && result == FLUID_OK;) {
        const bool dithering =
            bank_shifts_.dither([this](uint32_t id, int32_t step) { move_bank_tone(id, step); });
        if (dithering) hand_changes_to_voices();
        const int count =
            dithering ? std::min(BankToneShifts::kDitherFrames, frames - done) : frames - done;
        result = render_frames(done, count, nout, out);
        done += count;
    }
    blocks_rendered_.fetch_add(1);
    return result;
}

// Frames [offset, offset + count) of the driver's block.
int SynthEngine::render_frames(int offset, int count, int nout,
                               float* out[]) noexcept KELVARA_NONBLOCKING {
    if (nout < 2) {
        std::array<float*, 1> mono{nout > 0 ? out[0] + offset : nullptr};
        return fluid_synth_process(synth_.get(), count, 0, nullptr, nout, mono.data());
    }
    std::array<float*, 2> dry{out[0] + offset, out[1] + offset};
    // Effect buffers aliasing the dry outputs mix the effects in; none would drop them.
    std::array<float*, 4> fx{dry[0], dry[1], dry[0], dry[1]};
    const int result =
        fluid_synth_process(synth_.get(), count, int(fx.size()), fx.data(), 2, dry.data());
    limiter_.process(dry[0], dry[1], count);
    meter(dry[0], dry[1], count);
    return result;
}

}  // namespace kelvara::sound
