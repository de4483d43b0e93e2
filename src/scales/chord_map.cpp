#include "scales/chord_map.h"

#include <algorithm>
#include <set>

#include "scales/chord_text.h"

namespace kelvara {

const Chord* ChordMap::chord_for_key(int32_t key) const {
    const auto entry = chords_.find(key);
    return entry == chords_.end() ? nullptr : &entry->second;
}

std::optional<int32_t> ChordMap::key_at_row(size_t row) const {
    if (row >= midi_note_numbers_.size()) return std::nullopt;
    return midi_note_numbers_[row];
}

std::optional<int32_t> ChordMap::free_key() const {
    for (int32_t key = kMiddleCKey; key < kMidiKeyCount; ++key)
        if (!chords_.contains(key)) return key;
    for (int32_t key = kMiddleCKey - 1; key >= 0; --key)
        if (!chords_.contains(key)) return key;
    return std::nullopt;
}

void ChordMap::insert_key(int32_t key) {
    midi_note_numbers_.insert(
        std::lower_bound(midi_note_numbers_.begin(), midi_note_numbers_.end(), key), key);
}

bool ChordMap::add_at_free_key(Chord chord) {
    const std::optional<int32_t> key = free_key();
    if (!key) return false;
    insert_key(*key);
    chords_.emplace(*key, std::move(chord));
    return true;
}

bool ChordMap::remove_row(size_t row) {
    const std::optional<int32_t> key = key_at_row(row);
    if (!key) return false;
    chords_.erase(*key);
    root_forms_.erase(*key);
    midi_note_numbers_.erase(midi_note_numbers_.begin() + static_cast<std::ptrdiff_t>(row));
    return true;
}

bool ChordMap::rekey_row(size_t row, int32_t key) {
    const std::optional<int32_t> old_key = key_at_row(row);
    if (!old_key || chords_.contains(key)) return false;
    auto node = chords_.extract(*old_key);
    node.key() = key;
    chords_.insert(std::move(node));
    if (auto form = root_forms_.extract(*old_key)) {
        form.key() = key;
        root_forms_.insert(std::move(form));
    }
    midi_note_numbers_.erase(midi_note_numbers_.begin() + static_cast<std::ptrdiff_t>(row));
    insert_key(key);
    return true;
}

bool ChordMap::replace_chord_at_row(size_t row, Chord chord, std::string root_form) {
    const std::optional<int32_t> key = key_at_row(row);
    if (!key) return false;
    chords_[*key] = std::move(chord);
    if (root_form.empty())
        root_forms_.erase(*key);
    else
        root_forms_[*key] = std::move(root_form);
    return true;
}

std::optional<ChordMap> ChordMap::from_parts(std::vector<int32_t> midi_note_numbers,
                                             ChordDictionary chords, RootForms root_forms) {
    const std::set<int32_t> listed(midi_note_numbers.begin(), midi_note_numbers.end());
    const bool consistent =
        listed.size() == midi_note_numbers.size() && listed.size() == chords.size() &&
        std::all_of(listed.begin(), listed.end(), [&](int32_t k) { return chords.contains(k); });
    if (!consistent) return std::nullopt;
    std::sort(midi_note_numbers.begin(), midi_note_numbers.end());
    ChordMap map;
    map.midi_note_numbers_ = std::move(midi_note_numbers);
    map.chords_ = std::move(chords);
    std::erase_if(root_forms, [&map](const auto& entry) {
        const Chord* chord = map.chord_for_key(entry.first);
        const Result<TypedChord> read = parse_typed_chord(entry.second);
        return !chord || !read || read->root_form.empty() || read->tones != *chord;
    });
    map.root_forms_ = std::move(root_forms);
    return map;
}

PublishedChordMap::PublishedChordMap() : current_(std::make_shared<const ChordMap>()) {}

void PublishedChordMap::publish(const ChordMap& map) {
    std::shared_ptr<const ChordMap> next = std::make_shared<const ChordMap>(map);
    {
        const std::lock_guard<std::mutex> lock(swap_lock_);
        current_.swap(next);
    }
    // `next` now holds the previous state: freed here, outside the lock, unless a reader
    // still holds it.
}

std::shared_ptr<const ChordMap> PublishedChordMap::snapshot() const {
    const std::lock_guard<std::mutex> lock(swap_lock_);
    return current_;
}

std::shared_ptr<const Chord> PublishedChordMap::chord_for_key(int32_t key) const {
    std::shared_ptr<const ChordMap> state = snapshot();
    const Chord* chord = state->chord_for_key(key);
    if (!chord) return nullptr;
    // Shares ownership of the whole snapshot, points at one of its chords.
    return std::shared_ptr<const Chord>(std::move(state), chord);
}

}  // namespace kelvara
