// Feeds arbitrary bytes to the scale-file and keyboard-mapping readers. Beyond "no crash, no
// sanitizer report", it checks the promises of a read: an accepted scale converts to a
// periodic scale, writes and reads back to the same value, and lays out by periods and onto
// the keys within its bounds; an accepted mapping is usable and reads back from what is
// written for it; a refusal names a line inside the text.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "persistence/keyboard_mapping_file.h"
#include "persistence/mts_sysex.h"
#include "persistence/scala_scale_file.h"

namespace {

void check(bool promise) {
    if (!promise) __builtin_trap();
}

// A refused file points at a line of it, at the line after its last (which is line ends + 2
// when the last line has no line end), or at the file as a whole (no line).
void check_error_line(const kelvara::Error& error, std::string_view text) {
    const auto line_ends =
        std::count(text.begin(), text.end(), '\n') + std::count(text.begin(), text.end(), '\r');
    check(!error.where.line ||
          (*error.where.line >= 1 && *error.where.line <= static_cast<size_t>(line_ends) + 2));
    check(!error.detail.empty() && !error.description.empty());
}

void read_as_scale(std::string_view text) {
    const kelvara::Result<kelvara::ScalaScale> read = kelvara::read_scala_scale(text);
    if (!read.ok()) {
        check_error_line(read.error(), text);
        return;
    }
    const kelvara::ScalaScale& scale = read.value();
    const auto again = kelvara::read_scala_scale(kelvara::write_scala_scale(scale));
    check(again.ok() && again.value() == scale);

    const std::optional<kelvara::PeriodicScale> periodic = kelvara::periodic_scale_of(scale);
    check(periodic.has_value());
    if (const auto laid_out = kelvara::expand_by_periods(*periodic, 1.0f, 4.0f)) {
        check(laid_out->size() <= static_cast<size_t>(kelvara::kMaxExpandedRatios));
        check(std::is_sorted(laid_out->begin(), laid_out->end()));
    }
    const kelvara::KeyFrequencies keys = kelvara::keyboard_frequencies_hz(*periodic, 261.63);
    const auto dump =
        kelvara::mts_bulk_dump(kelvara::MtsAddress::all_devices(), scale.description, keys);
    check(dump.front() == 0xF0 && dump.back() == 0xF7);
    check(std::all_of(dump.begin() + 1, dump.end() - 1, [](uint8_t byte) { return byte < 0x80; }));
}

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
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    read_as_scale(text);
    read_as_keyboard_mapping(text);
    return 0;
}
