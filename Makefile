# Two commands matter: `make run` and `make test`. Both install what is missing first.
SHELL := /bin/bash
export CCACHE_BASEDIR := $(CURDIR)
export CCACHE_NOHASHDIR := 1

.PHONY: all deps build run test test-default test-asan test-tsan tsan fuzz bench format clean

all: build

deps:
	@scripts/install-deps.sh

build/default/build.ninja: CMakeLists.txt CMakePresets.json | deps
	cmake --preset default >/dev/null

build: deps build/default/build.ninja
	cmake --build --preset default

run: build
	scripts/run-app.sh

test: test-default test-asan test-tsan

test-default: build
	scripts/with-test-services.sh ctest --preset default

test-asan: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan
	scripts/with-test-services.sh ctest --preset asan

# The tests of code shared between threads (CTest label "threads"), under ThreadSanitizer.
test-tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan --target thread_tests
	scripts/with-test-services.sh ctest --preset tsan -L threads

tsan: deps
	cmake --preset tsan >/dev/null
	cmake --build --preset tsan
	scripts/with-test-services.sh ctest --preset tsan

# The libFuzzer targets (clang), each for FUZZ_SECONDS (default 60).
fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz --target kelvara-fuzzers
	scripts/run-fuzzers.sh

bench: build
	build/default/bench/kelvara-bench

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
