#!/usr/bin/env bash
# Runs every fuzzer built in build/asan/fuzz for FUZZ_SECONDS (default 60) each, all at once,
# starting from its seed corpus in fuzz/corpus/<name without _fuzzer>. The seeds are only
# read: new inputs go to a scratch folder that is removed afterwards, so the committed corpus
# only changes by hand. A crash (or a sanitizer report) fails the run with the fuzzer's
# report; the input that caused it is kept as build/asan/<fuzzer>-crash-*. Leaks of libraries
# that are not Kelvara's are suppressed (fuzz/lsan.supp), so leak checking stays on for ours.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
build="build/asan"
scratch="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

names=()
for fuzzer in "$build"/fuzz/*_fuzzer; do
    [[ -x "$fuzzer" ]] || continue
    name="$(basename "$fuzzer")"
    seeds="fuzz/corpus/${name%_fuzzer}"
    if [[ ! -d "$seeds" ]]; then
        echo "run-fuzzers: $name has no seed corpus in $seeds" >&2
        exit 1
    fi
    mkdir -p "$scratch/$name"
    echo "== $name for ${seconds}s from $seeds"
    LSAN_OPTIONS="suppressions=$PWD/fuzz/lsan.supp:print_suppressions=0" \
    "$fuzzer" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        -artifact_prefix="$build/$name-" "$scratch/$name" "$seeds" \
        >"$scratch/$name.log" 2>&1 &
    pids+=($!)
    names+=("$name")
done
if ((${#names[@]} == 0)); then
    echo "run-fuzzers: no fuzzer in $build/fuzz (build the kelvara-fuzzers target)" >&2
    exit 1
fi

failed=0
for i in "${!names[@]}"; do
    name="${names[$i]}"
    if wait "${pids[$i]}"; then
        runs="$(grep -m1 -o 'stat::number_of_executed_units: [0-9]*' "$scratch/$name.log" || true)"
        echo "== $name: no crash (${runs:-no stats})"
    else
        failed=1
        echo "== $name FAILED; its output:"
        cat "$scratch/$name.log"
    fi
done
pids=()
exit "$failed"
