// Standard MIDI Files: running status expanded and written back as whole messages, meta and
// system-exclusive events kept, unknown chunks skipped, and a damaged file refused with what
// and where.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "persistence/standard_midi_file.h"

namespace kelvara {
namespace {

using Bytes = std::vector<uint8_t>;

// The header chunk: six bytes of three big-endian numbers.
Bytes header(uint16_t format, uint16_t tracks, uint16_t division) {
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    for (const uint16_t value : {format, tracks, division})
        out.insert(out.end(), {uint8_t(value >> 8), uint8_t(value)});
    return out;
}

Bytes chunk(const char* type, const Bytes& data) {
    Bytes out(type, type + 4);
    for (int k = 3; k >= 0; --k) out.push_back(uint8_t(data.size() >> (8 * k)));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(StandardMidiFile, ReadsRunningStatusMetaAndSysExAndWritesTheSameFileBack) {
    // Tempo; a sysex; C and E by running status, the E 200 ticks on (a two-byte delta);
    // both released by note-ons of velocity 0; an unknown chunk before the track.
    const Bytes track = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo
                         0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7,        // sysex
                         0x00, 0x90, 0x3C, 0x50, 0x81, 0x48, 0x40, 0x50, 0x10,
                         0x3C, 0x00, 0x00, 0x40, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes bytes = header(1, 1, 480) + chunk("XYZW", {1, 2, 3}) + chunk("MTrk", track);
    const Result<StandardMidiFile> file = parse_standard_midi_file(bytes);
    ASSERT_TRUE(file) << file.error().located_detail();
    EXPECT_EQ(file->format, 1);
    EXPECT_EQ(file->division, 480);
    ASSERT_EQ(file->tracks.size(), 1u);
    const std::vector<MidiFileEvent> expected = {
        {0, {0xFF, 0x51, 0x07, 0xA1, 0x20}},
        {0, {0xF0, 0x7E, 0x7F, 0xF7}},
        {0, {0x90, 0x3C, 0x50}},
        {200, {0x90, 0x40, 0x50}},
        {216, {0x90, 0x3C, 0x00}},
        {216, {0x90, 0x40, 0x00}},
    };
    EXPECT_EQ(file->tracks[0], expected);
    const Result<StandardMidiFile> again =
        parse_standard_midi_file(write_standard_midi_file(*file));
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *file);
}

TEST(StandardMidiFile, ADamagedFileIsRefusedWithWhatAndWhere) {
    const Bytes note_on = {0x00, 0x90, 0x3C, 0x40};
    const struct {
        std::string name;
        Bytes bytes;
        std::string detail;
    } cases[] = {
        {"empty", {}, "no MThd header"},
        {"a short header", Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1}, "the header is cut off"},
        {"format 3", header(3, 1, 480), "format 3 is unknown"},
        {"no division", header(0, 1, 0), "a division of 0 ticks"},
        {"a chunk past the end", header(0, 1, 96) + Bytes{'M', 'T', 'r', 'k', 0, 0, 1, 0, 0},
         "a chunk runs past the end of the file"},
        {"fewer tracks", header(1, 2, 96) + chunk("MTrk", note_on),
         "the header promises 2 tracks, the file holds 1"},
        {"a five-byte delta", header(0, 1, 96) + chunk("MTrk", {0x81, 0x81, 0x81, 0x81, 0x01}),
         "a delta time is cut off or too long"},
        {"data with no status", header(0, 1, 96) + chunk("MTrk", {0x00, 0x3C, 0x40}),
         "a data byte with no status before it"},
        // A meta event cancels running status: the note-on before it does not carry over.
        {"data after a meta event",
         header(0, 1, 96) +
             chunk("MTrk", note_on + Bytes{0x00, 0xFF, 0x01, 0x00, 0x00, 0x3E, 0x40}),
         "a data byte with no status before it"},
        {"a cut-off note", header(0, 1, 96) + chunk("MTrk", {0x00, 0x90, 0x3C}),
         "a channel message is cut off"},
        {"a long meta", header(0, 1, 96) + chunk("MTrk", {0x00, 0xFF, 0x01, 0x09, 'a'}),
         "a meta event runs past its track"},
        {"a long sysex", header(0, 1, 96) + chunk("MTrk", {0x00, 0xF0, 0x05, 0x7E}),
         "a system-exclusive message runs past its track"},
    };
    for (const auto& c : cases) {
        const Result<StandardMidiFile> file = parse_standard_midi_file(c.bytes);
        ASSERT_FALSE(file) << c.name;
        EXPECT_EQ(file.error().description, "The MIDI file cannot be read.") << c.name;
        EXPECT_EQ(file.error().detail, c.detail) << c.name;
        EXPECT_LE(file.error().where.offset.value_or(~size_t{0}), c.bytes.size()) << c.name;
    }
}

}  // namespace
}  // namespace kelvara
