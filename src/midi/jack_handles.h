#pragma once
// Owners of the JACK handles Kelvara holds. The deleters accept null.
#include <jack/jack.h>
#include <jack/ringbuffer.h>

#include <memory>

namespace kelvara::midi {

struct JackClientCloser {
    void operator()(jack_client_t* client) const {
        if (client != nullptr) jack_client_close(client);
    }
};
using JackClientHandle = std::unique_ptr<jack_client_t, JackClientCloser>;

struct JackRingbufferFreer {
    void operator()(jack_ringbuffer_t* ring) const {
        if (ring != nullptr) jack_ringbuffer_free(ring);
    }
};
using JackRingbufferHandle = std::unique_ptr<jack_ringbuffer_t, JackRingbufferFreer>;

// The NULL-terminated name lists jack_get_ports and friends return.
struct JackNameListFreer {
    void operator()(const char** names) const {
        if (names != nullptr) jack_free(static_cast<void*>(names));
    }
};
using JackNameList = std::unique_ptr<const char*, JackNameListFreer>;

}  // namespace kelvara::midi
