// Replays the audio reader fuzzer's seed corpus in the ordinary build, so the inputs that once
// mattered keep being checked without clang or libFuzzer.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

TEST(AudioFileFuzzCorpus, EveryInputIsHandledWithoutAFault) {
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KELVARA_AUDIO_FILE_CORPUS)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0) << entry.path();
        ++replayed;
    }
    EXPECT_GE(replayed, 17);
}

}  // namespace
