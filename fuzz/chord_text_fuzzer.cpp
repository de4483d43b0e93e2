// Feeds arbitrary text to the chord reader, as the chord table, `chord-parse`, `chord-map` and
// `new --chord` take it. Beyond "no crash, no sanitizer report", it checks the promises of a
// read: an accepted chord has 1 to 128 tones, each within the chord-tone bounds, and its text
// reads back as the same chord; a refusal says what was wrong, at a byte inside the text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/value_limits.h"
#include "scales/chord_text.h"

namespace {

void check(bool promise) {
    if (!promise) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kelvara::Result<kelvara::Chord> read = kelvara::parse_chord(text);
    if (!read) {
        check(!read.error().description.empty());
        check(!read.error().where.offset || *read.error().where.offset <= size);
        return 0;
    }
    const kelvara::Chord& chord = *read;
    check(!chord.empty() && chord.size() <= kelvara::kMaxChordTones);
    for (const float tone : chord)
        check(kelvara::is_within_bounds(kelvara::BoundedValue::ChordToneHz, tone));
    const kelvara::Result<kelvara::Chord> again = kelvara::parse_chord(kelvara::chord_text(chord));
    check(again && *again == chord);
    return 0;
}
