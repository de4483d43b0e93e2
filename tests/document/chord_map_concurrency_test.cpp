// The MIDI receive thread looks chords up while the user-interface thread edits the map.
// Every lookup must see one whole published state, the one before an edit or the one after
// it. Built and run under ThreadSanitizer too (make test-tsan), which fails on any race.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "document/document.h"
#include "scales/chord_map.h"
#include "support/recording_fakes.h"

namespace kelvara {
namespace {

constexpr int kEdits = 10000;
constexpr int kLookups = 1000000;
constexpr int32_t kStampedKey = 60;

// Generation g maps kStampedKey to five tones of value g, and lists g % 7 more keys, each
// with a chord of g: a reader can tell a whole state from a torn one.
ChordMap stamped_map(int generation) {
    std::vector<int32_t> keys{kStampedKey};
    ChordDictionary chords{{kStampedKey, Chord(5, static_cast<float>(generation))}};
    for (int32_t k = 0; k < generation % 7; ++k) {
        keys.push_back(k);
        chords[k] = Chord{static_cast<float>(generation)};
    }
    return ChordMap::from_parts(keys, chords).value();
}

// How a lookup can fail; 0 when it saw a whole state no older than the last one it saw.
int check_stamped_lookup(const PublishedChordMap& published, float& last_generation) {
    const std::shared_ptr<const Chord> chord = published.chord_for_key(kStampedKey);
    if (!chord) return 1;
    if (chord->size() != 5) return 2;
    const float generation = chord->front();
    if (!std::all_of(chord->begin(), chord->end(), [&](float t) { return t == generation; }))
        return 3;
    if (generation < last_generation) return 4;
    last_generation = generation;
    return 0;
}

TEST(ChordMapConcurrency, LookupsSeeWholeStatesWhileTheMapIsReplaced) {
    PublishedChordMap published;
    published.publish(stamped_map(0));
    std::atomic<bool> editing{true};

    std::thread editor([&] {
        for (int generation = 1; generation <= kEdits; ++generation)
            published.publish(stamped_map(generation));
        editing = false;
    });

    int torn = 0;
    float last_generation = 0.0f;
    for (int i = 0; i < kLookups; ++i) {
        if (check_stamped_lookup(published, last_generation) != 0) ++torn;
        if (i % 1000 == 0) {
            // A whole snapshot: its keys and chords agree.
            const std::shared_ptr<const ChordMap> state = published.snapshot();
            const auto& keys = state->midi_note_numbers();
            if (state->chords().size() != keys.size()) ++torn;
            for (int32_t key : keys)
                if (!state->chord_for_key(key)) ++torn;
        }
    }
    editor.join();
    EXPECT_EQ(torn, 0);
    EXPECT_FALSE(editing);
    EXPECT_EQ(published.chord_for_key(kStampedKey)->front(), static_cast<float>(kEdits));
}

TEST(ChordMapConcurrency, DocumentEditsAndMidiLookupsExcludeEachOther) {
    Document doc;
    testing::RecordingDocumentView controls;
    controls.selected_rows[DocumentTable::MappedChords] = 0;
    doc.attach_views(controls);

    std::thread editor([&] {
        // Add key 0 with its 110 Hz chord, then delete it again: 10 000 edits.
        for (int i = 0; i < kEdits; ++i)
            doc.chord_action(i % 2 == 0 ? ChordAction::AddAtFreeKey : ChordAction::DeleteSelected);
    });

    int seen = 0;
    int torn = 0;
    for (int i = 0; i < kLookups; ++i) {
        const std::shared_ptr<const Chord> chord = doc.chord_for_key(0);
        if (!chord) continue;
        ++seen;
        if (*chord != Chord{kNewChordFrequencyHz}) ++torn;
    }
    editor.join();
    EXPECT_EQ(torn, 0);
    EXPECT_EQ(doc.chord_for_key(0), nullptr);
    EXPECT_EQ(controls.beeps, 0);
    RecordProperty("lookups_that_found_the_chord", seen);
}

}  // namespace
}  // namespace kelvara
