#!/usr/bin/env bash
# Runs a command (the test runner) with the services the tests need, and stops them after:
#  - a private runtime directory, and the offscreen Qt platform;
#  - a private JACK server with the dummy backend (no sound hardware needed), named by
#    JACK_DEFAULT_SERVER for every client the tests open. Synchronous mode (-S) keeps MIDI
#    events from being lost when the machine is busy. KELVARA_REQUIRE_JACK=1 tells the JACK
#    tests that a server was started for them: they fail instead of skipping when it is gone.
set -euo pipefail
XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
export XDG_RUNTIME_DIR
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

JACKD_PID=""
cleanup() {
    if [[ -n "$JACKD_PID" ]]; then
        kill "$JACKD_PID" 2>/dev/null || true
        wait "$JACKD_PID" 2>/dev/null || true
    fi
    rm -rf "$XDG_RUNTIME_DIR"
}
trap cleanup EXIT

# A test server killed before it could clean up leaves its files in /dev/shm, and JACK then
# refuses new servers ("Too many servers already active"). With no JACK server running at all,
# those files belong to nobody: remove them.
remove_stale_jack_files() {
    if ! pgrep -x jackd >/dev/null && ! pgrep -x jackdbus >/dev/null; then
        rm -f /dev/shm/jack-shm-registry /dev/shm/jack_kelvara_test_* \
            /dev/shm/jack_sem.*_kelvara_test_* 2>/dev/null || true
    fi
}

start_jack_server() {
    if ! command -v jackd >/dev/null; then
        echo "with-test-services: jackd is not installed; the JACK tests will be skipped" >&2
        return
    fi
    remove_stale_jack_files
    export JACK_DEFAULT_SERVER="kelvara_test_$$"
    export KELVARA_REQUIRE_JACK=1
    jackd -n "$JACK_DEFAULT_SERVER" -S -r -d dummy -r 48000 -p 256 \
        </dev/null >"$XDG_RUNTIME_DIR/jackd.log" 2>&1 &
    JACKD_PID=$!
    # jack_wait polls once a second; the server usually answers after about 0.3 s.
    if ! timeout 15 jack_wait -w -t 10 >/dev/null 2>&1; then
        echo "with-test-services: the JACK server did not start; its log:" >&2
        cat "$XDG_RUNTIME_DIR/jackd.log" >&2
    fi
}

start_jack_server
"$@"
