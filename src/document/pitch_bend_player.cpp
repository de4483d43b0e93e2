#include "document/pitch_bend_player.h"

#include <algorithm>
#include <cmath>

namespace kelvara {

PitchBendPlayer::PitchBendPlayer(midi::MidiOutput& output, PitchBendSettings settings,
                                 std::function<void(const std::string&)> refused)
    : output_(output),
      range_semitones_(std::clamp(settings.range_semitones, 1, kMaxBendRangeSemitones)),
      refused_(std::move(refused)),
      channels_(settings.channels) {}

void PitchBendPlayer::send(const MidiBytes& message) {
    output_.send(message);
}

bool PitchBendPlayer::send_bend_ranges() {
    const std::lock_guard lock(mutex_);
    bool sent = true;
    for (int32_t channel = channels_.first_channel(); channel <= channels_.last_channel();
         ++channel) {
        for (const MidiBytes& message : bend_range_messages(channel, range_semitones_))
            sent = output_.send(message) && sent;
        sent = output_.send(pitch_bend_message(channel, kBendCentre)) && sent;
    }
    return sent;
}

midi::NoteInstances PitchBendPlayer::notes_on(const midi::Chord& chord, float velocity) {
    std::vector<BentNote> notes;
    for (const float hz : chord)
        if (const std::optional<BentNote> note = bent_note(hz, range_semitones_))
            notes.push_back(*note);
    const std::lock_guard lock(mutex_);
    if (static_cast<int32_t>(notes.size()) > channels_.free_count()) {
        if (refused_)
            refused_("A chord of " + std::to_string(notes.size()) + " notes needs as many MIDI " +
                     "channels; " + std::to_string(channels_.free_count()) + " of channels " +
                     std::to_string(channels_.first_channel()) + "\u2013" +
                     std::to_string(channels_.last_channel()) + " are free, so it is not played.");
        return {};
    }
    const auto key_velocity = static_cast<uint8_t>(std::clamp(std::lround(velocity), 1L, 127L));
    midi::NoteInstances instances;
    for (const BentNote& note : notes) {
        const int32_t channel = *channels_.acquire();
        send(pitch_bend_message(channel, note.bend));
        send(note_on_message(channel, note.key, key_velocity));
        sounding_[next_instance_] = {channel, note.key};
        instances.push_back(next_instance_++);
    }
    return instances;
}

void PitchBendPlayer::notes_off(const midi::NoteInstances& notes) {
    const std::lock_guard lock(mutex_);
    for (const int32_t instance : notes) {
        const auto found = sounding_.find(instance);
        if (found == sounding_.end()) continue;
        send(note_off_message(found->second.channel, found->second.key));
        channels_.release(found->second.channel);
        sounding_.erase(found);
    }
}

void PitchBendPlayer::retune(int32_t instance, float hz) {
    const std::lock_guard lock(mutex_);
    const auto found = sounding_.find(instance);
    if (found == sounding_.end()) return;
    send(pitch_bend_message(found->second.channel,
                            bend_for_key(found->second.key, hz, range_semitones_)));
}

void PitchBendPlayer::set_midi_parameter(uint32_t controller, uint32_t value) {
    const std::lock_guard lock(mutex_);
    for (int32_t channel = channels_.first_channel(); channel <= channels_.last_channel();
         ++channel)
        send({static_cast<uint8_t>(0xB0 | (channel - 1)), static_cast<uint8_t>(controller & 0x7F),
              static_cast<uint8_t>(std::min<uint32_t>(value, 127))});
}

}  // namespace kelvara
