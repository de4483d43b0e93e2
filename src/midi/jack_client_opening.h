#pragma once
// Opening a client of the running JACK server, for the input and the output alike. A server
// is never started: with none running, opening fails at once and prints nothing. A second
// client of the same name gets another name from the server ("Kelvara-01").
#include <string>
#include <string_view>

#include "midi/jack_handles.h"

namespace kelvara::midi {

struct JackClientOpening {
    JackClientHandle client;
    // Why there is no client, for the user to read.
    std::string failure;
};

// Also routes libjack's messages: its errors reach stderr as "JACK: ...", its information
// is dropped, and the reports of a missing server while this thread opens a client are kept
// quiet (the failure says it).
JackClientOpening open_jack_client(std::string_view client_name);

}  // namespace kelvara::midi
