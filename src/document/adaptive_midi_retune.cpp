#include "document/adaptive_midi_retune.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/equal_temperament.h"
#include "midi/channel_allocator.h"
#include "persistence/mts_sysex.h"
#include "persistence/pitch_bend_messages.h"

namespace kelvara {
namespace {

constexpr int32_t kPercussionChannel = 10;
// A retune smaller than this is not sent: far below what any synthesizer resolves.
constexpr double kUnchangedCents = 1e-4;

struct HeldNote {
    int32_t channel;  // 1..16, as the file has it
    int32_t key;
    double sounding_hz = 0.0;  // what was last sent; 0 before the first
    int32_t out_channel = 0;   // bend channels: the note's own; 0 when it plays untuned
    int32_t out_key = 0;
    int32_t serial = 0;  // the note's number in the performance
};

// Events of every track in one time line; at one tick, in the order of the tracks.
std::vector<MidiFileEvent> merged_events(const StandardMidiFile& input) {
    std::vector<MidiFileEvent> all;
    for (const auto& track : input.tracks) all.insert(all.end(), track.begin(), track.end());
    std::stable_sort(all.begin(), all.end(), [](const MidiFileEvent& a, const MidiFileEvent& b) {
        return a.tick < b.tick;
    });
    return all;
}

class Retuner {
public:
    Retuner(const std::vector<Partial>& partials, RoughnessModel model,
            const MidiRetuneSettings& settings)
        : partials_(partials), model_(model), settings_(settings) {}

    RetunedMidiFile run(const StandardMidiFile& input) {
        out_.file.format = 0;
        out_.file.division = input.division;
        out_.file.tracks.emplace_back();
        if (bending())
            for (int32_t c = channels_.first_channel(); c <= channels_.last_channel(); ++c)
                for (auto& m : bend_range_messages(c, settings_.bend_range_semitones))
                    emit(0, std::move(m));
        else
            select_tuning_program(input);
        for (const MidiFileEvent& event : merged_events(input)) take(event);
        return std::move(out_);
    }

private:
    bool bending() const { return settings_.output == RetuneOutput::BendChannels; }

    // Tuning bank 0, program 0 on every melodic channel the file plays on (registered
    // parameters 4 and 3, then the null parameter): the tuning the single-note changes
    // edit. Some synthesizers (FluidSynth among them) apply changes only to a channel that
    // selected the tuning.
    void select_tuning_program(const StandardMidiFile& input) {
        bool used[16] = {};
        for (const auto& track : input.tracks)
            for (const MidiFileEvent& e : track)
                if (is_channel_message(e)) used[e.bytes[0] & 0x0F] = true;
        for (uint8_t c = 0; c < 16; ++c) {
            if (!used[c] || c + 1 == kPercussionChannel) continue;
            const uint8_t status = uint8_t(0xB0 | c);
            for (const uint8_t parameter : {uint8_t(4), uint8_t(3)}) {
                emit(0, {status, 0x65, 0x00});
                emit(0, {status, 0x64, parameter});
                emit(0, {status, 0x06, 0x00});
            }
            emit(0, {status, 0x65, 0x7F});
            emit(0, {status, 0x64, 0x7F});
        }
    }

    void perform(const PerformedNoteEvent& e) { out_.performance.push_back(e); }

    void emit(int64_t tick, std::vector<uint8_t> bytes) {
        out_.file.tracks[0].push_back({tick, std::move(bytes)});
    }

    void take(const MidiFileEvent& event) {
        if (!is_channel_message(event) || (event.bytes[0] & 0x0F) + 1 == kPercussionChannel)
            return emit(event.tick, event.bytes);
        const uint8_t kind = event.bytes[0] & 0xF0;
        const int32_t channel = (event.bytes[0] & 0x0F) + 1;
        const bool note_on = kind == 0x90 && event.bytes[2] > 0;
        const bool note_off = kind == 0x80 || (kind == 0x90 && event.bytes[2] == 0);
        if (note_on) return press(event, channel);
        if (note_off) return release(event, channel);
        if (!bending()) return emit(event.tick, event.bytes);
        if (kind == 0xE0 || kind == 0xA0) return;  // the bends are the tuning's
        for (int32_t c = channels_.first_channel(); c <= channels_.last_channel(); ++c) {
            std::vector<uint8_t> copy = event.bytes;
            copy[0] = uint8_t(kind | (c - 1));
            emit(event.tick, std::move(copy));
        }
    }

    void press(const MidiFileEvent& event, int32_t channel) {
        const int32_t key = event.bytes[1];
        HeldNote note{channel, key};
        note.serial = out_.summary.notes++;
        pending_velocity_ = event.bytes[2];
        if (bending()) {
            if (const auto own = channels_.acquire()) note.out_channel = *own;
        }
        held_.push_back(note);
        retune(event.tick);
        const HeldNote& placed = held_.back();
        if (!bending()) return emit(event.tick, event.bytes);
        if (placed.out_channel == 0) {
            ++out_.summary.untuned_notes;
            return emit(event.tick, event.bytes);
        }
        emit(event.tick,
             note_on_message(placed.out_channel, uint8_t(placed.out_key), event.bytes[2]));
    }

    void release(const MidiFileEvent& event, int32_t channel) {
        const auto it = std::find_if(held_.begin(), held_.end(), [&](const HeldNote& n) {
            return n.channel == channel && n.key == event.bytes[1];
        });
        if (it == held_.end()) return emit(event.tick, event.bytes);
        const HeldNote note = *it;
        held_.erase(it);
        perform({PerformedNoteEvent::Kind::Stop, event.tick, note.serial, 0.0, 0});
        if (bending() && note.out_channel != 0) {
            emit(event.tick, note_off_message(note.out_channel, uint8_t(note.out_key)));
            channels_.release(note.out_channel);
        } else {
            emit(event.tick, event.bytes);
        }
        retune(event.tick);
    }

    // The held notes tuned as one chord, and the messages for those whose pitch changed.
    void retune(int64_t tick) {
        if (held_.empty()) return;
        ChordToAdapt chord{{}, partials_, model_, {}};
        for (const HeldNote& n : held_) chord.nominal_hz.push_back(equal_tempered_hz(n.key));
        const Result<AdaptedChord> adapted = adapt_chord(chord, settings_.adaptation);
        std::vector<MtsKeyChange> changes;
        for (size_t i = 0; i < held_.size(); ++i) {
            HeldNote& n = held_[i];
            // A chord that cannot be tuned (more than 16 notes) keeps what sounds; the new
            // note plays at its key's pitch.
            if (!adapted && n.sounding_hz > 0.0) continue;
            if (!adapted) ++out_.summary.untuned_notes;
            const double hz = adapted ? adapted->adapted_hz[i] : equal_tempered_hz(n.key);
            if (n.sounding_hz > 0.0 &&
                std::fabs(cents_between(n.sounding_hz, hz)) < kUnchangedCents)
                continue;
            const bool first = n.sounding_hz == 0.0;
            n.sounding_hz = hz;
            perform({first ? PerformedNoteEvent::Kind::Start : PerformedNoteEvent::Kind::Retune,
                     tick, n.serial, hz, first ? pending_velocity_ : uint8_t(0)});
            out_.summary.largest_move_cents =
                std::max(out_.summary.largest_move_cents,
                         std::fabs(cents_between(equal_tempered_hz(n.key), hz)));
            if (!bending()) {
                changes.push_back({n.key, hz});
            } else if (n.out_channel != 0) {
                if (first) n.out_key = n.key;
                emit(tick, pitch_bend_message(n.out_channel,
                                              bend_for_key(uint8_t(n.out_key), hz,
                                                           settings_.bend_range_semitones)));
                ++out_.summary.messages_added;
            }
        }
        for (auto& message : mts_single_note_changes(MtsAddress::all_devices(), changes)) {
            emit(tick, std::move(message));
            ++out_.summary.messages_added;
        }
    }

    const std::vector<Partial>& partials_;
    RoughnessModel model_;
    MidiRetuneSettings settings_;
    midi::ChannelAllocator channels_;
    std::vector<HeldNote> held_;
    uint8_t pending_velocity_ = 0;  // of the note-on being taken
    RetunedMidiFile out_;
};

}  // namespace

Result<RetunedMidiFile> retune_midi_file(const StandardMidiFile& input,
                                         const std::vector<Partial>& partials, RoughnessModel model,
                                         const MidiRetuneSettings& settings) {
    if (settings.bend_range_semitones < 1 || settings.bend_range_semitones > kMaxBendRangeSemitones)
        return refusal("The bend range must be 1 to " + std::to_string(kMaxBendRangeSemitones) +
                       " semitones.");
    // The timbre and settings are checked once, on a chord of one note.
    if (const auto checked = adapt_chord({{440.0}, partials, model, {}}, settings.adaptation);
        !checked)
        return checked.error();
    return Retuner(partials, model, settings).run(input);
}

}  // namespace kelvara
