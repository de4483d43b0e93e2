#pragma once
// Owners of the ALSA sequencer handles Kelvara holds. The deleters accept null.
#include <alsa/asoundlib.h>

#include <memory>

namespace kelvara::midi {

struct AlsaSequencerCloser {
    void operator()(snd_seq_t* seq) const {
        if (seq != nullptr) snd_seq_close(seq);
    }
};
using AlsaSequencerHandle = std::unique_ptr<snd_seq_t, AlsaSequencerCloser>;

struct AlsaMidiDecoderFreer {
    void operator()(snd_midi_event_t* decoder) const {
        if (decoder != nullptr) snd_midi_event_free(decoder);
    }
};
using AlsaMidiDecoderHandle = std::unique_ptr<snd_midi_event_t, AlsaMidiDecoderFreer>;
// The same parser turns bytes into sequencer events (an output's encoder).
using AlsaMidiEncoderHandle = std::unique_ptr<snd_midi_event_t, AlsaMidiDecoderFreer>;

struct AlsaClientInfoFreer {
    void operator()(snd_seq_client_info_t* info) const { snd_seq_client_info_free(info); }
};
struct AlsaPortInfoFreer {
    void operator()(snd_seq_port_info_t* info) const { snd_seq_port_info_free(info); }
};
using AlsaClientInfo = std::unique_ptr<snd_seq_client_info_t, AlsaClientInfoFreer>;
using AlsaPortInfo = std::unique_ptr<snd_seq_port_info_t, AlsaPortInfoFreer>;

}  // namespace kelvara::midi
