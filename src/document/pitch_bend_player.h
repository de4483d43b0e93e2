#pragma once
// Plays chords on a synthesizer outside Kelvara that has no tuning messages: each sounding
// note on a MIDI channel of its own (midi/channel_allocator.h), its pitch bend sent before its
// note-on, so that every tone sounds at its exact frequency within the bend's resolution
// (0.024 cent at the default range of 2 semitones). A chord with more tones than free
// channels is refused whole, with a message, rather than played mistuned.
//
//   PitchBendPlayer player(output, {}, [](const std::string& why) { show(why); });
//   player.send_bend_ranges();  // once the destination is connected
//   // then as the packet handler's NotePlayer: notes_on / notes_off
//
// Threads: notes_on and notes_off run on the MIDI receive thread, send_bend_ranges on the
// user-interface thread; one lock orders them, so the output has one sender at a time.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "midi/channel_allocator.h"
#include "midi/midi_output.h"
#include "midi/note_player.h"
#include "persistence/pitch_bend_messages.h"

namespace kelvara {

struct PitchBendSettings {
    midi::ChannelAllocator channels;  // 2 to 16
    int32_t range_semitones = kDefaultBendRangeSemitones;
};

class PitchBendPlayer final : public midi::NotePlayer {
public:
    // `output` must outlive the player; `refused` (optional) hears why a chord did not play,
    // on the thread that asked.
    PitchBendPlayer(midi::MidiOutput& output, PitchBendSettings settings,
                    std::function<void(const std::string&)> refused = {});

    // The bend range on every channel of the player (registered parameter 0), and every bend
    // centred. False when the output could not take them.
    bool send_bend_ranges();

    midi::NoteInstances notes_on(const midi::Chord& chord, float velocity) override;
    void notes_off(const midi::NoteInstances& notes) override;
    // Sent on every channel of the player (the volume, the sustain pedal).
    void set_midi_parameter(uint32_t controller, uint32_t value) override;
    // A new bend on the note's own channel.
    void retune(int32_t instance, float hz) override;

private:
    struct Sounding {
        int32_t channel;
        uint8_t key;
    };
    void send(const MidiBytes& message);

    midi::MidiOutput& output_;
    const int32_t range_semitones_;
    const std::function<void(const std::string&)> refused_;
    std::mutex mutex_;
    midi::ChannelAllocator channels_;       // guarded by mutex_
    std::map<int32_t, Sounding> sounding_;  // by instance; guarded by mutex_
    int32_t next_instance_ = 1;             // guarded by mutex_
};

}  // namespace kelvara
