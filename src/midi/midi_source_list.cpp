#include "midi/midi_source_list.h"

#include <algorithm>
#include <optional>

namespace kelvara::midi {

namespace {

bool has_title(const std::vector<MidiSourceItem>& items, const std::string& title) {
    return std::any_of(items.begin(), items.end(),
                       [&](const MidiSourceItem& item) { return item.title == title; });
}

// The title of the source at list position `position`, or nothing when it gets no item.
std::optional<std::string> title_for(const std::vector<MidiSourceItem>& items,
                                     const MidiSource& source, size_t position) {
    if (!has_title(items, source.name)) return source.name;
    if (!source.has_entity) return source.name + " #" + std::to_string(position);
    if (!source.device_name) return std::nullopt;
    const std::string with_device = source.name + " " + *source.device_name;
    if (!has_title(items, with_device)) return with_device;
    return with_device + " # " + std::to_string(position);
}

}  // namespace

void MidiSourceList::rescan_sources(MidiClient& client) {
    midi_sources_.clear();
    selected_midi_source_ = 0;
    const int32_t count = client.number_of_sources();
    for (int32_t i = 0; i < count; ++i) {
        std::optional<MidiSource> source = client.source(i);
        if (!source) continue;
        if (source->unique_id == _midi_source_ID) selected_midi_source_ = i;
        midi_sources_.push_back(std::move(*source));
    }
}

std::vector<MidiSourceItem> MidiSourceList::source_items() const {
    std::vector<MidiSourceItem> items;
    for (size_t i = 0; i < midi_sources_.size(); ++i) {
        std::optional<std::string> title = title_for(items, midi_sources_[i], i);
        if (!title) continue;
        // Items left out earlier shift the later ones up: a position past the end means
        // the end.
        const size_t at = std::min(i, items.size());
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(at),
                     MidiSourceItem{std::move(*title), midi_sources_[i]});
    }
    return items;
}

}  // namespace kelvara::midi
