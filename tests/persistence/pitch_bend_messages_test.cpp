// The bytes that tune a note by the pitch wheel: the nearest key and the bend that brings it
// to the frequency, the wheel's 14 bits low seven first, and the channel in the status byte.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "persistence/pitch_bend_messages.h"

namespace kelvara {
namespace {

using ::testing::ElementsAre;

TEST(PitchBendMessages, EachNoteIsTheNearestKeyBentTheRestOfTheWay) {
    const struct {
        double hz;
        int32_t range;
        uint8_t key;
        uint16_t bend;
    } rows[] = {
        {450.0, 2, 69, 9786},
        {430.0, 2, 69, 6562},
        {452.9, 2, 70, 6145},
        {450.0, 24, 69, 8325},
    };
    for (const auto& r : rows) {
        const std::optional<BentNote> note = bent_note(r.hz, r.range);
        ASSERT_TRUE(note) << r.hz;
        EXPECT_EQ(note->key, r.key) << r.hz;
        EXPECT_NEAR(note->bend, r.bend, 1) << r.hz;
        // Within half a step of the wheel.
        EXPECT_NEAR(1200.0 * std::log2(frequency_of_bent_note(*note, r.range) / r.hz), 0.0,
                    50.0 * r.range / kBendCentre);
    }
    for (const auto& [hz, range] :
         {std::pair{0.0, 2}, {NAN, 2}, {20000.0, 2}, {440.0, 0}, {440.0, 25}})
        EXPECT_FALSE(bent_note(hz, range)) << hz << " " << range;
}

TEST(PitchBendMessages, BytesCarryTheChannelAndFourteenBitsLowFirst) {
    EXPECT_THAT(pitch_bend_message(1, 9786), ElementsAre(0xE0, 9786 & 0x7F, 9786 >> 7));
    EXPECT_THAT(pitch_bend_message(16, 16383), ElementsAre(0xEF, 0x7F, 0x7F));
    EXPECT_THAT(note_on_message(3, 69, 0), ElementsAre(0x92, 69, 1)) << "a note-on is never an off";
    EXPECT_THAT(note_off_message(10, 60), ElementsAre(0x89, 60, 0));
    const std::vector<MidiBytes> range = bend_range_messages(2, 12);
    ASSERT_EQ(range.size(), 6u);
    EXPECT_THAT(range[2], ElementsAre(0xB1, 6, 12));
    EXPECT_THAT(range[5], ElementsAre(0xB1, 100, 127));
}

}  // namespace
}  // namespace kelvara
