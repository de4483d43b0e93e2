// Feeds arbitrary bytes to the scale-file reader (keyboard_mapping_fuzzer.cpp reads them as a
// keyboard mapping). Beyond "no crash, no sanitizer report", it checks the promises of a read:
// an accepted scale converts to a periodic scale, writes and reads back to the same value, and
// lays out by periods and onto the keys within its bounds; a refusal names a line inside the
// text.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "persistence/mts_sysex.h"
#include "persistence/scala_scale_file.h"
#include "tuning_file_checks.h"

namespace {

using kelvara::fuzz::check;
using kelvara::fuzz::check_error_line;

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    read_as_scale(text);
    return 0;
}
