#include "document/table_cells.h"

#include <array>
#include <cmath>
#include <utility>

namespace kelvara {
namespace {

constexpr std::array<std::pair<TableColumn, std::string_view>, 4> kIdentifiers{{
    {TableColumn::Ratios, "Ratios"},
    {TableColumn::Cents, "Cents"},
    {TableColumn::MidiNote, "MIDI Note"},
    {TableColumn::ChordString, "Chord String"},
}};

}  // namespace

TableColumn table_column_for_identifier(std::string_view identifier) {
    for (const auto& [column, text] : kIdentifiers)
        if (text == identifier) return column;
    return TableColumn::Other;
}

std::string_view identifier_of(TableColumn column) {
    for (const auto& [known, text] : kIdentifiers)
        if (known == column) return text;
    return {};
}

std::optional<float> cell_as_float(const CellValue& value) {
    if (const auto* f = std::get_if<float>(&value)) return *f;
    if (const auto* i = std::get_if<int32_t>(&value)) return static_cast<float>(*i);
    return std::nullopt;
}

std::optional<int32_t> cell_as_integer(const CellValue& value) {
    if (const auto* i = std::get_if<int32_t>(&value)) return *i;
    if (const auto* f = std::get_if<float>(&value)) {
        // 2^31 is exactly representable; anything at or beyond it does not fit.
        const float truncated = std::trunc(*f);
        if (std::isfinite(truncated) && truncated >= -2147483648.0f && truncated < 2147483648.0f)
            return static_cast<int32_t>(truncated);
    }
    return std::nullopt;
}

}  // namespace kelvara
