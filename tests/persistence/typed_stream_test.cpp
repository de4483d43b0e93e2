// Typed-stream archives: the platform archiver's real output decodes to the right objects and
// re-encodes byte for byte; malformed archives are refused with an error, never a crash.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "fixtures.h"
#include "persistence/typed_stream.h"

namespace kelvara::typedstream {
namespace {

using kelvara::testing::archive_fixture;
using kelvara::testing::bytes_from_hex;
using ::testing::HasSubstr;

const Number& number_of(const ObjectPtr& object) {
    const auto* number = object->as<Number>();
    if (!number) throw std::runtime_error("not a number");
    return *number;
}

int64_t integer_of(const ObjectPtr& object) {
    return std::get<int64_t>(number_of(object).value);
}
double real_of(const ObjectPtr& object) {
    return std::get<double>(number_of(object).value);
}
const Array& array_of(const ObjectPtr& object) {
    return *object->as<Array>();
}

std::vector<std::string> all_fixture_names() {
    std::vector<std::string> names;
    for (const auto& entry :
         std::filesystem::directory_iterator(kelvara::testing::fixture_path("archives")))
        names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(TypedStreamDecode, RealScalarArchivesGiveTheirNumbers) {
    EXPECT_EQ(number_of(decode(archive_fixture("real_number_int_42"))), (Number{'i', int64_t{42}}));
    EXPECT_EQ(number_of(decode(archive_fixture("real_number_float_3_5"))), (Number{'f', 3.5}));
    EXPECT_EQ(number_of(decode(archive_fixture("real_number_bool_true"))),
              (Number{'c', int64_t{1}}));
    EXPECT_EQ(number_of(decode(archive_fixture("real_number_q_333"))), (Number{'q', int64_t{333}}));
    EXPECT_EQ(number_of(decode(archive_fixture("real_number_q_minus_55555"))),
              (Number{'q', int64_t{-55555}}));
    // Integral floats are stored as integers and read back as floats.
    EXPECT_EQ(number_of(decode(archive_fixture("derived_float_440"))), (Number{'f', 440.0}));
    EXPECT_EQ(number_of(decode(archive_fixture("derived_int_25"))), (Number{'i', int64_t{25}}));
}

TEST(TypedStreamDecode, RealCollectionsWithStringsAndSharedClasses) {
    const ObjectPtr nested = decode(archive_fixture("real_array_nested"));
    const Array& outer = array_of(nested);
    EXPECT_FALSE(outer.is_mutable);
    ASSERT_EQ(outer.elements.size(), 2u);
    EXPECT_EQ(*outer.elements[0]->as<String>(), (String{false, "top"}));
    const Array& inner = array_of(outer.elements[1]);
    ASSERT_EQ(inner.elements.size(), 2u);
    EXPECT_EQ(integer_of(inner.elements[0]), 1);
    EXPECT_EQ(integer_of(inner.elements[1]), 2);

    const ObjectPtr dictionary = decode(archive_fixture("real_mutable_dictionary"));
    const auto& entries = dictionary->as<Dictionary>()->entries;
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].first->as<String>()->text, "key");
    EXPECT_EQ(integer_of(entries[0].second), 9);

    const ObjectPtr bools_root = decode(archive_fixture("real_array_of_bools"));
    const Array& bools = array_of(bools_root);
    ASSERT_EQ(bools.elements.size(), 2u);
    EXPECT_EQ(number_of(bools.elements[0]), (Number{'c', int64_t{1}}));
    EXPECT_EQ(number_of(bools.elements[1]), (Number{'c', int64_t{0}}));
}

TEST(TypedStreamDecode, DocumentShapedArchives) {
    const ObjectPtr floats_root = decode(archive_fixture("derived_float_array_1_1_5"));
    const Array& floats = array_of(floats_root);
    EXPECT_TRUE(floats.is_mutable);
    ASSERT_EQ(floats.elements.size(), 2u);
    EXPECT_EQ(real_of(floats.elements[0]), 1.0);
    EXPECT_EQ(real_of(floats.elements[1]), 1.5);

    const ObjectPtr chords = decode(archive_fixture("derived_chords_60_64"));
    const auto& entries = chords->as<Dictionary>()->entries;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(integer_of(entries[0].first), 60);
    EXPECT_EQ(real_of(array_of(entries[0].second).elements[0]), double{261.63f});
    EXPECT_EQ(real_of(array_of(entries[0].second).elements[1]), double{329.63f});
    EXPECT_EQ(integer_of(entries[1].first), 64);
    EXPECT_EQ(real_of(array_of(entries[1].second).elements[1]), 392.0);

    EXPECT_TRUE(array_of(decode(archive_fixture("derived_empty_array"))).elements.empty());
    EXPECT_TRUE(
        decode(archive_fixture("derived_empty_dictionary"))->as<Dictionary>()->entries.empty());
}

TEST(TypedStreamRoundTrip, EveryFixtureReencodesByteForByte) {
    const auto names = all_fixture_names();
    ASSERT_GE(names.size(), 16u);
    for (const auto& name : names) {
        const auto bytes = archive_fixture(name);
        EXPECT_EQ(encode(decode(bytes)), bytes) << name;
    }
}

TEST(TypedStreamEncode, DocumentValuesMatchThePlatformBytes) {
    EXPECT_EQ(encode(make_int(42)), archive_fixture("real_number_int_42"));
    EXPECT_EQ(encode(make_float(3.5f)), archive_fixture("real_number_float_3_5"));
    EXPECT_EQ(encode(make_bool(true)), archive_fixture("real_number_bool_true"));
    EXPECT_EQ(encode(make_float(440.0f)), archive_fixture("derived_float_440"));
    EXPECT_EQ(encode(make_array({make_float(1.0f), make_float(1.5f)})),
              archive_fixture("derived_float_array_1_1_5"));
    EXPECT_EQ(encode(make_array({make_int(60), make_int(64), make_int(67)})),
              archive_fixture("derived_int_array_60_64_67"));
    EXPECT_EQ(encode(make_dictionary(
                  {{make_int(60), make_array({make_float(261.63f), make_float(329.63f)})},
                   {make_int(64), make_array({make_float(329.63f), make_float(392.0f)})}})),
              archive_fixture("derived_chords_60_64"));
}

TEST(TypedStreamEncode, NumberForms) {
    // The tail of an archived number: the type group, then the value.
    const auto tail = [](const ObjectPtr& number) {
        const auto bytes = encode(number);
        return std::vector<uint8_t>(bytes.begin() + 59, bytes.end());
    };
    EXPECT_EQ(tail(make_float(0.005f)), bytes_from_hex("84840166 97 830ad7a33b 86"));
    EXPECT_EQ(tail(make_float(-1.0f)), bytes_from_hex("84840166 97 ff 86"));
    EXPECT_EQ(tail(make_float(-0.0f)), bytes_from_hex("84840166 97 00 86"));
    EXPECT_EQ(tail(make_int(-120)), bytes_from_hex("84840169 97 8188ff 86"));
    EXPECT_EQ(tail(make_int(70000)), bytes_from_hex("84840169 97 8270110100 86"));
    EXPECT_EQ(tail(make_int(-32768)), bytes_from_hex("84840169 97 820080ffff 86"));
    EXPECT_EQ(tail(make_number({'q', int64_t{-9000000000}})),
              bytes_from_hex("84840171 97 8700e68ee7fdffffff 86"));
    // A double that is integral but not exactly a float stays a real.
    EXPECT_EQ(tail(make_number({'d', 16777217.0})),
              bytes_from_hex("84840164 97 83 0000001000007041 86"));
    EXPECT_EQ(tail(make_number({'d', 3.0})), bytes_from_hex("84840164 97 03 86"));
}

TEST(TypedStreamEncode, ARepeatedObjectIsWrittenAsAReference) {
    const ObjectPtr two = make_float(2.0f);
    const auto bytes = encode(make_array({two, two}));
    const auto expected_tail = bytes_from_hex(
        "8401690292848484084e534e756d626572008484074e5356616c7565009584012a848401669a0286929686");
    ASSERT_GE(bytes.size(), expected_tail.size());
    EXPECT_TRUE(std::equal(expected_tail.begin(), expected_tail.end(),
                           bytes.end() - static_cast<long>(expected_tail.size())));

    const ObjectPtr decoded_root = decode(bytes);
    const Array& decoded = array_of(decoded_root);
    ASSERT_EQ(decoded.elements.size(), 2u);
    EXPECT_EQ(decoded.elements[0], decoded.elements[1]);  // the same object
    EXPECT_EQ(encode(decode(bytes)), bytes);
}

TEST(TypedStreamDecode, BigEndianArchives) {
    // The float 3.5 and the int 333 as a big-endian writer stores them.
    const std::string header = "040b747970656473747265616d8103e8";
    const std::string number_prefix =
        "840140848484084e534e756d626572008484074e5356616c7565008484084e534f626a656374008584012a";
    EXPECT_EQ(number_of(decode(bytes_from_hex(header + number_prefix + "8484016697834060000086"))),
              (Number{'f', 3.5}));
    EXPECT_EQ(number_of(decode(bytes_from_hex(header + number_prefix + "8484016997 81014d 86"))),
              (Number{'i', int64_t{333}}));
    EXPECT_EQ(number_of(decode(
                  bytes_from_hex(header + number_prefix + "8484016497 83400c000000000000 86"))),
              (Number{'d', 3.5}));
}

TEST(TypedStreamDecode, AnyNumericTypeIsKept) {
    const std::string prefix =
        "040b73747265616d747970656481e803840140848484084e534e756d626572008484074e5356616c756500"
        "8484084e534f626a656374008584012a";
    EXPECT_EQ(number_of(decode(bytes_from_hex(prefix + "84840143 97 ff 86"))),
              (Number{'C', int64_t{255}}));
    EXPECT_EQ(number_of(decode(bytes_from_hex(prefix + "84840149 97 82ffffffff 86"))),
              (Number{'I', int64_t{4294967295}}));
    EXPECT_EQ(number_of(decode(bytes_from_hex(prefix + "84840173 97 81ff7f 86"))),
              (Number{'s', int64_t{32767}}));
    EXPECT_EQ(number_of(decode(bytes_from_hex(prefix + "84840164 97 03 86"))), (Number{'d', 3.0}));
}

// A refused archive throws ArchiveError whose message says why.
void expect_refused(const std::string& hex, const std::string& why) {
    try {
        decode(bytes_from_hex(hex));
        ADD_FAILURE() << "decoded: " << hex;
    } catch (const ArchiveError& error) {
        EXPECT_THAT(error.what(), HasSubstr(why)) << hex;
    }
}

TEST(TypedStreamDecode, MalformedArchivesAreRefusedWithTheReason) {
    const std::string header = "040b73747265616d747970656481e803";
    const std::string array_head =
        header +
        "8401408484840e4e534d757461626c654172726179008484074e534172726179008484084e534f"
        "626a6563740085840169";
    expect_refused("", "ends early");
    expect_refused("030b73747265616d7479706564", "version 4");
    expect_refused("040b73747265616d747970656f81e803", "signature");
    expect_refused(array_head + "7f 92", "larger than the data");
    expect_refused(array_head + "ff 86", "negative");
    expect_refused(array_head + "01 92 92 86", "contains it");  // an array holding itself
    expect_refused(array_head + "01 92 a0 86", "missing object");
    expect_refused(array_head + "01 92 85 86", "nil element");
    expect_refused(array_head + "00 86 00", "after the root");
    expect_refused(array_head + "00", "ends early");
    expect_refused(header + "840140 84 8484054e53466f6f00 85 86", "unsupported class NSFoo");
    expect_refused(header + "840140 84 8484084e534e756d62657201 85 86", "version of class");
    expect_refused(header + "840140 84 8484084e534f626a65637400 85 86", "cannot decode");
    expect_refused(header + "840140 84 93", "missing class");
    expect_refused(header + "847f40", "larger than the data");
    expect_refused(header + "84ff40", "negative");
    expect_refused(header + "840169", "type '@'");
}

TEST(TypedStreamDecode, NestingIsBounded) {
    ObjectPtr nested = make_array({});
    for (int depth = 1; depth < kMaxObjectNesting; ++depth) nested = make_array({nested});
    EXPECT_NO_THROW(decode(encode(nested)));
    EXPECT_THROW(decode(encode(make_array({nested}))), ArchiveError);
}

TEST(TypedStreamDecode, EveryTruncationAndByteChangeIsRefusedOrDecoded) {
    for (const auto& name : all_fixture_names()) {
        const auto bytes = archive_fixture(name);
        for (size_t size = 0; size < bytes.size(); ++size)
            EXPECT_THROW(decode(std::span(bytes.data(), size)), ArchiveError)
                << name << " " << size;
        for (size_t at = 0; at < bytes.size(); ++at) {
            for (const uint8_t replacement :
                 {0x00, 0x7f, 0x81, 0x82, 0x84, 0x85, 0x86, 0x87, 0xff}) {
                auto changed = bytes;
                changed[at] = replacement;
                try {
                    decode(changed);
                } catch (const ArchiveError&) {
                }
            }
        }
    }
}

}  // namespace
}  // namespace kelvara::typedstream
