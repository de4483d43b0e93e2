#include "midi/jack_client_opening.h"

#include <cstdio>

namespace kelvara::midi {

namespace {

// libjack reports through one process-wide function. While this thread tries to open a
// client, the reports of a missing server are expected and kept quiet; everything else
// reaches stderr.
thread_local bool t_opening_client = false;

void report_jack_message(const char* message) {
    if (!t_opening_client) std::fprintf(stderr, "JACK: %s\n", message);
}
void ignore_jack_info(const char*) {}

std::string status_text(jack_status_t status) {
    if (status & JackServerFailed) return "no JACK server is running";
    if (status & JackVersionError) return "the JACK server speaks another protocol version";
    if (status & JackShmFailure) return "JACK shared memory is unavailable";
    return "the JACK server refused the client (status " + std::to_string(status) + ")";
}

}  // namespace

JackClientOpening open_jack_client(std::string_view client_name) {
    jack_set_error_function(&report_jack_message);
    jack_set_info_function(&ignore_jack_info);
    jack_status_t status{};
    const std::string name(client_name);
    t_opening_client = true;
    JackClientHandle client(jack_client_open(name.c_str(), JackNoStartServer, &status));
    t_opening_client = false;
    if (!client) return {nullptr, status_text(status)};
    return {std::move(client), {}};
}

}  // namespace kelvara::midi
