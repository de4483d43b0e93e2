#include "midi/midi_system_selection.h"

#include <cstdlib>

#include "midi/alsa_midi_client.h"
#include "midi/alsa_midi_output_client.h"
#include "midi/jack_midi_client.h"
#include "midi/jack_midi_output_client.h"
#include "midi/no_midi_client.h"
#include "midi/no_midi_output_client.h"

namespace kelvara::midi {

namespace {

void append_failure(std::string& failures, const std::string& failure) {
    if (!failures.empty()) failures += "; ";
    failures += failure;
}

// The first of ALSA and JACK (or the one asked for) whose `open(kind)` gives a client; else
// `Opening{none, failures}`.
template <typename Opening, typename Open, typename None>
Opening open_first(std::optional<MidiSystemKind> asked_for, Open&& open, None&& none) {
    std::string failures;
    if (asked_for != MidiSystemKind::None) {
        for (const MidiSystemKind kind : {MidiSystemKind::Alsa, MidiSystemKind::Jack}) {
            if (asked_for && *asked_for != kind) continue;
            Opening opening = open(kind);
            if (opening.client) return opening;
            append_failure(failures, opening.failure);
        }
    }
    return {none(), failures};
}

}  // namespace

std::optional<MidiSystemKind> midi_system_kind_from_name(std::string_view name) {
    if (name == "alsa") return MidiSystemKind::Alsa;
    if (name == "jack") return MidiSystemKind::Jack;
    if (name == "none") return MidiSystemKind::None;
    return std::nullopt;
}

std::optional<MidiSystemKind> midi_system_from_environment(std::string* problem) {
    const char* value = std::getenv(kMidiSystemEnvironmentVariable);
    if (value == nullptr || *value == '\0') return std::nullopt;
    const std::optional<MidiSystemKind> kind = midi_system_kind_from_name(value);
    if (!kind && problem != nullptr)
        *problem = std::string(kMidiSystemEnvironmentVariable) + "=" + value +
                   " is not one of alsa, jack, none; ignored";
    return kind;
}

MidiClientOpening open_midi_client(std::string_view client_name,
                                   std::optional<MidiSystemKind> asked_for) {
    return open_first<MidiClientOpening>(
        asked_for,
        [&](MidiSystemKind kind) {
            return kind == MidiSystemKind::Alsa ? open_alsa_midi_client(client_name)
                                                : open_jack_midi_client(client_name);
        },
        [] { return std::make_unique<NoMidiClient>(); });
}

MidiOutputClientOpening open_midi_output_client(std::string_view client_name,
                                                std::optional<MidiSystemKind> asked_for) {
    return open_first<MidiOutputClientOpening>(
        asked_for,
        [&](MidiSystemKind kind) {
            return kind == MidiSystemKind::Alsa ? open_alsa_midi_output_client(client_name)
                                                : open_jack_midi_output_client(client_name);
        },
        [] { return std::make_unique<NoMidiOutputClient>(); });
}

}  // namespace kelvara::midi
