#include "sound/synth_controller.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <utility>

#include "sound/audio_graph.h"
#include "sound/bank_file_check.h"
#include "sound/bank_tuning_cache.h"
#include "sound/default_bank.h"
#include "sound/pitch_mapping.h"
#include "sound/synth_log.h"

namespace kelvara {
namespace {

using sound::AudioGraph;
using sound::SynthEngine;

constexpr uint32_t kBankSelectMsb = 0;
constexpr uint32_t kBankSelectLsb = 32;
constexpr uint32_t kMidiMaxValue = 127;
constexpr int kRenderBlockFrames = 256;

constexpr float kTestVelocity = 100.0f;
constexpr auto kTestChordTime = std::chrono::microseconds(3'000'000);
constexpr auto kTestGapTime = std::chrono::microseconds(500'000);

std::string backend_from_environment() {
    const char* value = std::getenv(sound::kAudioDriverVariable);
    return value != nullptr ? value : "";
}

sound::BankTuningCache tuning_cache(const SoundSetup& setup) {
    return sound::BankTuningCache(setup.bank_tuning_cache.empty()
                                      ? sound::BankTuningCache::default_folder()
                                      : std::filesystem::path(setup.bank_tuning_cache));
}

}  // namespace

SynthController::SynthController(uint8_t channel, SoundSetup setup)
    : midi_channel_(channel & 0x0F), setup_(std::move(setup)) {
    if (setup_.backend.empty()) setup_.backend = backend_from_environment();
}

SynthController::~SynthController() {
    replace_graph(nullptr);
}

std::shared_ptr<AudioGraph> SynthController::graph() const {
    const std::lock_guard lock(graph_mutex_);
    return graph_;
}

void SynthController::replace_graph(std::shared_ptr<AudioGraph> next) {
    std::shared_ptr<AudioGraph> old;
    {
        const std::lock_guard lock(graph_mutex_);
        old = std::exchange(graph_, std::move(next));
    }
    if (!old) return;
    // Producers still waiting to queue for the old synthesizer give up: it goes. A closed
    // queue refuses without counting, so its counts are final once it is closed and stopped.
    old->engine().close_queue();
    old->stop();
    retired_drops_.fetch_add(old->engine().dropped_events(), std::memory_order_relaxed);
    retired_partials_without_voice_.fetch_add(old->engine().partials_without_voice(),
                                              std::memory_order_relaxed);
    retired_voices_to_nearest_cent_.fetch_add(old->engine().voices_to_nearest_cent(),
                                              std::memory_order_relaxed);
    // Calls that took the old graph before the swap finish on it (no new call can reach it),
    // and the last of them destroys it; usually that is this reference, here. No audio thread
    // ever holds one: the output that rendered it has stopped.
    old.reset();
}

Result<std::shared_ptr<AudioGraph>> SynthController::build_graph(
    const std::string& bank_path) const {
    const std::string description =
        bank_path.empty() ? "The synthesizer could not be built."
                          : "The sound bank \"" + bank_path + "\" could not be loaded.";
    auto engine = SynthEngine::create(midi_channel_, setup_.sample_rate);
    if (!engine)
        return Error{ErrorKind::Refused, 0, description, {}, "FluidSynth made no synthesizer", {}};
    if (bank_path.empty()) {
        if (!sound::load_default_bank(*engine, setup_.default_bank))
            return Error{ErrorKind::Refused, 0, description, {}, "no default bank loads", {}};
    } else {
        // A file that is no bank at all is refused before any loader sees it, with what it
        // is instead; the loaders would only say that they refused, each on the terminal.
        if (const Result<void> checked = sound::check_bank_file(bank_path, description); !checked)
            return checked.error();
        // What FluidSynth says while it refuses a file that looks like a bank becomes the
        // refusal's detail; after a load that went well it is printed as usual.
        sound::SynthLogCapture complaints;
        if (!engine->load_bank_file(bank_path)) {
            Error refused{ErrorKind::Refused,
                          0,
                          description,
                          "The file looks like a sound bank, but its content could not be "
                          "read: it may be damaged, or of a kind Kelvara does not play. "
                          "Kelvara plays SoundFont (.sf2, .sf3) and DLS (.dls) banks.",
                          complaints.messages().empty() ? "no bank loader accepts the file"
                                                        : complaints.joined(),
                          {}};
            refused.where.file = bank_path;
            return refused;
        }
        complaints.print_kept();
    }
    apply_pitch_true(*engine);
    engine->set_document_timbre(document_timbre_);
    return std::make_shared<AudioGraph>(std::move(engine), setup_.backend);
}

void SynthController::apply_pitch_true(SynthEngine& engine) const {
    // Corrections are only ever on once measuring is allowed: until then there are none.
    engine.set_pitch_true(setup_.pitch_true && setup_.measure_banks_at_once, tuning_cache(setup_));
}

void SynthController::set_pitch_true(bool on) {
    setup_.pitch_true = on;
    if (auto g = graph()) apply_pitch_true(g->engine());
}

void SynthController::allow_bank_measuring() {
    setup_.measure_banks_at_once = true;
    if (auto g = graph()) apply_pitch_true(g->engine());
}

bool SynthController::wait_for_bank_tuning(std::chrono::milliseconds timeout) {
    const auto g = graph();
    return g && g->engine().wait_for_bank_tuning(timeout);
}

bool SynthController::load_default_bank() {
    Result<std::shared_ptr<AudioGraph>> next = build_graph({});
    if (!next) {
        replace_graph(nullptr);
        return false;
    }
    (*next)->engine().select_or_first({0, 0, 0});
    if (document_timbre_selected()) (*next)->engine().select_document_timbre();
    replace_graph(std::move(*next));
    return true;
}

void SynthController::start() {
    if (auto g = graph()) {
        g->start();
        if (g->backend() == "null") announce_silence_once();
    }
}

void SynthController::stop() {
    const auto g = graph();
    if (!g) return;
    // Everything sent before the stop reaches the synthesizer: whoever renders it offline
    // afterwards finds room in its queue.
    if (g->is_running()) g->engine().wait_until_applied();
    g->stop();
}

bool SynthController::is_running() const {
    const auto g = graph();
    return g && g->is_running();
}

std::string SynthController::audio_backend() const {
    const auto g = graph();
    return g ? g->backend() : std::string();
}

std::optional<uint32_t> SynthController::selected_instrument() const {
    const auto g = graph();
    if (!g) return std::nullopt;
    const auto instrument = g->engine().selected_instrument();
    if (!instrument) return std::nullopt;
    return instrument->identifier;
}

std::optional<int> SynthController::midi_parameter(uint32_t controller) const {
    const auto g = graph();
    return g ? g->engine().controller_value(controller) : std::nullopt;
}

uint64_t SynthController::rendered_frames() const {
    const auto g = graph();
    return g ? g->engine().rendered_frames() : 0;
}

uint64_t SynthController::dropped_events() const {
    const auto g = graph();
    return retired_drops_.load(std::memory_order_relaxed) + (g ? g->engine().dropped_events() : 0);
}

float SynthController::take_output_peak() {
    const auto g = graph();
    return g ? g->engine().take_output_peak() : 0.0f;
}

void SynthController::announce_silence_once() {
    if (setup_.backend == "null" || silence_announced_.exchange(true)) return;
    std::fprintf(stderr, "kelvara: no audio device could be opened; sound plays silently\n");
}

int32_t SynthController::next_note_id() {
    // 1 .. INT32_MAX, wrapping; 0 stays free for kNoNote.
    return int32_t(note_counter_.fetch_add(1) % uint32_t(INT32_MAX)) + 1;
}

std::vector<int32_t> SynthController::notes_on(const std::vector<float>& chord, float velocity) {
    return start_chord(chord, velocity, sound::ToneProgram::Selected);
}

std::vector<int32_t> SynthController::timbre_notes_on(const std::vector<float>& chord,
                                                      float velocity) {
    return start_chord(chord, velocity, sound::ToneProgram::DocumentTimbre);
}

// The chord map's tones play at the pitch it maps them to; the document's timbre at exactly
// the frequency asked for.
std::vector<int32_t> SynthController::start_chord(const std::vector<float>& chord, float velocity,
                                                  sound::ToneProgram program) {
    std::vector<int32_t> ids;
    const auto g = graph();
    if (!g || chord.empty()) return ids;
    ids.reserve(chord.size());
    for (const float frequency : chord) {
        const auto pitch = program == sound::ToneProgram::DocumentTimbre
                               ? sound::exact_pitch_for_frequency(frequency)
                               : sound::playable_pitch_for_frequency(frequency);
        int32_t id = kNoNote;
        if (pitch) {
            id = next_note_id();
            if (!g->engine().start_tone(uint32_t(id), *pitch, velocity, program)) id = kNoNote;
        }
        ids.push_back(id);
    }
    return ids;
}

void SynthController::notes_off(const std::vector<int32_t>& note_ids) {
    const auto g = graph();
    if (!g) return;
    for (const int32_t id : note_ids)
        if (id != kNoNote) g->engine().stop_tone(uint32_t(id));
}

void SynthController::glide_note(int32_t note_id, float started_hertz, float hertz) {
    const auto g = graph();
    if (!g || note_id == kNoNote || !(started_hertz > 0.0f) || !(hertz > 0.0f)) return;
    g->engine().shift_tone(uint32_t(note_id), 1200.0f * std::log2(hertz / started_hertz));
}

void SynthController::set_document_timbre(const std::vector<TonePartial>& partials) {
    document_timbre_ = partials;
    if (auto g = graph()) g->engine().set_document_timbre(partials);
}

void SynthController::select_document_timbre() {
    if (auto g = graph()) g->engine().select_document_timbre();
}

bool SynthController::document_timbre_selected() const {
    const auto g = graph();
    return g && g->engine().document_timbre_selected();
}

uint64_t SynthController::partials_without_voice() const {
    const auto g = graph();
    return retired_partials_without_voice_.load(std::memory_order_relaxed) +
           (g ? g->engine().partials_without_voice() : 0);
}

uint64_t SynthController::voices_to_nearest_cent() const {
    const auto g = graph();
    return retired_voices_to_nearest_cent_.load(std::memory_order_relaxed) +
           (g ? g->engine().voices_to_nearest_cent() : 0);
}

void SynthController::set_midi_parameter(uint32_t controller, uint32_t value) {
    if (auto g = graph()) g->engine().control_change(controller, std::min(value, kMidiMaxValue));
}

void SynthController::play_test() {
    const auto g = graph();
    if (!g) return;
    g->engine().control_change(kBankSelectMsb, 0);
    g->engine().program_change(0);
    start();
    const auto first = notes_on({220.0f, 273.9f, 328.68f}, kTestVelocity);
    std::this_thread::sleep_for(kTestChordTime);
    notes_off(first);
    std::this_thread::sleep_for(kTestGapTime);
    const auto second = notes_on({220.0f, 277.2f, 329.56f}, kTestVelocity);
    std::this_thread::sleep_for(kTestChordTime);
    notes_off(second);
    stop();
}

// The old graph keeps playing while the new bank loads (which takes a while for a large
// bank), and goes on playing, with its program and controllers, when the bank is refused.
Result<void> SynthController::load_bank(const std::string& path) {
    Result<std::shared_ptr<AudioGraph>> built =
        path.empty() ? Error{ErrorKind::Refused,
                             0,
                             "No sound bank was given.",
                             "Choose a SoundFont (.sf2, .sf3) or DLS (.dls) bank.",
                             {},
                             {}}
                     : build_graph(path);  // empty would mean the default
    if (!built) return built.error();
    std::shared_ptr<AudioGraph> next = std::move(*built);
    // The channel keeps its state across a bank load: its controllers and the bank select
    // and program it had, now taken from the new bank.
    sound::BankSelect selection{0, 0, 0};
    bool timbre_selected = false;
    if (const auto old = graph()) {
        old->engine().copy_controllers_to(next->engine());
        selection = old->engine().selection();
        timbre_selected = old->engine().document_timbre_selected();
    }
    next->engine().select_or_first(selection);
    if (timbre_selected) next->engine().select_document_timbre();
    replace_graph(next);
    start();
    if (!is_running())
        return Error{ErrorKind::Refused,
                     0,
                     "The sound bank \"" + path + "\" could not be played.",
                     {},
                     "the audio output did not start",
                     {}};
    return {};
}

// A new graph from the synthesizer's defaults; the old one plays until it is swapped out.
void SynthController::reset_to_default_bank() {
    if (load_default_bank()) start();
}

std::vector<ProgramItem> SynthController::programs() const {
    std::vector<ProgramItem> items;
    const auto g = graph();
    if (!g) return items;
    const auto& instruments = g->engine().instruments();
    items.reserve(instruments.size());
    for (size_t i = 0; i < instruments.size(); ++i) {
        std::string title = std::to_string(i) + " : " + instruments[i].name;
        items.push_back({std::move(title), instruments[i].identifier});
    }
    return items;
}

void SynthController::send_instrument(int32_t index) {
    const auto g = graph();
    if (!g || index < 0) return;
    const auto& instruments = g->engine().instruments();
    if (size_t(index) >= instruments.size()) return;
    const auto select = sound::decode_instrument_identifier(instruments[size_t(index)].identifier);
    g->engine().control_change(kBankSelectMsb, uint32_t(select.msb));
    g->engine().control_change(kBankSelectLsb, uint32_t(select.lsb));
    g->engine().program_change(uint32_t(select.program));
}

void SynthController::select_instrument(int32_t index) {
    send_instrument(index);
}

void SynthController::change_bank(int32_t bank) {
    if (auto g = graph()) g->engine().control_change(kBankSelectMsb, uint32_t(bank) & 0x7F);
}

std::optional<StereoBuffer> SynthController::render_offline(int frames) {
    const auto g = graph();
    if (!g || g->is_running() || frames < 0) return std::nullopt;
    StereoBuffer out;
    out.left.resize(size_t(frames));
    out.right.resize(size_t(frames));
    for (int done = 0; done < frames; done += kRenderBlockFrames) {
        const int n = std::min(kRenderBlockFrames, frames - done);
        g->engine().render(out.left.data() + done, out.right.data() + done, n);
    }
    return out;
}

}  // namespace kelvara
