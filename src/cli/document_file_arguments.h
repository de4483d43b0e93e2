#pragma once
// Reading document files and chord arguments for the subcommands.
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

}  // namespace kelvara::cli
