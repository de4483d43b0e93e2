#pragma once
// Reading document files, chord arguments and partial lists for the subcommands.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "persistence/document_file.h"
#include "scales/chord.h"

namespace kelvara {
class Document;
}

namespace kelvara::cli {

// The saved values of a file (version, chord map and all). Throws DocumentFileFailure. Each
// value the reader brought into bounds is named on stderr; the command goes on.
DocumentFileState read_document_state(const std::string& path);

// Reads a file into a document through its hooks. Throws DocumentFileFailure.
void read_document(const std::string& path, Document& document);

// "KEY=CHORD" -> the key and the chord, typed as the chord table takes it
// (scales/chord_text.h): frequencies (60=261.63,327.04) or the root form
// (60=261.63@1,5/4,3/2). "KEY:CHORD" is the same, as scripts of `midi-play` write it. Nothing
// after the "=" is an empty chord. Throws UsageError with the chord's refusal.
std::pair<int32_t, TypedChord> parse_chord_argument(const std::string& text);

// "R:A,R:A,..." -> a custom timbre's partials (ratio to the fundamental, linear amplitude),
// in the order given. Only the form is checked here; the document holds the values to their
// bounds. Throws UsageError naming the entry that is not RATIO:AMPLITUDE.
std::vector<Partial> parse_partials_argument(const std::string& text);

}  // namespace kelvara::cli
