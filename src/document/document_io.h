#pragma once
// Saving a document to a file and reading it back: the file's text through the document's
// hooks, with the type name of a Kelvara document, written atomically.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string_view>

#include "base/error.h"

namespace kelvara {

class KelvaraDocument;

// The file name extension of a document.
inline constexpr std::string_view kDocumentFileExtension = ".kelvara";
// A document file is a few kilobytes; a longer file is refused before it is read into memory.
inline constexpr size_t kMaxDocumentFileBytes = size_t{16} << 20;

// Nothing on success. A failure leaves any old file at `path` as it was.
std::optional<DocumentError> save_document_file(const std::filesystem::path& path,
                                                const KelvaraDocument& document);

// Nothing on success. A file that cannot be opened gives the operating system's error; one
// whose content is refused gives the unknown-read error; the document is unchanged either way.
std::optional<DocumentError> read_document_file(const std::filesystem::path& path,
                                                KelvaraDocument& document);

}  // namespace kelvara
