#include "app/number_fields.h"

#include <QLineEdit>
#include <QLocale>
#include <QRegularExpressionValidator>
#include <cmath>

#include "scales/decimal_text.h"

namespace kelvara {
namespace {

void accept_characters(QLineEdit& field, const QString& pattern) {
    field.setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), &field));
}

}  // namespace

std::optional<float> parse_float_text(const QString& text) {
    return parse_number_text(text.toStdString());
}

std::optional<int32_t> parse_int_text(const QString& text) {
    bool ok = false;
    const int value = QLocale::c().toInt(text.trimmed(), &ok);
    if (!ok) return std::nullopt;
    return static_cast<int32_t>(value);
}

QString float_text(float value) {
    return QString::fromStdString(number_text(value));
}

QString int_text(int32_t value) {
    return QLocale::c().toString(value);
}

void accept_float_characters_only(QLineEdit& field) {
    accept_characters(field, QStringLiteral("[0-9eE.+\\- ]*"));
}

void accept_int_characters_only(QLineEdit& field) {
    // The point too, so that 2.5 reaches the parser and is refused rather than read as 25.
    accept_characters(field, QStringLiteral("[0-9+\\-. ]*"));
}

}  // namespace kelvara
