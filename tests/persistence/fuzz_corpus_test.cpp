// Replays a fuzzer's seed corpus in the ordinary build, so the inputs that once mattered keep
// being checked without clang or libFuzzer. Built once per fuzzer: KELVARA_CORPUS names its
// folder, KELVARA_CORPUS_SUITE the suite and KELVARA_CORPUS_MINIMUM how many inputs it holds
// at least (a folder that went missing or empty is a failure, not a pass).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

TEST(KELVARA_CORPUS_SUITE, EveryInputIsHandledWithoutAFault) {
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KELVARA_CORPUS)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0) << entry.path();
        ++replayed;
    }
    EXPECT_GE(replayed, KELVARA_CORPUS_MINIMUM);
}

}  // namespace
