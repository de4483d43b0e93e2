// The document's pitch-true choice in its file: Kelvara's own entry, written only for a
// document that plays the bank's own tuning, and a file without it reads as pitch-true.
#include <gtest/gtest.h>

#include <string>

#include "fixtures.h"
#include "persistence/document_file.h"

namespace kelvara {
namespace {

// The archive text of one entry ("<040b...>"), or empty when the file has no such entry.
std::string entry_text(const std::string& file, std::string_view key) {
    const size_t at = file.find("\"" + std::string(key) + "\" = ");
    if (at == std::string::npos) return {};
    const size_t start = file.find('<', at);
    return file.substr(start, file.find('>', start) + 1 - start);
}

TEST(PitchTrueEntry, RoundTripsAndIsWrittenOnlyForTheBanksOwnTuning) {
    for (const bool pitch_true : {true, false}) {
        DocumentFileState saved;
        saved.pitch_true = pitch_true;
        const std::string text = encode_document_state(saved);
        EXPECT_EQ(entry_text(text, file_keys::kPitchTrue).empty(), pitch_true) << text;
        const Result<DocumentFileState> read = decode_document_state(text);
        ASSERT_TRUE(read) << read.error().located_detail();
        EXPECT_EQ(*read, saved);
    }
    // NO is archived as the plot flags archive theirs.
    DocumentFileState own_tuning;
    own_tuning.pitch_true = false;
    const std::string text = encode_document_state(own_tuning);
    EXPECT_EQ(entry_text(text, file_keys::kPitchTrue), entry_text(text, file_keys::kPlotJusts));
}

TEST(PitchTrueEntry, AFileWithoutItPlaysPitchTrueAndABadValueIsRefused) {
    const std::string other_writer = testing::read_fixture("full.kelvara");
    ASSERT_TRUE(entry_text(other_writer, file_keys::kPitchTrue).empty());
    const Result<DocumentFileState> read = decode_document_state(other_writer);
    ASSERT_TRUE(read) << read.error().located_detail();
    EXPECT_TRUE(read->pitch_true);

    // An entry that is not an archived number names itself in the refusal.
    std::string text = encode_document_state(DocumentFileState{});
    const std::string chords = entry_text(text, file_keys::kChords);
    text.insert(text.rfind('}'),
                "    \"" + std::string(file_keys::kPitchTrue) + "\" = " + chords + ";\n");
    const Result<DocumentFileState> refused = decode_document_state(text);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().where.field, file_keys::kPitchTrue);
}

}  // namespace
}  // namespace kelvara
