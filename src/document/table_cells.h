#pragma once
// What the document's three tables show and take, without any window toolkit: which table,
// which column, and the value of one cell. A table model of the window maps its columns to
// TableColumn and its cell data to and from CellValue.
#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>

#include "scales/chord.h"

namespace kelvara {

// The three tables of the document window.
enum class DocumentTable {
    ScaleRatios,       // one row per scale ratio, shown sorted
    DissonanceRatios,  // one row per fixed tone, in the order entered
    MappedChords,      // one row per mapped MIDI key, in the order created
};

// The columns, by their identifiers in the window layout ("Ratios", "Cents", "MIDI Note",
// "Chord String"). The dissonance table treats every column alike.
enum class TableColumn { Ratios, Cents, MidiNote, ChordString, Other };

// The column of an identifier, compared for exact equality; Other for any other text.
TableColumn table_column_for_identifier(std::string_view identifier);
std::string_view identifier_of(TableColumn column);

// One cell's value: a ratio or a size in cents (float), a MIDI key number (int32_t), or a
// chord. The "Chord String" cell shows and takes a Chord; PV_Chord_Formatter turns it into
// text and back.
using CellValue = std::variant<float, int32_t, Chord>;

// A number cell's value read as a float or as an integer: an int32_t widens, a float is
// truncated toward zero (nothing when it is not finite or outside the 32-bit range). Nothing
// for a chord.
std::optional<float> cell_as_float(const CellValue& value);
std::optional<int32_t> cell_as_integer(const CellValue& value);

}  // namespace kelvara
