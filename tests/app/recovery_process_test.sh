#!/usr/bin/env bash
# Crash recovery across real processes on the offscreen platform, with a private
# XDG_STATE_HOME: a document edited in one process that is then killed with SIGKILL; a
# second, live `kelvara` that must not be offered the first one's copy while it runs; a
# `kelvara --restore-recovery=yes` that takes the copy over after the kill; and what the copy
# holds. (How a window shows a restored document: tests/app/undo_recovery_test.cpp.)
# Usage: recovery_process_test.sh KELVARA RECOVERY_DRIVER KELVARA_CLI
set -euo pipefail
kelvara="$1"
driver="$2"
cli="$3"
work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen XDG_STATE_HOME="$work/state" HOME="$work"
# The processes killed here play nowhere: no MIDI system, the silent audio output. A client
# killed while it holds the test services' JACK server (synchronous mode) stalls that server:
# its request thread waits out the dead client's cycles, and every other client's calls wait
# behind it. The JACK tests running beside this one then took 30 to 90 s instead of 6, were
# refused by the server, or hung for good in jack_client_close.
export KELVARA_MIDI=none KELVARA_AUDIO_DRIVER=null
folder="$XDG_STATE_HOME/kelvara"
fail() { echo "FAIL: $*" >&2; ls -la "$folder" >&2 || true; exit 1; }
# Waits up to 60 s for a condition (a command line): a Kelvara starting while the machine's
# two cores build and run other tests has taken over 20 s to reach its recovery files.
wait_for() { for _ in $(seq 600); do if eval "$1"; then return 0; fi; sleep 0.1; done; return 1; }
lock_count() { find "$folder" -name '*.lock' 2>/dev/null | wc -l; }
copies() { find "$folder" -name '*.kelvara' 2>/dev/null; }

"$cli" new "$work/piece.kelvara" --step 0.005
piece="$(realpath "$work/piece.kelvara")"

# 1. Edit in a process, wait for its copy.
"$driver" "$piece" 0.01 >"$work/edit.out" &
editor=$!
pids+=("$editor")
wait_for 'grep -q edited "$work/edit.out"' || fail "the edit was not written for recovery"
copy="$(copies)"
[[ $(echo "$copy" | wc -l) == 1 ]] || fail "expected one recovery copy"
lock="${copy%.kelvara}.lock"
bytes_before="$(sha256sum <"$copy")"

# 2. A second Kelvara while the editor lives: told to discard what it is offered, it must
#    leave the live copy alone. Its own window's slot shows it is up.
"$kelvara" --restore-recovery=no >/dev/null 2>&1 &
second=$!
pids+=("$second")
wait_for '[[ $(lock_count) -ge 2 ]]' || fail "the second Kelvara did not start"
[[ -f "$copy" && "$(sha256sum <"$copy")" == "$bytes_before" ]] ||
    fail "a live window's copy was offered to another Kelvara"
kill -9 "$second"

# 3. The editor is killed: no clean close, so the copy stays and its lock is free.
kill -9 "$editor"
wait "$editor" 2>/dev/null || true
[[ -f "$copy" ]] || fail "the killed process's copy is gone"
flock -n "$lock" true || fail "the killed process's lock is still held"

# 4. A real kelvara restores it: it keeps the copy and holds its lock while it runs.
"$kelvara" --restore-recovery=yes >/dev/null 2>&1 &
restorer=$!
pids+=("$restorer")
wait_for '! flock -n "$lock" true' || fail "kelvara did not take the copy over"
[[ "$(sha256sum <"$copy")" == "$bytes_before" ]] || fail "the restored copy changed"
kill -9 "$restorer"
wait "$restorer" 2>/dev/null || true

# 5. The copy holds the edited step and belongs to the piece.
"$cli" new "$work/reference.kelvara" --step 0.01
step() { "$cli" dump "$1" | grep '"step_size"'; }
[[ "$(step "$copy")" == "$(step "$work/reference.kelvara")" ]] || fail "restored: $(step "$copy")"
[[ "$(cat "${copy%.kelvara}.origin")" == "$piece" ]] || fail "the copy does not name the piece"
echo "recovery across processes: ok"
