#include "app/number_fields.h"

#include <QLineEdit>
#include <QLocale>
#include <QRegularExpressionValidator>
#include <cmath>

namespace kelvara {
namespace {

// Seven significant digits print every 32-bit float close enough to read back the value
// the user meant, without the noise digits of the binary value (261.63, not 261.630005).
constexpr int kSignificantDigits = 7;

void accept_characters(QLineEdit& field, const QString& pattern) {
    field.setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), &field));
}

}  // namespace

std::optional<float> parse_float_text(const QString& text) {
    bool ok = false;
    const float value = QLocale::c().toFloat(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<int32_t> parse_int_text(const QString& text) {
    bool ok = false;
    const int value = QLocale::c().toInt(text.trimmed(), &ok);
    if (!ok) return std::nullopt;
    return static_cast<int32_t>(value);
}

QString float_text(float value) {
    return QLocale::c().toString(static_cast<double>(value), 'g', kSignificantDigits);
}

QString int_text(int32_t value) {
    return QLocale::c().toString(value);
}

void accept_float_characters_only(QLineEdit& field) {
    accept_characters(field, QStringLiteral("[0-9eE.+\\- ]*"));
}

void accept_int_characters_only(QLineEdit& field) {
    accept_characters(field, QStringLiteral("[0-9+\\- ]*"));
}

}  // namespace kelvara
