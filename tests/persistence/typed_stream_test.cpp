// Typed-stream archives: the platform archiver's real output decodes to the right objects and
// re-encodes byte for byte; malformed archives are refused with their reason.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fixtures.h"
#include "persistence/typed_stream.h"

namespace kelvara::typedstream {
namespace {

using kelvara::testing::archive_fixture;
using kelvara::testing::bytes_from_hex;
using ::testing::HasSubstr;

ObjectPtr q(int64_t value) {
    return make_number({'q', value});
}

// Every archive fixture, the object it holds, and whether our encoder writes it from that
// object (the real_ ones are the platform archiver's output, the derived_ ones the bytes a
// document's values archive to).
TEST(TypedStream, EveryFixtureDecodesToItsObjectAndReencodesByteForByte) {
    const auto chord = [](float a, float b) { return make_array({make_float(a), make_float(b)}); };
    const ObjectPtr two = make_float(2.0f);
    const std::vector<std::pair<std::string, ObjectPtr>> cases = {
        {"real_number_int_42", make_int(42)},
        {"real_number_bool_true", make_bool(true)},
        {"real_number_q_333", q(333)},
        {"real_array_nested",
         make_array({make_string("top"), make_array({q(1), q(2)}, false)}, false)},
        {"real_mutable_dictionary", make_dictionary({{make_string("key"), q(9)}})},
        // Integral floats are stored as integers and read back as floats.
        {"derived_float_440", make_float(440.0f)},
        {"derived_float_array_1_1_5", make_array({make_float(1.0f), make_float(1.5f)})},
        {"derived_int_array_60_64_67", make_array({make_int(60), make_int(64), make_int(67)})},
        {"derived_chords_60_64", make_dictionary({{make_int(60), chord(261.63f, 329.63f)},
                                                  {make_int(64), chord(329.63f, 392.0f)}})},
        {"derived_empty_array", make_array({})},
        // One object twice: the second time as a reference to the first.
        {"derived_array_of_one_object_twice", make_array({two, two})},
    };
    EXPECT_EQ(cases.size(), kelvara::testing::files_in("archives")) << "a case for every fixture";
    for (const auto& [name, object] : cases) {
        SCOPED_TRACE(name);
        const auto bytes = archive_fixture(name);
        const ObjectPtr decoded = decode(bytes);
        EXPECT_TRUE(same_content(*decoded, *object));
        EXPECT_EQ(encode(decoded), bytes);
        EXPECT_EQ(encode(object), bytes);
        for (size_t size = 0; size < bytes.size(); ++size)
            EXPECT_THROW(decode(std::span(bytes.data(), size)), ArchiveError) << size;
    }
}

// Numbers as archived (the type group after the class chain, then the value): the forms our
// encoder writes (little-endian, integral floats as integers), then forms other writers store.
TEST(TypedStream, NumberForms) {
    const std::string little = "040b73747265616d747970656481e803";
    const std::string big = "040b747970656473747265616d8103e8";
    const std::string number_prefix =
        "840140848484084e534e756d626572008484074e5356616c7565008484084e534f626a656374008584012a";
    struct Case {
        std::string tail;
        Number number;
        bool ours = true;  // our encoder writes it
        bool big_endian = false;
    };
    const std::vector<Case> cases = {
        {"84840166 97 830ad7a33b 86", {'f', static_cast<double>(0.005f)}},
        {"84840169 97 8188ff 86", {'i', int64_t{-120}}},
        {"84840169 97 8270110100 86", {'i', int64_t{70000}}},
        {"84840171 97 8700e68ee7fdffffff 86", {'q', int64_t{-9000000000}}},
        // A double that is integral but not exactly a float stays a real.
        {"84840164 97 83 0000001000007041 86", {'d', 16777217.0}},
        {"84840164 97 03 86", {'d', 3.0}},
        {"84840149 97 82ffffffff 86", {'I', int64_t{4294967295}}, false},
        {"84840169 97 81014d 86", {'i', int64_t{333}}, false, true},
    };
    for (const Case& c : cases) {
        const auto bytes = bytes_from_hex((c.big_endian ? big : little) + number_prefix + c.tail);
        EXPECT_EQ(*decode(bytes)->as<Number>(), c.number) << c.tail;
        EXPECT_TRUE(!c.ours || encode(make_number(c.number)) == bytes) << c.tail;
    }
}

TEST(TypedStreamDecode, MalformedArchivesAreRefusedWithTheReason) {
    const std::string header = "040b73747265616d747970656481e803";
    const std::string array_head =
        header +
        "8401408484840e4e534d757461626c654172726179008484074e534172726179008484084e534f"
        "626a6563740085840169";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "ends early"},
        {"030b73747265616d7479706564", "version 4"},
        {"040b73747265616d747970656f81e803", "signature"},
        {array_head + "7f 92", "larger than the data"},
        {array_head + "01 92 92 86", "contains it"},  // an array holding itself
        {array_head + "01 92 85 86", "nil element"},
        {array_head + "00 86 00", "after the root"},
        {header + "840140 84 8484054e53466f6f00 85 86", "unsupported class NSFoo"},
        {header + "840140 84 8484084e534e756d62657201 85 86", "version of class"},
    };
    for (const auto& [hex, why] : cases) {
        try {
            decode(bytes_from_hex(hex));
            ADD_FAILURE() << "decoded: " << hex;
        } catch (const ArchiveError& error) {
            EXPECT_THAT(error.what(), HasSubstr(why)) << hex;
        }
    }
    ObjectPtr nested = make_array({});
    for (int depth = 1; depth < kMaxObjectNesting; ++depth) nested = make_array({nested});
    EXPECT_NO_THROW(decode(encode(nested)));
    EXPECT_THROW(decode(encode(make_array({nested}))), ArchiveError);
}

}  // namespace
}  // namespace kelvara::typedstream
