// MIDI Tuning Standard bytes: frequency words against the format's own examples, the words
// that cannot be, a bulk dump byte for byte with its checksum worked out by hand, and
// single-note changes split 64 keys to a message.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "persistence/mts_sysex.h"
#include "scales/keyboard_mapping.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

KeyFrequencies twelve_equal_at_440() {
    KeyFrequencies keys;
    for (int32_t key = 0; key <= 127; ++key) keys[key] = 440.0 * std::exp2((key - 69) / 12.0);
    return keys;
}

TEST(MtsFrequencyWord, MatchesTheFormatsExamplesAndSaysNoChangeForTheUnencodable) {
    const struct {
        MtsFrequencyWord word;
        double frequency_hz;  // as the format lists it, to four decimals
    } examples[] = {
        {{0x00, 0x00, 0x00}, 8.1758},
        {{0x44, 0x7F, 0x7F}, 439.9984},
        {{0x45, 0x00, 0x01}, 440.0016},
        {{0x7F, 0x7F, 0x7E}, 13289.6566},
    };
    for (const auto& e : examples) {
        const std::optional<double> decoded = frequency_of_mts_word(e.word);
        ASSERT_TRUE(decoded);
        EXPECT_NEAR(*decoded, e.frequency_hz, 0.00005) << e.frequency_hz;
        EXPECT_EQ(mts_frequency_word(*decoded), e.word) << e.frequency_hz;
    }
    // A hair below note 70 rounds up to it.
    EXPECT_EQ(mts_frequency_word(440.0 * std::exp2((1.0 - 1e-7) / 12.0)),
              (MtsFrequencyWord{0x46, 0x00, 0x00}));
    // Below note 0, above the highest word (the word above it is reserved), no frequency.
    const double reserved_word_hz = 440.0 * std::exp2((127.0 + 16383.0 / 16384.0 - 69.0) / 12.0);
    for (const double frequency :
         {0.0, std::numeric_limits<double>::quiet_NaN(), 8.0, 14000.0, reserved_word_hz})
        EXPECT_EQ(mts_frequency_word(frequency), kMtsNoChange) << frequency;
}

TEST(MtsBulkDump, TwelveEqualAt440IsTheKnownBytes) {
    // Checksum by hand: 7E ^ 7F ^ 08 ^ 01 ^ 00 = 08; sixteen spaces cancel; the notes 00..7F
    // cancel (their exclusive-or is 0), every fraction byte is 00. So 08.
    std::vector<uint8_t> expected = {0xF0, 0x7E, 0x7F, 0x08, 0x01, 0x00};
    expected.insert(expected.end(), 16, 0x20);
    for (uint8_t key = 0; key <= 127; ++key) expected.insert(expected.end(), {key, 0x00, 0x00});
    expected.insert(expected.end(), {0x08, 0xF7});
    ASSERT_EQ(expected.size(), kMtsBulkDumpBytes);
    EXPECT_THAT(mts_bulk_dump(MtsAddress::all_devices(), "", twelve_equal_at_440()),
                ElementsAreArray(expected));

    // "Kelvara" and nine spaces: 4B^65^6C^76^61^72^61 = 46, ^20 (nine spaces) = 66; with the
    // header's 08 that is 6E. Key 69 a quarter tone up adds fraction byte 40: 6E ^ 40 = 2E.
    // Key 0 without a frequency is 7F 7F 7F instead of 00 00 00: the sum takes 7F^7F^7F = 7F.
    KeyFrequencies keys = twelve_equal_at_440();
    keys[69] = 440.0 * std::exp2(0.5 / 12.0);
    keys[0] = std::nullopt;
    const auto dump = mts_bulk_dump(MtsAddress::all_devices(), "Kelvara", keys);
    EXPECT_EQ(std::string(dump.begin() + 6, dump.begin() + 22), "Kelvara         ");
    EXPECT_THAT(std::vector<uint8_t>(dump.begin() + 22, dump.begin() + 25),
                ElementsAre(0x7F, 0x7F, 0x7F));
    EXPECT_THAT(std::vector<uint8_t>(dump.begin() + 22 + 69 * 3, dump.begin() + 22 + 70 * 3),
                ElementsAre(0x45, 0x40, 0x00));
    EXPECT_EQ(dump[406], 0x2E ^ 0x7F);
}

TEST(MtsSingleNoteChanges, SplitsSixtyFourKeysToAMessage) {
    EXPECT_TRUE(mts_single_note_changes(MtsAddress::all_devices(), {}).empty());
    const MtsKeyChange one[] = {{69, 440.0 * std::exp2(0.5 / 12.0)}};
    EXPECT_THAT(mts_single_note_changes(*MtsAddress::make(0x10, 2), one),
                ElementsAre(ElementsAre(0xF0, 0x7F, 0x10, 0x08, 0x02, 0x02, 0x01, 69, 0x45, 0x40,
                                        0x00, 0xF7)));

    std::vector<MtsKeyChange> many;
    for (int32_t key = 0; key < 130; ++key) many.push_back({key % 128, 440.0});
    many.push_back({128, 440.0});  // no such key: left out
    many.push_back({5, 0.0});      // cannot be said: no change
    const auto messages = mts_single_note_changes(MtsAddress::all_devices(), many);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].size(), 7u + 64 * 4 + 1);
    EXPECT_EQ(messages[1][7], 64);  // the 65th change opens the second message
    EXPECT_THAT(
        std::vector<uint8_t>(messages[2].begin() + 6, messages[2].end()),
        ElementsAre(3, 0, 0x45, 0x00, 0x00, 1, 0x45, 0x00, 0x00, 5, 0x7F, 0x7F, 0x7F, 0xF7));
}

}  // namespace
}  // namespace kelvara
