#include "midi/mirroring_note_player.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace kelvara::midi {
namespace {
constexpr uint32_t kSustainPedal = 64;
}  // namespace

MirroringNotePlayer::MirroringNotePlayer(std::shared_ptr<NotePlayer> main)
    : main_(std::move(main)) {}

void MirroringNotePlayer::set_mirror(std::shared_ptr<NotePlayer> mirror) {
    const std::lock_guard lock(mutex_);
    if (mirror_) {
        NoteInstances held;
        for (auto& [instance, played] : played_) {
            if (played.mirrored) held.push_back(*played.mirrored);
            played.mirrored.reset();
        }
        if (!held.empty()) mirror_->notes_off(held);
        mirror_->set_midi_parameter(kSustainPedal, 0);
    }
    mirror_ = std::move(mirror);
}

NoteInstances MirroringNotePlayer::notes_on(const Chord& chord, float velocity) {
    const NoteInstances main = main_->notes_on(chord, velocity);
    const std::lock_guard lock(mutex_);
    const NoteInstances mirrored = mirror_ ? mirror_->notes_on(chord, velocity) : NoteInstances{};
    NoteInstances ours;
    for (size_t i = 0; i < std::max(main.size(), mirrored.size()); ++i) {
        Played played;
        if (i < main.size()) played.main = main[i];
        if (i < mirrored.size()) played.mirrored = mirrored[i];
        ours.push_back(next_instance_);
        played_.emplace(next_instance_, played);
        next_instance_ =
            next_instance_ == std::numeric_limits<int32_t>::max() ? 1 : next_instance_ + 1;
    }
    return ours;
}

void MirroringNotePlayer::notes_off(const NoteInstances& notes) {
    NoteInstances main;
    {
        const std::lock_guard lock(mutex_);
        NoteInstances mirrored;
        for (const int32_t instance : notes) {
            const auto found = played_.find(instance);
            if (found == played_.end()) continue;
            if (found->second.main) main.push_back(*found->second.main);
            if (found->second.mirrored) mirrored.push_back(*found->second.mirrored);
            played_.erase(found);
        }
        if (mirror_ && !mirrored.empty()) mirror_->notes_off(mirrored);
    }
    if (!main.empty()) main_->notes_off(main);
}

void MirroringNotePlayer::set_midi_parameter(uint32_t controller, uint32_t value) {
    main_->set_midi_parameter(controller, value);
    const std::lock_guard lock(mutex_);
    if (mirror_) mirror_->set_midi_parameter(controller, value);
}

void MirroringNotePlayer::retune(int32_t instance, float hz) {
    std::optional<int32_t> main;
    {
        const std::lock_guard lock(mutex_);
        const auto found = played_.find(instance);
        if (found == played_.end()) return;
        main = found->second.main;
        if (mirror_ && found->second.mirrored) mirror_->retune(*found->second.mirrored, hz);
    }
    if (main) main_->retune(*main, hz);
}

}  // namespace kelvara::midi
