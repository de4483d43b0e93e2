// Old-style property lists: every form of the text reads, the writer's text reads back to the
// same value, and bad text is refused with its position.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "persistence/property_list.h"

namespace kelvara::plist {
namespace {

using ::testing::HasSubstr;

TEST(PropertyListRead, AllValueFormsWithCommentsAndAnyWhiteSpace) {
    const Value value = parse(
        "// a document\n"
        "{\r\n\t\"Kelvara Document Version\"=2;  /* bare token */\n"
        "  key_2 = \"quote \\\" back\\\\slash \\n \\t \\101 \\U00e9\";\n"
        "  'single' = ( a, \"b c\", <0A0b 0c>, (), {} , );\n"
        "  data = < 04 0b\n73>; empty = x; empty = \"\"; typed = (<*I-12>, <*R1.5>, <*BY>, "
        "<*BN>);\n"
        "}\n// trailing comment");
    const auto* entries = value.as<Dictionary>();
    ASSERT_NE(entries, nullptr);
    ASSERT_EQ(entries->size(), 7u);  // a later duplicate key is kept too
    EXPECT_EQ(*find(*entries, "Kelvara Document Version"), Value(std::string("2")));
    EXPECT_EQ(*find(*entries, "key_2"),
              Value(std::string("quote \" back\\slash \n \t A \xc3\xa9")));
    EXPECT_EQ(*find(*entries, "single"),
              Value(Array{std::string("a"), std::string("b c"), Data{0x0a, 0x0b, 0x0c}, Array{},
                          Dictionary{}}));
    EXPECT_EQ(*find(*entries, "data"), Value(Data{0x04, 0x0b, 0x73}));
    EXPECT_EQ(*find(*entries, "empty"), Value(std::string())) << "a later duplicate key wins";
    EXPECT_EQ(*find(*entries, "typed"),
              Value(Array{Integer{-12}, Real{1.5}, Boolean{true}, Boolean{false}}));
}

// (The layout of the text is that of a document file, checked byte for byte there.)
TEST(PropertyListWrite, TextReadsBackToTheSameValue) {
    const Value value = Dictionary{
        {"Kelvara Document Version", std::string("2")},
        {"Kelvara Volume", Data{0x04, 0x0b, 0x73, 0x74, 0x72, 0x65, 0x61, 0x6d, 0x74}},
        {"odd \"text\"\n\x01\\",
         Array{std::string(""), std::string("plain-1.5/x:y_$+"), Dictionary{{"k", Data{}}},
               Integer{7}, Real{-2.25}, Boolean{true}}},
    };
    EXPECT_EQ(parse(write(value)), value);
}

// Bad text is refused with a SyntaxError at its line and column, saying what was wrong.
TEST(PropertyListRead, BadTextIsRefusedWithItsPosition) {
    struct Case {
        std::string text;
        size_t line, column;
        std::string why;
    };
    const std::vector<Case> cases = {
        {"", 1, 1, "end of the text"},
        {"{a = 1", 1, 7, "';'"},
        {"{a = 1;\n b 2;}", 2, 4, "'='"},
        {"{a = <0g>;}", 1, 8, "hexadecimal"},
        {"\"abc", 1, 1, "unterminated quoted string"},
        {"{} x", 1, 4, "after the value"},
        {"<*I12x>", 1, 1, "<*I>"},
        {std::string(100000, '('), 1, kMaxNestingDepth + 1, "nest"},
    };
    for (const Case& c : cases) {
        try {
            parse(c.text);
            ADD_FAILURE() << "parsed: " << c.text;
        } catch (const SyntaxError& error) {
            EXPECT_EQ(error.line(), c.line) << c.text << ": " << error.what();
            EXPECT_EQ(error.column(), c.column) << c.text << ": " << error.what();
            EXPECT_THAT(error.what(), HasSubstr(c.why)) << c.text;
        }
    }
    EXPECT_NO_THROW(parse(std::string(kMaxNestingDepth, '(') + std::string(kMaxNestingDepth, ')')));
}

}  // namespace
}  // namespace kelvara::plist
