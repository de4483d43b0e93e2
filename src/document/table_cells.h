#pragma once
// What the document's three tables show and take, without any window toolkit: which table,
// which column, and the value of one cell. A table model of the window maps its columns to
// TableColumn and its cell data to and from CellValue.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "scales/chord.h"

namespace kelvara {

// The tables of the document window.
enum class DocumentTable {
    ScaleRatios,   // one row per scale ratio, shown sorted
    FixedTones,    // one row per fixed tone, in the order entered
    MappedChords,  // one row per mapped MIDI key, in the order created
    Partials,      // one row per partial of a custom timbre, in the order entered
};

// The columns: a scale ratio and its size in cents, a chord's key and its frequencies, a
// partial's ratio and its amplitude (linear, and in decibels relative to 1). The fixed-tone
// table treats every column alike (Other stands for any column of it).
enum class TableColumn {
    Ratios,
    Cents,
    MidiNote,
    ChordString,
    Other,
    PartialRatio,
    PartialAmplitude,
    PartialDecibels,
};

// A scale ratio with the form it was typed in ("16/15", "386.31c", scales/ratio_form.h), which
// the table shows while it names the ratio.
struct TypedRatio {
    float ratio = 1.0f;
    std::string form;
};

// One cell's value: a ratio or a size in cents (float), a MIDI key number (int32_t), a
// chord, or a partial's value (double, the precision a custom timbre keeps). The chord
// column shows a Chord and takes a Chord or a TypedChord (one typed in the root form keeps
// its text); chord_text.h turns them into text and back. A scale cell takes a TypedRatio as
// well.
using CellValue = std::variant<float, int32_t, Chord, double, TypedChord, TypedRatio>;

// A number cell's value read as a float or as an integer: a TypedRatio gives its ratio, an int32_t
// widens, a float is truncated toward zero (nothing when it is not finite or outside the 32-bit
// range). Nothing for a chord, or for a double (the partial table's own).
std::optional<float> cell_as_float(const CellValue& value);
std::optional<int32_t> cell_as_integer(const CellValue& value);
// A number cell's value as a double: a float or an int32_t widens. Nothing for a chord.
std::optional<double> cell_as_double(const CellValue& value);

}  // namespace kelvara
