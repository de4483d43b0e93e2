// Adaptive tuning on the keys: a chord held glides, on the player's own thread, to the
// tuning adapt_chord finds (4:5:6 over the held C with six equal harmonics), through retunes
// of the player below; letting C go retunes the rest; with adaptive tuning off nothing moves.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <map>
#include <mutex>
#include <thread>

#include "document/adaptive_note_player.h"
#include "engine/curve_definition.h"
#include "engine/equal_temperament.h"

namespace kelvara {
namespace {

using namespace std::chrono_literals;

// Starts every tone under a number of its own and keeps the last pitch each was moved to.
class RecordingPlayer final : public midi::NotePlayer {
public:
    midi::NoteInstances notes_on(const midi::Chord& chord, float) override {
        const std::lock_guard lock(mutex_);
        midi::NoteInstances ids;
        for (const float hz : chord) hz_[next_] = hz, ids.push_back(next_++);
        return ids;
    }
    void notes_off(const midi::NoteInstances& notes) override {
        const std::lock_guard lock(mutex_);
        for (const int32_t id : notes) hz_.erase(id);
    }
    void set_midi_parameter(uint32_t, uint32_t) override {}
    void retune(int32_t instance, float hz) override {
        const std::lock_guard lock(mutex_);
        if (hz_.contains(instance)) hz_[instance] = hz, ++retunes_;
    }
    std::map<int32_t, float> pitches() {
        const std::lock_guard lock(mutex_);
        return hz_;
    }
    int retunes() {
        const std::lock_guard lock(mutex_);
        return retunes_;
    }

private:
    std::mutex mutex_;
    std::map<int32_t, float> hz_;
    int32_t next_ = 1;
    int retunes_ = 0;
};

// Waits until every listed tone sounds within 0.01 cent of its pitch; false after 5 s.
bool settles_at(RecordingPlayer& player, const std::map<int32_t, double>& expected) {
    for (const auto until = std::chrono::steady_clock::now() + 5s;
         std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(5ms)) {
        const auto now = player.pitches();
        bool all = now.size() == expected.size();
        for (const auto& [id, hz] : expected)
            all = all && now.contains(id) && std::fabs(cents_between(hz, now.at(id))) < 0.01;
        if (all) return true;
    }
    return false;
}

TEST(AdaptiveNotePlayer, HeldTonesGlideToTheAdaptedChordAndRetuneOnRelease) {
    const auto below = std::make_shared<RecordingPlayer>();
    AdaptiveNotePlayer player(below);
    const double c = 261.6255653, e = 329.6275569, g = 391.9954360;
    // Off: the chord passes on and stays.
    const auto first = player.notes_on({float(c), float(e)}, 100.0f);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(below->retunes(), 0);
    player.notes_off(first);

    player.set_tuning(AdaptiveTuningSetup{
        harmonic_partials(FlatHarmonics, 6), RoughnessModel::Product, {}, 20ms});
    const auto chord = player.notes_on({float(c), float(e), float(g)}, 100.0f);
    ASSERT_EQ(chord.size(), 3u);
    EXPECT_TRUE(settles_at(*below, {{chord[0], c}, {chord[1], c * 1.25}, {chord[2], c * 1.5}}));
    EXPECT_GT(below->retunes(), 3) << "a glide in steps, not one jump";
    const AdaptiveSounding shown = player.sounding();
    ASSERT_EQ(shown.tones.size(), 3u);
    EXPECT_NEAR(shown.tones[1].cents(), -13.686, 0.01);
    EXPECT_LT(shown.dissonance_after, shown.dissonance_before);

    player.notes_off({chord[0]});
    EXPECT_TRUE(settles_at(*below, {{chord[1], e}, {chord[2], e * 1.2}}));
    player.notes_off({chord[1], chord[2]});
    EXPECT_TRUE(player.sounding().tones.empty());
}

}  // namespace
}  // namespace kelvara
