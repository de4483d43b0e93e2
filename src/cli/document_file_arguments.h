#pragma once
// Reading document files, chord arguments and partial lists for the subcommands.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "persistence/document_file.h"

namespace kelvara {
class Document;
}

namespace kelvara::cli {

// The saved values of a file (version, chord map and all). Throws DocumentFileFailure. Each
// value the reader brought into bounds is named on stderr; the command goes on.
DocumentFileState read_document_state(const std::string& path);

// Reads a file into a document through its hooks. Throws DocumentFileFailure.
void read_document(const std::string& path, Document& document);

// "KEY=F1,F2,..." -> the key and the chord's frequencies in hertz (an empty list after "="
// is an empty chord). Throws UsageError.
std::pair<int32_t, std::vector<float>> parse_chord_argument(const std::string& text);

// "R:A,R:A,..." -> a custom timbre's partials (ratio to the fundamental, linear amplitude),
// in the order given. Only the form is checked here; the document holds the values to their
// bounds. Throws UsageError naming the entry that is not RATIO:AMPLITUDE.
std::vector<Partial> parse_partials_argument(const std::string& text);

}  // namespace kelvara::cli
