# Two commands matter: `make run` and `make test`. Both install what is missing first.
SHELL := /bin/bash
FUZZ_SECONDS ?= 60
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1

.PHONY: all deps build run install package test check-format test-default test-asan test-fuzz test-tsan \
        test-rtsan tsan fuzz bench format clean

all: build

deps:
	@scripts/install-deps.sh

build/default/build.ninja: CMakeLists.txt CMakePresets.json | deps
	cmake --preset default >/dev/null

build: deps build/default/build.ninja
	cmake --build --preset default

run: build
	scripts/run-app.sh

# The application with its desktop entry, document type and icon (PREFIX=/usr/local).
PREFIX ?= /usr/local
install: build
	cmake --install build/default --prefix $(PREFIX)

# A Debian package of the default build: build/default/kelvara_VERSION_ARCH.deb, for
# `sudo apt install ./build/default/kelvara_*.deb`.
package: build
	cmake --build --preset default --target package

# `make test` runs these jobs in this order; each is also a target of its own.
test: check-format test-default test-asan test-fuzz test-tsan test-rtsan

# Every tracked .cpp/.h file as the repository's .clang-format lays it out (`make format`
# rewrites them).
check-format: deps
	git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# The whole build (GCC, Qt, warnings as errors) and every test, two at a time.
test-default: build
	scripts/with-test-services.sh ctest --preset default

# One clang build serves two jobs: the core and its tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, built with the fuzzers' coverage hooks so that the fuzzers link
# the same objects. The JACK input opened and closed while clients come and go is left to the
# default job, as it is left out of ThreadSanitizer's (below): libjack ends its notification
# thread with pthread_cancel, and a thread cancelled inside a sanitizer's runtime can leave the
# runtime's lock taken. One run in a busy CI hung on its twentieth close (eight more under
# full load did not); the product's own close is checked without the sanitizer.
test-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan
	scripts/with-test-services.sh ctest --preset asan -E '^JackMidi\.AnInputOpensAndCloses'

# Each fuzzer for FUZZ_SECONDS (here 20) from its seed corpus in fuzz/corpus/<name>/, which
# it only reads; a crash or a sanitizer report fails.
test-fuzz: FUZZ_SECONDS = 20
test-fuzz: fuzz

# The tests of code shared between threads (CTest label "threads"), under ThreadSanitizer;
# the MIDI burst through the instrument rig five times, as a note left hanging shows only in
# some runs. The adaptive-tuning recording through JACK is left to the other jobs: it measures
# pitches in a real-time recording, which the sanitizer's pace leaves behind the clock the keys
# are sent by; AdaptiveNotePlayer's threads are checked here by its own test. So is the JACK
# input opened and closed while clients come and go: libjack ends a client's notification
# thread with pthread_cancel, and a thread cancelled inside ThreadSanitizer's own interceptor
# leaves the sanitizer's internal lock taken, so every thread then waits on it (two runs of
# three here hung so); the other jobs run that test.
test-tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan --target thread_tests
	scripts/with-test-services.sh ctest --preset tsan -L threads \
	    -E '^(InstrumentRigThreads\.|CliJack\.AdaptiveTuning|JackMidi\.AnInputOpensAndCloses)'
	scripts/with-test-services.sh ctest --preset tsan -R '^InstrumentRigThreads\.' \
	    --repeat until-fail:5

# The sound tests and the tests of code shared between threads, built with clang 22 under
# RealtimeSanitizer: any lock, allocation, free or blocking call made on the audio thread or in
# a JACK process callback (every function marked KELVARA_NONBLOCKING, base/nonblocking.h) ends
# the test with a report. Only the libraries and tests that run are built; the kelvara-cli
# JACK tests stay with the other jobs.
RTSAN_TARGETS := sound_tests_all jack_midi_tests tuning_output_tests thread_stress_tests midi_burst_tests \
                 adaptive_note_player_tests
test-rtsan: deps
	cmake --preset rtsan >/dev/null
	cmake --build --preset rtsan --target $(RTSAN_TARGETS)
	scripts/with-test-services.sh ctest --preset rtsan -L 'threads|sound' -E '^CliJack\.'

tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan
	scripts/with-test-services.sh ctest --preset tsan

# The fuzzers alone, each for FUZZ_SECONDS (default 60).
fuzz: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan --target kelvara-fuzzers
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/run-fuzzers.sh

bench: build
	build/default/bench/kelvara-bench

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
