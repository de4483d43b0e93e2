#pragma once
// Numbers in the window's text fields. Documents travel between machines and desktops, so
// the fields read and write numbers in one notation whatever the user's locale: a point as
// the decimal separator and no grouping (220.5 on a German desktop too).
#include <QString>
#include <cstdint>
#include <optional>

class QLineEdit;

namespace kelvara {

// The whole text as a finite 32-bit float, the nearest to the decimal written (blanks
// around it allowed); nothing otherwise.
std::optional<float> parse_float_text(const QString& text);
// The whole text as a 32-bit integer (blanks around it allowed); nothing otherwise.
std::optional<int32_t> parse_int_text(const QString& text);

// The shortest text that reads back to exactly this float (decimal_text.h: number_text):
// 440, 0.005, 3.4312503. A field that shows it and is committed unchanged stores nothing new.
QString float_text(float value);
QString int_text(int32_t value);

// Let the field take only characters of the number notation above (digits, point, sign,
// exponent; a whole-number field takes the point as well, so that a fraction typed into it
// is refused instead of losing its point). Any text made of them can be entered; the parsers
// decide what it means.
void accept_float_characters_only(QLineEdit& field);
void accept_int_characters_only(QLineEdit& field);

}  // namespace kelvara
