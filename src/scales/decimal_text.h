#pragma once
// Numbers as the system writes and reads them in its tables and fields, independent of the
// process locale: a window toolkit may switch LC_NUMERIC to a comma locale, and 220.5 must
// still read as 220.5 and be written as 220.5.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelvara {

// The shortest decimal text that reads back to exactly this 32-bit float, in plain decimal
// form from 0.0001 up to below 10 000 000 and in exponent form otherwise. 110 -> "110",
// 220.5 -> "220.5", 110 * 16/15 -> "117.333336", 3.43125033f -> "3.4312503",
// 123456789 -> "1.2345679e+08", 0.00001 -> "1e-05". Fields and cells show this, so a value
// shown and taken back unchanged is the value stored.
std::string number_text(float value);

// A size in cents as a table shows it: rounded to a thousandth of a cent, about the
// precision a 32-bit ratio carries (one step of a ratio's last bit is 0.0002 cents), with
// no trailing zeros: the cents of 12-tone equal steps read 100, 300, 400.
std::string cents_text(float cents);

// The whole text, blanks around it allowed, as a finite 32-bit float (the nearest one to
// the decimal written); nothing for anything else.
std::optional<float> parse_number_text(std::string_view text);

// The longest leading part of `text` that forms a decimal number: an optional sign, digits,
// an optional decimal point with fraction digits (at least one digit in all) and an optional
// exponent. Hexadecimal, infinity and not-a-number spellings are not numbers here.
struct LeadingNumber {
    double value = 0.0;
    size_t length = 0;          // characters used; 0 when the text does not begin with a number
    bool out_of_range = false;  // the digits form a number too large for a double
};
LeadingNumber read_leading_number(std::string_view text);

// White space as the field readers and the chord parser skip it: blanks, tabs, line ends.
bool is_white_space(char c);

// The value of a text field read as a number, as the generator fields are read: the leading
// number after any white space, 0 when there is none. The integer form truncates toward zero
// and saturates at the ends of the 32-bit range.
double leading_double_value(std::string_view text);
int32_t leading_integer_value(std::string_view text);

}  // namespace kelvara
