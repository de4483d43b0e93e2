#!/usr/bin/env bash
# Runs every fuzzer built in build/fuzz/fuzz for FUZZ_SECONDS (default 60) each, starting
# from its seed corpus in fuzz/corpus/<name without _fuzzer>. New inputs go to a scratch
# folder, so the committed corpus only changes by hand. A crash stops the run with the
# fuzzer's report and the input that caused it.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-60}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
found=0
for fuzzer in build/fuzz/fuzz/*_fuzzer; do
    [[ -x "$fuzzer" ]] || continue
    found=1
    name="$(basename "$fuzzer")"
    seeds="fuzz/corpus/${name%_fuzzer}"
    mkdir -p "$scratch/$name"
    echo "== $name for ${seconds}s"
    "$fuzzer" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        -artifact_prefix="build/fuzz/$name-" "$scratch/$name" "$seeds"
done
if [[ $found -eq 0 ]]; then
    echo "run-fuzzers: no fuzzer in build/fuzz/fuzz (build the kelvara-fuzzers target)" >&2
    exit 1
fi
