// Feeds arbitrary bytes to the Standard MIDI File reader. Beyond "no crash, no sanitizer
// report", it checks the promises of a read: a refusal says what and where (a byte inside the
// input); an accepted file writes out and reads back as the same file, and retuning it
// adaptively gives a file that reads back too.
#include <cstddef>
#include <cstdint>
#include <span>

#include "document/adaptive_midi_retune.h"
#include "engine/curve_definition.h"
#include "persistence/standard_midi_file.h"
#include "tuning_file_checks.h"

namespace {

using kelvara::fuzz::check;

void read_as_midi_file(std::span<const uint8_t> bytes) {
    const auto read = kelvara::parse_standard_midi_file(bytes);
    if (!read) {
        check(!read.error().detail.empty() && read.error().where.offset.has_value());
        check(*read.error().where.offset <= bytes.size());
        return;
    }
    const std::vector<uint8_t> written = kelvara::write_standard_midi_file(*read);
    const auto again = kelvara::parse_standard_midi_file(written);
    check(again.ok() && *again == *read);
    // Only small files are retuned: every note-on adapts a chord, which is the slow part.
    if (bytes.size() > 4096) return;
    const auto retuned =
        kelvara::retune_midi_file(*read, kelvara::harmonic_partials(kelvara::FlatHarmonics, 6),
                                  kelvara::RoughnessModel::Product, {});
    check(retuned.ok());
    check(kelvara::parse_standard_midi_file(kelvara::write_standard_midi_file(retuned->file)).ok());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    read_as_midi_file({data, size});
    return 0;
}
