#pragma once
// AdaptiveNotePlayer: keys played in adaptive tuning. Every chord a key plays starts at the
// pitches the chord map gives; whenever a key goes down or up, a thread of the player's own
// tunes all the tones then sounding, as one chord, to the nearest minimum of their total
// dissonance with the document's timbre (engine/adaptive_tuning.h), and glides each sounding
// tone to its adapted pitch over the glide time, in steps a fraction of a cent exact. A key
// going down or up during a glide starts a new one from where the tones are.
//
// The glides go to the player below as retunes (midi::NotePlayer::retune): Kelvara's
// synthesizer glides tones of the document's timbre, exactly; a synthesizer outside gets new
// pitch bends or single-note tuning changes. While adaptive tuning is off the player only
// passes the chords on.
//
// Threads: notes_on, notes_off and set_midi_parameter on the MIDI receive thread and on the
// user-interface thread (the window's own keys, the volume); the tones of both are kept under
// one lock, each releasing its own. set_tuning and sounding() on any thread. The
// adaptation and the glides run on the player's own thread, never on the audio thread.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/adaptive_tuning.h"
#include "midi/note_player.h"

namespace kelvara {

struct AdaptiveTuningSetup {
    std::vector<Partial> partials;  // the document's timbre
    RoughnessModel model = RoughnessModel::Product;
    AdaptationSettings settings;
    std::chrono::milliseconds glide{40};
};

// What sounds now, for the window: each tone's pitch from its key and the pitch it glides to.
struct AdaptiveSounding {
    struct Tone {
        double nominal_hz = 0.0;
        double adapted_hz = 0.0;
        double cents() const;
    };
    std::vector<Tone> tones;  // in the order they started
    double dissonance_before = 0.0;
    double dissonance_after = 0.0;
};

class AdaptiveNotePlayer final : public midi::NotePlayer {
public:
    explicit AdaptiveNotePlayer(std::shared_ptr<midi::NotePlayer> main);
    ~AdaptiveNotePlayer() override;
    AdaptiveNotePlayer(const AdaptiveNotePlayer&) = delete;
    AdaptiveNotePlayer& operator=(const AdaptiveNotePlayer&) = delete;

    // Adaptive tuning with this timbre and these settings from the next key on; nothing turns
    // it off (the tones keep the pitch they have).
    void set_tuning(std::optional<AdaptiveTuningSetup> setup);
    bool tuning_on() const;
    AdaptiveSounding sounding() const;

    midi::NoteInstances notes_on(const midi::Chord& chord, float velocity) override;
    void notes_off(const midi::NoteInstances& notes) override;
    void set_midi_parameter(uint32_t controller, uint32_t value) override;

private:
    struct Tone {
        int32_t instance;
        double nominal_hz;
        double current_hz;  // where its glide has brought it
        double target_hz;
        uint64_t started;  // order of starting
    };
    void run();
    // The targets for the tones sounding now; false when nothing is to glide.
    bool adapt_sounding();
    // One step of the glide towards the targets, `fraction` of the way from where the tones
    // were when it began.
    void glide_step(const std::map<int32_t, double>& from, double fraction);

    const std::shared_ptr<midi::NotePlayer> main_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<AdaptiveTuningSetup> setup_;  // guarded by mutex_
    std::map<int32_t, Tone> tones_;             // by instance; guarded by mutex_
    uint64_t generation_ = 0;                   // a key went down or up; guarded by mutex_
    uint64_t started_ = 0;                      // guarded by mutex_
    double dissonance_before_ = 0.0, dissonance_after_ = 0.0;  // guarded by mutex_
    bool stopping_ = false;                                    // guarded by mutex_
    std::thread worker_;  // last: started when the rest is ready
};

}  // namespace kelvara
