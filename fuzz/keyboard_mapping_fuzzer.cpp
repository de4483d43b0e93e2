// Feeds arbitrary bytes to the keyboard-mapping (.kbm) reader. Beyond "no crash, no sanitizer
// report", it checks the promises of a read: an accepted mapping is usable, reads back from
// what is written for it and lays a scale onto the keys; a refusal names a line inside the
// text.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "persistence/keyboard_mapping_file.h"
#include "persistence/mts_sysex.h"
#include "tuning_file_checks.h"

namespace {

using kelvara::fuzz::check;
using kelvara::fuzz::check_error_line;

void read_as_keyboard_mapping(std::string_view text) {
    const kelvara::Result<kelvara::KeyboardMapping> read = kelvara::read_keyboard_mapping(text);
    if (!read.ok()) {
        check_error_line(read.error(), text);
        return;
    }
    const kelvara::KeyboardMapping& mapping = read.value();
    check(kelvara::is_usable(mapping));
    const auto again = kelvara::read_keyboard_mapping(
        kelvara::write_keyboard_mapping(mapping, mapping.formal_octave_degree));
    check(again.ok());
    // The frequency comes back exactly, or (when it is a float) as the same float.
    kelvara::KeyboardMapping back = again.value();
    const double frequency = mapping.reference_frequency_hz;
    const auto as_float = static_cast<float>(frequency);
    if (static_cast<double>(as_float) == frequency)
        check(static_cast<float>(back.reference_frequency_hz) == as_float);
    else
        check(back.reference_frequency_hz == frequency);
    back.reference_frequency_hz = frequency;
    check(back == mapping);

    // A scale of fifths and octaves on the mapping's keys. A pattern may name degrees so far
    // up that the base frequency leaves a double's range: that is a value, not a fault.
    const auto scale = kelvara::PeriodicScale::from_ratios({1.5, 2.0});
    const kelvara::KeyFrequencies keys = kelvara::key_frequencies_hz(*scale, mapping);
    if (const auto base = kelvara::base_frequency_hz(*scale, mapping))
        check(std::isfinite(*base) && *base > 0.0);
    kelvara::mts_bulk_dump(kelvara::MtsAddress::all_devices(), "", keys);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    read_as_keyboard_mapping(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
