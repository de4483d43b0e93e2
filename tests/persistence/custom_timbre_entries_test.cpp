// A custom timbre and the roughness model in the document file: Kelvara's own entries read
// back exactly; a reader that does not know them opens the document as the nearest
// parametric timbre; and the reader brings the partials into bounds and lists them. (A
// document without either is written exactly as before: full.kelvara, another program's
// file, is written back byte for byte in document_file_test.cpp.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/curve_definition.h"
#include "engine/timbre_starting_points.h"
#include "persistence/document_file.h"
#include "persistence/property_list.h"
#include "persistence/typed_stream.h"

namespace kelvara {
namespace {

DocumentFileState custom_state(std::vector<Partial> partials) {
    DocumentFileState s;
    s.overtone_type = CustomPartials;
    s.number_of_overtones = static_cast<int32_t>(partials.size());
    s.custom_partials = std::move(partials);
    return s;
}

// The file as a reader that knows none of the keys in `unknown` sees it: without them.
std::string without_entries(const std::string& text, const std::vector<std::string_view>& unknown) {
    plist::Value root = plist::parse(text);
    auto& entries = std::get<plist::Dictionary>(root.content);
    std::erase_if(entries, [&](const auto& entry) {
        return std::find(unknown.begin(), unknown.end(), entry.first) != unknown.end();
    });
    return plist::write(root);
}

const std::vector<std::string_view> kOwnKeys{
    file_keys::kPartialRatios, file_keys::kPartialAmplitudes, file_keys::kRoughnessModel};

// Values no float holds (2.756..., 1/3), a partial below the fundamental, a silent one, and
// the bounds' ends, under both models.
TEST(CustomTimbreEntries, RoundTripExactly) {
    std::vector<DocumentFileState> states{
        custom_state(free_bar_partials(12)),
        custom_state({{0.5, 0.0},
                      {1.0, 1.0 / 3.0},
                      {kPartialRatioBounds.max, 1e3},
                      {kPartialRatioBounds.min, 1e-300}}),
        custom_state(std::vector<Partial>(kMaxCustomPartials, {1.0 + 1e-15, 0.1})),
    };
    for (size_t i = 0; i < states.size(); ++i)
        for (const RoughnessModel model : {RoughnessModel::Product, RoughnessModel::Minimum}) {
            DocumentFileState saved = states[i];
            saved.roughness_model = model;
            const std::string text = encode_document_state(saved);
            const Result<DocumentFileState> read = decode_document_state(text);
            ASSERT_TRUE(read) << read.error().located_detail();
            EXPECT_EQ(*read, saved) << i;
            EXPECT_TRUE(read->clamped_on_read.empty());
            EXPECT_EQ(encode_document_state(*read), text);
        }
}

// A reader that ignores our keys opens the nearest parametric type with as many harmonics as
// there were partials, under the product; every other value as saved.
TEST(CustomTimbreEntries, AReaderThatDoesNotKnowThemOpensTheNearestParametricTimbre) {
    struct Row {
        std::vector<Partial> partials;
        int32_t type;
    };
    const std::vector<Row> table{
        {free_bar_partials(8), InverseHarmonics},
        {harmonic_partials(ShapedHarmonics, 30), ShapedHarmonics},
        {{{1.0, 0.7}}, PureTone},
    };
    for (const Row& row : table) {
        DocumentFileState saved = custom_state(row.partials);
        saved.roughness_model = RoughnessModel::Minimum;
        saved.base_frequency = 261.5;
        saved.dissonance_ratios = {1.0f, 1.5f};
        const Result<DocumentFileState> read =
            decode_document_state(without_entries(encode_document_state(saved), kOwnKeys));
        ASSERT_TRUE(read) << read.error().located_detail();
        DocumentFileState expected = saved;
        expected.overtone_type = row.type;
        expected.custom_partials.clear();
        expected.roughness_model = RoughnessModel::Product;
        EXPECT_EQ(*read, expected) << row.partials.size();
    }
}

// The file's own values of the partials, each through the value rules (every bound, refused or
// clamped: tests/document/value_rules_test.cpp): what the clamping notes say, and a file of
// too many partials keeps the first 128, the overtone count following them.
TEST(CustomTimbreEntries, TheReaderClampsThePartialsByTheValueRules) {
    const Result<DocumentFileState> read =
        decode_document_state(encode_document_state(custom_state({{1.0, -0.5}, {5000.0, 1.0}})));
    ASSERT_TRUE(read) << read.error().located_detail();
    EXPECT_EQ(read->custom_partials, (std::vector<Partial>{{1.0, 0.0}, {1000.0, 1.0}}));
    EXPECT_EQ(read->clamped_on_read,
              (std::vector<std::string>{"partial amplitude -0.5 raised to 0",
                                        "partial ratio 5000 lowered to 1000"}));

    DocumentFileState many = custom_state(std::vector<Partial>(130, {1.5, 0.5}));
    const Result<DocumentFileState> cut = decode_document_state(encode_document_state(many));
    ASSERT_TRUE(cut) << cut.error().located_detail();
    EXPECT_EQ(cut->custom_partials.size(), static_cast<size_t>(kMaxCustomPartials));
    EXPECT_EQ(cut->number_of_overtones, kMaxCustomPartials);
    EXPECT_EQ(cut->clamped_on_read,
              (std::vector<std::string>{"number of overtones 130 lowered to 128",
                                        "custom timbre of 130 partials cut to 128"}));
}

// Entries that are not what we write: each refusal names its entry.
TEST(CustomTimbreEntries, DamagedEntriesAreRefusedByName) {
    const std::string text = encode_document_state(custom_state({{1.0, 1.0}, {2.76, 0.5}}));
    const auto replaced = [&](std::string_view key, std::string_view other_key) {
        plist::Value root = plist::parse(text);
        auto& entries = std::get<plist::Dictionary>(root.content);
        const plist::Value* other = plist::find(entries, other_key);
        for (auto& [name, value] : entries)
            if (name == key) value = *other;
        return plist::write(root);
    };
    const auto model_entry = [&](int32_t model) {
        plist::Value root = plist::parse(text);
        std::get<plist::Dictionary>(root.content)
            .emplace_back(std::string(file_keys::kRoughnessModel),
                          plist::Data(typedstream::encode(typedstream::make_int(model))));
        return plist::write(root);
    };
    struct Row {
        std::string text;
        std::string_view field;
    };
    const std::vector<Row> table{
        {without_entries(text, {file_keys::kPartialAmplitudes}), file_keys::kPartialAmplitudes},
        {without_entries(text, {file_keys::kPartialRatios}), file_keys::kPartialRatios},
        // One number where an array belongs; no amplitudes for two ratios.
        {replaced(file_keys::kPartialRatios, file_keys::kVolume), file_keys::kPartialRatios},
        {model_entry(2), file_keys::kRoughnessModel},
    };
    for (const Row& row : table) {
        const Result<DocumentFileState> read = decode_document_state(row.text);
        ASSERT_FALSE(read) << row.field;
        EXPECT_EQ(read.error().where.field, row.field);
    }
}

}  // namespace
}  // namespace kelvara
