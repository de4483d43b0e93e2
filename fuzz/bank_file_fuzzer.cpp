// Feeds arbitrary bytes to bank loading as a file: the look at its layout before the loaders
// (sound/bank_file_check.h) and, for what passes it, the loaders themselves (FluidSynth and
// the exact-pitch loader through libinstpatch). Beyond "no crash, no sanitizer report", it
// checks the promises of a check: a refusal has its heading and says why; a bank that loads
// lists programs with their numbers.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/file_descriptor.h"
#include "sound/bank_file_check.h"
#include "sound/synth_engine.h"
#include "sound/synth_log.h"

namespace {

void check(bool promise) {
    if (!promise) __builtin_trap();
}

// The bytes as a file in memory, so that the fuzzer reads them by path as a user's bank is
// read, without touching the disk.
kelvara::FileDescriptor memory_file(const uint8_t* data, size_t size) {
    kelvara::FileDescriptor fd(::memfd_create("bank", MFD_CLOEXEC));
    check(fd.valid());
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd.get(), data + done, size - done);
        check(n > 0);
        done += size_t(n);
    }
    return fd;
}

}  // namespace

// glib is built without frame pointers: the fast unwinder stops at g_malloc, and the leak of
// libinstpatch that fuzz/lsan.supp names could not be told from one of ours.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const kelvara::FileDescriptor fd = memory_file(data, size);
    const std::string path = "/proc/self/fd/" + std::to_string(fd.get());
    const kelvara::Result<void> checked = kelvara::sound::check_bank_file(path, "heading");
    if (!checked) {
        check(checked.error().description == "heading");
        check(!checked.error().reason.empty());
        return 0;
    }
    kelvara::sound::install_synth_log();
    const kelvara::sound::SynthLogCapture quiet;
    const auto engine = kelvara::sound::SynthEngine::create(0, 48000.0);
    check(engine != nullptr);
    // Refused or loaded, both are answers; what is looked for is a fault on the way.
    if (engine->load_bank_file(path))
        for (const auto& instrument : engine->instruments()) check(instrument.program >= 0);
    return 0;
}
