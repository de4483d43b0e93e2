// The look at a bank file before the loaders: each kind of file that is no bank is refused
// with what it is instead, and a bank's layout passes, however its chunks are padded.
#include "sound/bank_file_check.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "sound/generated_bank.h"

namespace kelvara::sound {
namespace {

std::string little_endian_32(uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += char((value >> (8 * i)) & 0xFF);
    return bytes;
}

std::string riff(const std::string& form, const std::string& chunks, int extra_size = 0) {
    return "RIFF" + little_endian_32(uint32_t(int(4 + chunks.size()) + extra_size)) + form + chunks;
}

std::string chunk(const std::string& name, const std::string& data) {
    return name + little_endian_32(uint32_t(data.size())) + data +
           (data.size() % 2 ? std::string(1, '\0') : std::string());
}

// The bank with the size of its table `name` set to `size` (the bytes stay where they were).
std::string with_table_size(const std::vector<uint8_t>& bank, const std::string& name,
                            uint32_t size) {
    std::string bytes(bank.begin(), bank.end());
    return bytes.replace(bytes.find(name) + 4, 4, little_endian_32(size));
}

// A DLS bank of one instrument whose one region links to pool entry `link`, and a pool table
// of `entries`.
std::string dls_bank(uint32_t link, uint32_t entries) {
    const std::string wave_link = std::string(8, '\0') + little_endian_32(link);
    const std::string region = chunk("LIST", "rgn " + chunk("wlnk", wave_link));
    const std::string instrument = chunk("LIST", "ins " + chunk("LIST", "lrgn" + region));
    return riff("DLS ", chunk("LIST", "lins" + instrument) +
                            chunk("ptbl", little_endian_32(8) + little_endian_32(entries)));
}

TEST(BankFileCheck, FilesThatAreNoBankAreRefusedWithWhatTheyAre) {
    const std::vector<uint8_t> bank = build_sf2_bank("Check", {{"Sine", 0, 0, {1.0f}}});
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;  // the start of it; empty: accepted
        const char* detail;
    } cases[] = {
        {"empty", "", "The file is empty.", "0 bytes"},
        {"text", "Songs to learn\n", "The file is not a sound bank.",
         "it begins with \"Song\", where a bank begins with \"RIFF\""},
        {"short", "RIFF", "The file is not a sound bank.", "too short for a bank's header"},
        {"wave", riff("WAVE", chunk("fmt ", "0123")), "The file is a RIFF file of another kind",
         "RIFF form \"WAVE\", where a bank has \"sfbk\" or \"DLS \""},
        {"cut short", riff("sfbk", chunk("LIST", "INFO"), 1000), "The file is incomplete",
         "the header announces 1024 bytes, the file has 24"},
        {"chunk past the end", riff("DLS ", "colh" + std::string("\x40\0\0\0", 4) + "1234"),
         "The file is damaged.", "chunk \"colh\" runs past the bank's end, byte 24"},
        {"no chunk name", riff("sfbk", std::string("\x01\x02\x03\x04\0\0\0\0", 8)),
         "The file is damaged.", "no chunk name here, but \"....\""},
        {"odd chunk, padded", riff("DLS ", chunk("vers", "abc") + chunk("LIST", "wvpl")), "", ""},
        {"generated bank", std::string(bank.begin(), bank.end()), "", ""},
        // Presets that would load and play silence.
        {"sample table cut", with_table_size(bank, "shdr", 3), "The bank's presets cannot sound",
         "chunk \"shdr\" holds 3 bytes, not a whole number of its 46-byte records"},
        {"no preset", with_table_size(bank, "phdr", 38), "The bank's presets cannot sound",
         "chunk \"phdr\" has no entry before its terminal record"},
        {"DLS regions past the pool", dls_bank(5, 2), "The bank's instruments cannot sound",
         "every region links to wave 5 or later, and the pool table holds 2"},
    };
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("kelvara-check-" + std::to_string(getpid()));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(file, std::ios::binary) << c.bytes;
        const Result<void> checked = check_bank_file(file.string(), "heading");
        if (*c.reason == '\0') {
            EXPECT_TRUE(checked) << checked.error().explanation();
            continue;
        }
        ASSERT_FALSE(checked);
        EXPECT_EQ(checked.error().description, "heading");
        EXPECT_EQ(checked.error().reason.rfind(c.reason, 0), 0u) << checked.error().reason;
        EXPECT_EQ(checked.error().detail, c.detail);
        EXPECT_EQ(checked.error().where.file, file.string());
    }
    std::filesystem::remove(file);
    const Result<void> missing = check_bank_file(file.string(), "heading");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, ENOENT);
}

}  // namespace
}  // namespace kelvara::sound
