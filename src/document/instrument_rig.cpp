#include "document/instrument_rig.h"

#include "document/midi_playback.h"
#include "midi/midi_system_selection.h"
#include "sound/timbre_program.h"

namespace kelvara {
namespace {

std::unique_ptr<midi::MidiClient> client_or_default(std::unique_ptr<midi::MidiClient> client) {
    if (client) return client;
    return midi::open_midi_client(midi::kMidiClientName,
                                  midi::midi_system_from_environment(nullptr))
        .client;
}

}  // namespace

InstrumentRig::InstrumentRig(const PublishedChordMap& chords, Setup setup)
    : synth_(std::make_shared<SynthController>(0, std::move(setup.sound))),
      last_played_(std::make_shared<midi::LastPlayedKey>([this](int key) { note_played(key); })),
      keys_(std::make_shared<midi::MirroringNotePlayer>(std::make_shared<SynthNotePlayer>(synth_))),
      adaptive_(std::make_shared<AdaptiveNotePlayer>(keys_)),
      chord_lookup_(std::make_shared<PublishedChordLookup>(chords)),
      window_keys_(*adaptive_, *chord_lookup_, *last_played_) {
    synthesizer_built_ = synth_->load_default_bank();
    if (synthesizer_built_) synth_->start();
    midi_ = std::make_unique<midi::MidiInput>(
        client_or_default(std::move(setup.midi_client)),
        midi::MidiPlaybackTargets{adaptive_, chord_lookup_, last_played_},
        [this] { midi_sources_changed(); });
}

InstrumentRig::~InstrumentRig() {
    // MIDI delivery ends (port disposed, receive thread joined) before the synthesizer it
    // plays goes.
    midi_.reset();
    synth_->stop();
}

namespace {

// The audition's loudness: forte, below the limiter for the two tones of an interval.
constexpr float kAuditionVelocity = 100.0f;
// The "Document timbre" item before the bank's own list.
constexpr int32_t kBankItemsFrom = 1;

}  // namespace

std::vector<std::string> InstrumentRig::program_titles() const {
    if (!synthesizer_built_) return {};
    std::vector<std::string> titles{sound::TimbreProgram::kName};
    for (const ProgramItem& item : synth_->programs()) titles.push_back(item.title);
    return titles;
}

void InstrumentRig::select_program(int32_t index) {
    if (index == 0)
        synth_->select_document_timbre();
    else if (index >= kBankItemsFrom)
        synth_->select_instrument(index - kBankItemsFrom);
}

std::optional<int32_t> InstrumentRig::selected_program() const {
    if (!synthesizer_built_) return std::nullopt;
    if (synth_->document_timbre_selected()) return 0;
    const auto selected = synth_->selected_instrument();
    if (!selected) return std::nullopt;
    const std::vector<ProgramItem> items = synth_->programs();
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].tag == *selected) return int32_t(i) + kBankItemsFrom;
    return std::nullopt;
}

std::vector<int32_t> InstrumentRig::start_tones(const std::vector<float>& frequencies_hz) {
    std::vector<int32_t> ids = synth_->timbre_notes_on(frequencies_hz, kAuditionVelocity);
    ids.resize(frequencies_hz.size(), SynthController::kNoNote);
    return ids;
}

Result<void> InstrumentRig::load_sound_bank(const std::string& path) {
    Result<void> loaded = synth_->load_bank(path);
    if (loaded) resend_document_parameters();
    return loaded;
}

void InstrumentRig::reset_to_default_bank() {
    synth_->reset_to_default_bank();
    resend_document_parameters();
}

void InstrumentRig::set_midi_parameter(uint32_t controller, uint32_t value) {
    if (controller < document_parameters_.size()) document_parameters_[controller] = value;
    synth_->set_midi_parameter(controller, value);
}

void InstrumentRig::resend_document_parameters() {
    for (uint32_t controller = 0; controller < document_parameters_.size(); ++controller)
        if (const auto value = document_parameters_[controller])
            synth_->set_midi_parameter(controller, *value);
}

std::string InstrumentRig::midi_system_name() const {
    if (!midi_ || midi_->system_name() == midi::kNoMidiSystemName) return {};
    return midi_->system_name();
}

std::vector<std::string> InstrumentRig::midi_source_titles() const {
    std::vector<std::string> titles;
    if (!midi_) return titles;
    for (const midi::MidiSourceItem& item : midi_->source_items()) titles.push_back(item.title);
    return titles;
}

bool InstrumentRig::toggle_midi_source(int index) {
    return midi_ && midi_->toggle_source(index);
}

void InstrumentRig::refresh_midi_sources() {
    if (!midi_) return;
    midi_->rescan_sources();
    midi_->follow_sources();
}

std::vector<int> InstrumentRig::connected_midi_sources() const {
    return midi_ ? midi_->connected_items() : std::vector<int>{};
}

void InstrumentRig::on_midi_sources_changed(std::function<void()> notify) {
    const std::lock_guard lock(notify_mutex_);
    notify_sources_changed_ = std::move(notify);
}

void InstrumentRig::midi_sources_changed() {
    const std::lock_guard lock(notify_mutex_);
    if (notify_sources_changed_) notify_sources_changed_();
}

void InstrumentRig::on_note_played(std::function<void(int key)> notify) {
    const std::lock_guard lock(notify_mutex_);
    notify_ = std::move(notify);
}

void InstrumentRig::note_played(int key) {
    const std::lock_guard lock(notify_mutex_);
    if (notify_) notify_(key);
}

}  // namespace kelvara
