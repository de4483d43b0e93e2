#include "document/adaptive_note_player.h"

#include <algorithm>
#include <cmath>

#include "engine/equal_temperament.h"

namespace kelvara {
namespace {

// A glide moves in steps this far apart: short beside the glide, long beside an audio block.
constexpr auto kGlideStep = std::chrono::milliseconds(5);

}  // namespace

double AdaptiveSounding::Tone::cents() const {
    return cents_between(nominal_hz, adapted_hz);
}

AdaptiveNotePlayer::AdaptiveNotePlayer(std::shared_ptr<midi::NotePlayer> main)
    : main_(std::move(main)), worker_([this] { run(); }) {}

AdaptiveNotePlayer::~AdaptiveNotePlayer() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void AdaptiveNotePlayer::set_tuning(std::optional<AdaptiveTuningSetup> setup) {
    {
        const std::lock_guard lock(mutex_);
        setup_ = std::move(setup);
        ++generation_;
    }
    changed_.notify_all();
}

bool AdaptiveNotePlayer::tuning_on() const {
    const std::lock_guard lock(mutex_);
    return setup_.has_value();
}

AdaptiveSounding AdaptiveNotePlayer::sounding() const {
    const std::lock_guard lock(mutex_);
    std::vector<const Tone*> in_order;
    for (const auto& [instance, tone] : tones_) in_order.push_back(&tone);
    std::sort(in_order.begin(), in_order.end(),
              [](const Tone* a, const Tone* b) { return a->started < b->started; });
    AdaptiveSounding s{{}, dissonance_before_, dissonance_after_};
    for (const Tone* t : in_order) s.tones.push_back({t->nominal_hz, t->target_hz});
    return s;
}

midi::NoteInstances AdaptiveNotePlayer::notes_on(const midi::Chord& chord, float velocity) {
    midi::NoteInstances instances = main_->notes_on(chord, velocity);
    {
        const std::lock_guard lock(mutex_);
        for (size_t i = 0; i < instances.size() && i < chord.size(); ++i) {
            const double hz = chord[i];
            tones_[instances[i]] = {instances[i], hz, hz, hz, started_++};
        }
        ++generation_;
    }
    changed_.notify_all();
    return instances;
}

void AdaptiveNotePlayer::notes_off(const midi::NoteInstances& notes) {
    main_->notes_off(notes);
    {
        const std::lock_guard lock(mutex_);
        for (const int32_t instance : notes) tones_.erase(instance);
        ++generation_;
    }
    changed_.notify_all();
}

void AdaptiveNotePlayer::set_midi_parameter(uint32_t controller, uint32_t value) {
    main_->set_midi_parameter(controller, value);
}

// Waits for a key; adapts what sounds and glides there, starting over whenever a key goes
// down or up meanwhile.
void AdaptiveNotePlayer::run() {
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
        }
        if (!adapt_sounding()) continue;
        std::map<int32_t, double> from;
        std::chrono::milliseconds glide{};
        {
            const std::lock_guard lock(mutex_);
            for (const auto& [instance, tone] : tones_) from[instance] = tone.current_hz;
            glide = setup_ ? setup_->glide : glide;
        }
        const int steps = std::max<int>(1, int(glide / kGlideStep));
        auto next = std::chrono::steady_clock::now();
        for (int step = 1; step <= steps; ++step) {
            glide_step(from, double(step) / steps);
            next += kGlideStep;
            std::unique_lock lock(mutex_);
            if (step < steps &&
                changed_.wait_until(lock, next, [&] { return stopping_ || generation_ != seen; }))
                break;  // a key went down or up: adapt again from here
        }
    }
}

bool AdaptiveNotePlayer::adapt_sounding() {
    std::optional<AdaptiveTuningSetup> setup;
    std::vector<int32_t> instances;
    ChordToAdapt chord;
    {
        const std::lock_guard lock(mutex_);
        if (!setup_ || tones_.empty()) return false;
        setup = setup_;
        for (const auto& [instance, tone] : tones_) {
            instances.push_back(instance);
            chord.nominal_hz.push_back(tone.nominal_hz);
        }
    }
    chord.partials = setup->partials;
    chord.model = setup->model;
    const Result<AdaptedChord> adapted = adapt_chord(chord, setup->settings);
    if (!adapted) return false;  // more notes than one chord can be tuned with: they stay
    const std::lock_guard lock(mutex_);
    for (size_t i = 0; i < instances.size(); ++i)
        if (const auto it = tones_.find(instances[i]); it != tones_.end())
            it->second.target_hz = adapted->adapted_hz[i];
    dissonance_before_ = adapted->dissonance_before;
    dissonance_after_ = adapted->dissonance_after;
    return true;
}

void AdaptiveNotePlayer::glide_step(const std::map<int32_t, double>& from, double fraction) {
    struct Move {
        int32_t instance;
        float hz;
    };
    std::vector<Move> moves;
    {
        const std::lock_guard lock(mutex_);
        for (auto& [instance, tone] : tones_) {
            const auto start = from.find(instance);
            if (start == from.end()) continue;
            tone.current_hz = start->second * std::pow(tone.target_hz / start->second, fraction);
            moves.push_back({instance, float(tone.current_hz)});
        }
    }
    for (const Move& m : moves) main_->retune(m.instance, m.hz);
}

}  // namespace kelvara
