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
        "  data = < 04 0b\n73>; empty = \"\"; typed = (<*I-12>, <*R1.5>, <*BY>, <*BN>);\n"
        "}\n// trailing comment");
    const auto* entries = value.as<Dictionary>();
    ASSERT_NE(entries, nullptr);
    ASSERT_EQ(entries->size(), 6u);
    EXPECT_EQ(*find(*entries, "Kelvara Document Version"), Value(std::string("2")));
    EXPECT_EQ(*find(*entries, "key_2"),
              Value(std::string("quote \" back\\slash \n \t A \xc3\xa9")));
    EXPECT_EQ(*find(*entries, "single"),
              Value(Array{std::string("a"), std::string("b c"), Data{0x0a, 0x0b, 0x0c}, Array{},
                          Dictionary{}}));
    EXPECT_EQ(*find(*entries, "data"), Value(Data{0x04, 0x0b, 0x73}));
    EXPECT_EQ(*find(*entries, "empty"), Value(std::string()));
    EXPECT_EQ(*find(*entries, "typed"),
              Value(Array{Integer{-12}, Real{1.5}, Boolean{true}, Boolean{false}}));
}

TEST(PropertyListRead, ALaterDuplicateKeyWins) {
    const Value value = parse("{a = 1; a = 2;}");
    EXPECT_EQ(*find(*value.as<Dictionary>(), "a"), Value(std::string("2")));
    EXPECT_EQ(find(*value.as<Dictionary>(), "b"), nullptr);
}

TEST(PropertyListWrite, TextReadsBackToTheSameValue) {
    const Value value = Dictionary{
        {"Kelvara Document Version", std::string("2")},
        {"Kelvara Volume", Data{0x04, 0x0b, 0x73, 0x74, 0x72, 0x65, 0x61, 0x6d, 0x74}},
        {"odd \"text\"\n\x01\\",
         Array{std::string(""), std::string("plain-1.5/x:y_$+"), Dictionary{{"k", Data{}}},
               Integer{7}, Real{-2.25}, Boolean{true}}},
    };
    const std::string text = write(value);
    EXPECT_EQ(parse(text), value);
    EXPECT_THAT(text, HasSubstr("    \"Kelvara Document Version\" = 2;\n"));
    EXPECT_THAT(text, HasSubstr("\"Kelvara Volume\" = <040b7374 7265616d 74>;"));
    EXPECT_EQ(text.front(), '{');
    EXPECT_EQ(text.back(), '}');
}

// The text is refused with a SyntaxError at the given line and column.
void expect_syntax_error(const std::string& text, size_t line, size_t column,
                         const std::string& why) {
    try {
        parse(text);
        ADD_FAILURE() << "parsed: " << text;
    } catch (const SyntaxError& error) {
        EXPECT_EQ(error.line(), line) << text << ": " << error.what();
        EXPECT_EQ(error.column(), column) << text << ": " << error.what();
        EXPECT_THAT(error.what(), HasSubstr(why));
    }
}

TEST(PropertyListRead, BadTextIsRefusedWithItsPosition) {
    expect_syntax_error("", 1, 1, "end of the text");
    expect_syntax_error("{a = 1", 1, 7, "';'");
    expect_syntax_error("{a = 1;\n b 2;}", 2, 4, "'='");
    expect_syntax_error("{a = <0g>;}", 1, 8, "hexadecimal");
    expect_syntax_error("{a = <0a0>;}", 1, 6, "odd number");
    expect_syntax_error("{a = <0a0", 1, 6, "unterminated data");
    expect_syntax_error("\"abc", 1, 1, "unterminated quoted string");
    expect_syntax_error("/* open", 1, 1, "unterminated comment");
    expect_syntax_error("(a b)", 1, 4, "','");
    expect_syntax_error("{} x", 1, 4, "after the value");
    expect_syntax_error("{a = \"\\U12\";}", 1, 7, "four hexadecimal");
    expect_syntax_error("<*I12x>", 1, 1, "<*I>");
    expect_syntax_error("<*>", 1, 1, "type letter");
    expect_syntax_error("<*Q1>", 1, 1, "unknown typed value");
    expect_syntax_error("{(a) = 1;}", 1, 2, "string key");
    expect_syntax_error("=", 1, 1, "unexpected character");
}

TEST(PropertyListRead, NestingIsBounded) {
    const std::string fits =
        std::string(kMaxNestingDepth, '(') + std::string(kMaxNestingDepth, ')');
    EXPECT_NO_THROW(parse(fits));
    const std::string deep(100000, '(');
    EXPECT_THROW(parse(deep), SyntaxError);
}

TEST(PropertyListRead, EveryPrefixOfAFileIsRefusedOrParsed) {
    const std::string text = "{ \"k\" = ( a, <0a0b>, \"q\\\"\" ); /* c */ b = {x=y;}; }";
    for (size_t size = 0; size < text.size(); ++size) {
        try {
            parse(std::string_view(text).substr(0, size));
        } catch (const SyntaxError&) {
        }
    }
    EXPECT_NO_THROW(parse(text));
}

}  // namespace
}  // namespace kelvara::plist
