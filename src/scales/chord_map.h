#pragma once
// The chord map: which chord each mapped MIDI key sounds.
//
// Two sides use it. The user-interface thread edits a ChordMap value (add, copy, delete,
// rekey, replace) and, after each edit, publishes a copy through PublishedChordMap. The MIDI
// receive thread looks keys up in the published copy:
//
//     if (std::shared_ptr<const Chord> chord = doc.chord_for_key(note)) {
//         // *chord stays valid, unchanged, for as long as `chord` is held,
//         // whatever the user edits meanwhile.
//         synth.notes_on(*chord, velocity);
//     }
//
// A published ChordMap is never changed again, so a reader sees either the whole state
// before an edit or the whole state after it, never a key without its chord.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "scales/chord.h"

namespace kelvara {

// Keys that the chord-map actions create: the MIDI key numbers 0 to 127. A key typed into
// the table may be any integer; one outside this range is stored and never played.
inline constexpr int32_t kMidiKeyCount = 128;
// The chord a new row sounds: one A at 110 Hz.
inline constexpr float kNewChordFrequencyHz = 110.0f;
// Where a new row's key is looked for first: middle C, the key a player finds at once.
inline constexpr int32_t kMiddleCKey = 60;

using ChordDictionary = std::map<int32_t, Chord>;
// The text a key's chord was typed in, for the chords typed in the root form (chord_text.h).
using RootForms = std::map<int32_t, std::string>;

// One state of the map: the mapped keys in ascending order (one table row each), and the
// chord of each. Every operation keeps the two in step and the keys sorted: no key appears
// twice, the dictionary's keys are exactly the listed ones, and a row is always the place of
// its key among the others (a rekeyed row moves). A value type; copies are independent. Rows
// are indexes into midi_note_numbers().
class ChordMap {
public:
    const std::vector<int32_t>& midi_note_numbers() const { return midi_note_numbers_; }
    const ChordDictionary& chords() const { return chords_; }
    // The root forms of the chords typed in one: each reads back as its key's chord.
    const RootForms& root_forms() const { return root_forms_; }
    size_t size() const { return midi_note_numbers_.size(); }
    bool empty() const { return midi_note_numbers_.empty(); }

    // The chord of a key, or null when the key is not mapped.
    const Chord* chord_for_key(int32_t key) const;
    // The key shown in a row, or nothing when the row does not exist.
    std::optional<int32_t> key_at_row(size_t row) const;
    // The first key not yet mapped from middle C upwards (60..127), else the nearest one
    // below it (59 down to 0); nothing when all 128 are taken.
    std::optional<int32_t> free_key() const;

    // Maps free_key() to `chord`, its row at the key's sorted place. False (nothing changed)
    // when no key is free.
    bool add_at_free_key(Chord chord);
    // Removes a row and its chord. False when the row does not exist.
    bool remove_row(size_t row);
    // Moves a row's chord to `key`; the row moves to the key's sorted place. False (nothing
    // changed) when `key` is already mapped, in this row or another, or the row does not
    // exist.
    bool rekey_row(size_t row, int32_t key);
    // Replaces the chord of a row, with the root form it was typed in (empty: none). False
    // when the row does not exist.
    bool replace_chord_at_row(size_t row, Chord chord, std::string root_form = {});

    // A map from its two parts, as a document file holds them, the keys sorted whatever
    // their order in the file; nothing when they disagree (a key listed twice, a listed key
    // without a chord, a chord under an unlisted key). A root form is kept only for a mapped
    // key whose chord it reads back as: one another program left behind a changed chord is
    // dropped, and the chord shows as its frequencies.
    static std::optional<ChordMap> from_parts(std::vector<int32_t> midi_note_numbers,
                                              ChordDictionary chords, RootForms root_forms = {});

    friend bool operator==(const ChordMap&, const ChordMap&) = default;

private:
    // Lists an unlisted key at its sorted place.
    void insert_key(int32_t key);

    std::vector<int32_t> midi_note_numbers_;
    ChordDictionary chords_;
    RootForms root_forms_;
};

// The chord map as the MIDI receive thread sees it: an immutable snapshot, replaced as a
// whole after each edit.
//
// Threads: publish() from one thread at a time (the user-interface thread); snapshot() and
// chord_for_key() from any thread, concurrently with publish(). The lock is held only to copy
// or swap one pointer: a new state is built, and an old one freed, outside it. A lookup
// allocates nothing and waits at most for that swap. Not for an audio callback, which must
// never wait on a lock.
//
// A mutex rather than std::atomic<std::shared_ptr>: the latter takes a lock of its own in
// this standard library anyway, and one that ThreadSanitizer cannot see, which would hide
// real races behind false reports.
class PublishedChordMap {
public:
    PublishedChordMap();

    // Makes a copy of `map` the state every later lookup sees.
    void publish(const ChordMap& map);
    // The current state; never null.
    std::shared_ptr<const ChordMap> snapshot() const;
    // The chord mapped to `key` in the current state, or null. The pointer keeps its
    // snapshot alive: the chord it shows cannot change or go away while it is held.
    std::shared_ptr<const Chord> chord_for_key(int32_t key) const;

private:
    mutable std::mutex swap_lock_;
    std::shared_ptr<const ChordMap> current_;  // guarded by swap_lock_; never null
};

}  // namespace kelvara
