// Replays the document file fuzzer's seed corpus (valid documents, each class of bad file and
// the typed-stream archives) in the ordinary build: every input is read as a document and as
// an archive, and the fuzzer's own checks hold (a refused file leaves the document as it was,
// an accepted one reads back to the same state, a decoded archive re-encodes to the same).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

TEST(DocumentFileFuzzCorpus, EveryInputIsHandledWithoutAFault) {
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KELVARA_DOCUMENT_FILE_CORPUS)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0) << entry.path();
        ++replayed;
    }
    EXPECT_GE(replayed, 30);
}

}  // namespace
