#include "midi/alsa_sequencer.h"

#include <charconv>

namespace kelvara::midi {

namespace {

// libasound prints its own message for a missing /dev/snd/seq; the caller reports the
// failure instead.
void quiet_alsa_error(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

AlsaSequencerOpening open_alsa_sequencer(std::string_view client_name, int open_mode) {
    snd_seq_t* raw = nullptr;
    snd_lib_error_set_handler(&quiet_alsa_error);
    const int result = snd_seq_open(&raw, "default", open_mode, SND_SEQ_NONBLOCK);
    snd_lib_error_set_handler(nullptr);
    AlsaSequencerHandle seq(raw);
    if (result < 0 || !seq)
        return {nullptr,
                std::string("the ALSA sequencer cannot be opened: ") + snd_strerror(result)};
    const std::string name(client_name);
    snd_seq_set_client_name(seq.get(), name.c_str());
    return {std::move(seq), {}};
}

std::optional<AlsaAddress> parse_alsa_address(std::string_view text) {
    AlsaAddress address;
    const char* end = text.data() + text.size();
    auto [after_client, e1] = std::from_chars(text.data(), end, address.client);
    if (e1 != std::errc() || after_client == end || *after_client != ':') return std::nullopt;
    auto [after_port, e2] = std::from_chars(after_client + 1, end, address.port);
    if (e2 != std::errc() || after_port != end) return std::nullopt;
    return address;
}

}  // namespace kelvara::midi
