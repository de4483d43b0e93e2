#pragma once
// Numbers as the system writes and reads them in its tables and fields, independent of the
// process locale: a window toolkit may switch LC_NUMERIC to a comma locale, and 220.5 must
// still read as 220.5 and be written as 220.5.
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvara {

// The standard decimal text of a 32-bit float: seven significant digits, no trailing zeros
// and no trailing decimal point, plain decimal form for decimal exponents from -4 to 6 and
// exponent form otherwise. 110 -> "110", 220.5 -> "220.5", 117.33333f -> "117.3333",
// 123456789 -> "1.234568e+08", 0.00001 -> "1e-05".
std::string number_text(float value);

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
