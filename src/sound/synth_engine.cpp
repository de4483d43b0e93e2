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
    : limiter_(sample_rate), channel_(channel), sample_rate_(sample_rate) {}

SynthEngine::~SynthEngine() = default;

std::unique_ptr<SynthEngine> SynthEngine::create(uint8_t channel, double sample_rate,
                                                 BankLoaders loaders) {
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
    fluid_settings_setint(s, "synth.threadsafe-api", 1);
    synth_.reset(new_fluid_synth(s));
    if (!synth_) return false;
    if (loaders == BankLoaders::ExactPitchFirst) add_exact_pitch_loader(synth_.get(), &context_);
    // Channel 10 is a drum channel by default; this engine's one channel is always melodic
    // and selects drum presets explicitly.
    fluid_synth_set_channel_type(synth_.get(), channel_, CHANNEL_TYPE_MELODIC);
    return true;
}

bool SynthEngine::load_bank_file(const std::string& path) {
    const int id = fluid_synth_sfload(synth_.get(), path.c_str(), 0);
    if (id == FLUID_FAILED) return false;
    const auto& exact = context_.loaded_banks;
    if (std::find(exact.begin(), exact.end(), fluid_synth_get_sfont_by_id(synth_.get(), id)) ==
        exact.end())
        enable_key_tuning();
    else
        tunable_bank_ = path;
    refresh_instruments();
    return true;
}

void SynthEngine::set_pitch_true(bool on, const BankTuningCache& cache) {
    context_.corrections.set_enabled(on);
    if (!on || tuning_job_ || tunable_bank_.empty()) return;
    tuning_job_ = std::make_unique<BankTuningJob>(
        tunable_bank_, cache, [this, path = tunable_bank_](const TunedBank& tuned) {
            context_.corrections.publish(path, std::make_shared<PitchCorrections>(tuned.tuning));
        });
}

bool SynthEngine::wait_for_bank_tuning(std::chrono::milliseconds timeout) const {
    if (!pitch_true() || !tuning_job_) return false;
    tuning_job_->wait_for(timeout);
    return context_.corrections.ready();
}

bool SynthEngine::is_exact_pitch(fluid_preset_t* preset) const {
    const auto& exact = context_.loaded_banks;
    return std::find(exact.begin(), exact.end(), fluid_preset_get_sfont(preset)) != exact.end();
}

// A key tuning on the channel (equal temperament until a tone retunes its key). FluidSynth
// computes a voice's pitch from the table when the voice starts, so retuning a key for the
// next tone leaves tones already sounding on it where they are.
void SynthEngine::enable_key_tuning() {
    if (key_tuning_) return;
    fluid_synth_activate_key_tuning(synth_.get(), 0, 0, "kelvara", nullptr, 0);
    key_tuning_ = fluid_synth_activate_tuning(synth_.get(), channel_, 0, 0, 0) == FLUID_OK;
}

void SynthEngine::tune_key(int key, double pitch) {
    // Half a cent turns FluidSynth's truncation to whole cents into rounding.
    const double cents = pitch * 100.0 + 0.5;
    fluid_synth_tune_notes(synth_.get(), 0, 0, 1, &key, &cents, 0);
}

bool SynthEngine::load_bank_image(const std::vector<uint8_t>& image) {
    const TemporaryFile file(image);
    const bool loaded = file.complete() && load_bank_file(file.path());
    if (tunable_bank_ == file.path()) tunable_bank_.clear();  // gone once loaded
    return loaded;
}

void SynthEngine::refresh_instruments() {
    instruments_.clear();
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
        }
    }
}

bool SynthEngine::start_tone(uint32_t id, float pitch, float velocity) {
    if (!std::isfinite(pitch)) return false;
    const int key = int(std::clamp(std::lround(pitch), 0L, long(kMidiMaxValue)));
    const int vel =
        std::isfinite(velocity)
            ? int(std::clamp(std::lround(velocity), long(kMidiMinVelocity), long(kMidiMaxValue)))
            : kMidiMinVelocity;
    const std::lock_guard lock(note_mutex_);
    fluid_preset_t* preset = fluid_synth_get_channel_preset(synth_.get(), channel_);
    if (preset == nullptr) return false;
    if (key_tuning_ && !is_exact_pitch(preset)) tune_key(key, pitch);
    context_.pending_pitch = pitch;
    const int result = fluid_synth_start(synth_.get(), id, preset, 0, channel_, key, vel);
    context_.pending_pitch = std::nan("");
    return result == FLUID_OK;
}

void SynthEngine::stop_tone(uint32_t id) {
    fluid_synth_stop(synth_.get(), id);
}

void SynthEngine::control_change(uint32_t controller, uint32_t value) {
    const int byte = int(value & 0x7F);
    if (controller == 0 || controller == 32) {
        const std::lock_guard lock(note_mutex_);
        (controller == 0 ? bank_msb_ : bank_lsb_) = byte;
        return;
    }
    if (controller > uint32_t(kMidiMaxValue)) return;
    fluid_synth_cc(synth_.get(), channel_, int(controller), midi_byte(value));
}

const Instrument* SynthEngine::find_instrument(BankSelect wanted) const {
    const auto it = std::find_if(
        instruments_.begin(), instruments_.end(),
        [&](const Instrument& i) { return decode_instrument_identifier(i.identifier) == wanted; });
    return it == instruments_.end() ? nullptr : &*it;
}

void SynthEngine::program_change(uint32_t program) {
    const std::lock_guard lock(note_mutex_);
    const BankSelect wanted{bank_msb_, bank_lsb_, int(program & 0x7F)};
    const Instrument* found = find_instrument(wanted);
    if (found == nullptr) found = find_instrument({0, 0, wanted.program});
    if (found == nullptr) return;
    if (fluid_synth_program_select(synth_.get(), channel_, found->sfont_id, found->preset_bank,
                                   found->program) == FLUID_OK)
        selection_ = decode_instrument_identifier(found->identifier);
}

BankSelect SynthEngine::selection() const {
    const std::lock_guard lock(note_mutex_);
    return selection_;
}

void SynthEngine::select_or_first(BankSelect wanted) {
    control_change(0, uint32_t(wanted.msb));
    control_change(32, uint32_t(wanted.lsb));
    program_change(uint32_t(wanted.program));
    if (fluid_synth_get_channel_preset(synth_.get(), channel_) != nullptr || instruments_.empty())
        return;
    const BankSelect first = decode_instrument_identifier(instruments_.front().identifier);
    control_change(0, uint32_t(first.msb));
    control_change(32, uint32_t(first.lsb));
    program_change(uint32_t(first.program));
}

void SynthEngine::copy_controllers_to(SynthEngine& other) const {
    for (int controller = 0; controller < 128; ++controller) {
        if (!carries_over(controller)) continue;
        int value = 0;
        if (fluid_synth_get_cc(synth_.get(), channel_, controller, &value) == FLUID_OK)
            other.control_change(uint32_t(controller), uint32_t(value));
    }
}

// Read from the channel's preset rather than fluid_synth_get_program(), which keeps only 14
// bits of the bank number and so loses the percussion flag.
std::optional<Instrument> SynthEngine::selected_instrument() const {
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
    if (controller == 0 || controller == 32) {
        const std::lock_guard lock(note_mutex_);
        return controller == 0 ? bank_msb_ : bank_lsb_;
    }
    int value = 0;
    if (controller > uint32_t(kMidiMaxValue) ||
        fluid_synth_get_cc(synth_.get(), channel_, int(controller), &value) != FLUID_OK)
        return std::nullopt;
    return value;
}

void SynthEngine::meter(const float* left, const float* right, int frames) noexcept {
    float peak = 0.0f;
    for (int i = 0; i < frames; ++i) peak = std::max({peak, std::abs(left[i]), std::abs(right[i])});
    float seen = output_peak_.load(std::memory_order_relaxed);
    while (peak > seen &&
           !output_peak_.compare_exchange_weak(seen, peak, std::memory_order_relaxed)) {
    }
    rendered_frames_.fetch_add(uint64_t(frames), std::memory_order_relaxed);
}

int SynthEngine::render(float* left, float* right, int frames) noexcept {
    std::fill(left, left + frames, 0.0f);
    std::fill(right, right + frames, 0.0f);
    std::array<float*, 2> out{left, right};
    return render_driver_block(frames, 2, out.data());
}

int SynthEngine::render_driver_block(int frames, int nout, float* out[]) noexcept {
    if (nout < 2) return fluid_synth_process(synth_.get(), frames, 0, nullptr, nout, out);
    // Effect buffers aliasing the dry outputs mix the effects in; none would drop them.
    std::array<float*, 4> fx{out[0], out[1], out[0], out[1]};
    const int result = fluid_synth_process(synth_.get(), frames, int(fx.size()), fx.data(), 2, out);
    limiter_.process(out[0], out[1], frames);
    meter(out[0], out[1], frames);
    return result;
}

}  // namespace kelvara::sound
