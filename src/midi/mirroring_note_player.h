#pragma once
// MirroringNotePlayer: every chord a key plays goes to the main player (Kelvara's own
// synthesizer) and, while one is attached, to a mirror as well: a player that sends the chord
// to a synthesizer outside Kelvara. The window attaches and detaches the mirror as the user
// picks a MIDI output, while notes sound; a mirror that is replaced or detached first hears a
// note-off for every tone it still holds, so no note is left hanging on the outside
// synthesizer.
//
// The player hands out instances of its own, each standing for the main player's instance
// and the mirror's, so that the packet handler keeps seeing one instance per tone.
//
// Threads: notes_on and notes_off on the MIDI receive thread, set_midi_parameter there and on
// the user-interface thread, set_mirror on the user-interface thread. One lock orders the
// mirror's calls and the instance table; the main player is called outside it, so a main
// player that waits for room in its queue never holds up the user-interface thread.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "midi/note_player.h"

namespace kelvara::midi {

class MirroringNotePlayer final : public NotePlayer {
public:
    explicit MirroringNotePlayer(std::shared_ptr<NotePlayer> main);

    // Later chords also play on `mirror`; null plays them on the main player only. The
    // previous mirror's sounding tones are stopped on it before it is let go.
    void set_mirror(std::shared_ptr<NotePlayer> mirror);

    NoteInstances notes_on(const Chord& chord, float velocity) override;
    void notes_off(const NoteInstances& notes) override;
    // The keyboard's controllers (the sustain pedal, the modulation wheel) reach both.
    void set_midi_parameter(uint32_t controller, uint32_t value) override;
    // Both the main player's tone and the mirror's move.
    void retune(int32_t instance, float hz) override;

private:
    // The mirror may play a chord's tones under fewer instances than the main player (a tone
    // it cannot bend); the two lists are paired in order, so that releasing the chord releases
    // every instance of both.
    struct Played {
        std::optional<int32_t> main;
        std::optional<int32_t> mirrored;
    };

    const std::shared_ptr<NotePlayer> main_;
    std::mutex mutex_;
    std::shared_ptr<NotePlayer> mirror_;  // guarded by mutex_
    std::map<int32_t, Played> played_;    // by our instance; guarded by mutex_
    int32_t next_instance_ = 1;           // guarded by mutex_
};

}  // namespace kelvara::midi
