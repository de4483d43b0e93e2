#pragma once
// Reading and saving a document: the file's text (persistence/document_file.h) for the
// document's state, and the file on disk, written atomically.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/error.h"
#include "persistence/document_file.h"

namespace kelvara {

class Document;

// The file name extension of a document.
inline constexpr std::string_view kDocumentFileExtension = ".kelvara";
// A document file is a few kilobytes; a longer file is refused before it is read into memory.
inline constexpr size_t kMaxDocumentFileBytes = size_t{16} << 20;

// The file's text for the document as it is now.
std::string document_text(const Document& document);

// Reads a file's text into the document. The whole content is decoded and checked first: a
// refused text leaves the document exactly as it was and gives unreadable_document_error,
// with what was wrong and where.
Result<void> read_document_text(Document& document, std::string_view text);

// Refused, and nothing written, when the text would not read back as it is (a value that
// would be refused or clamped on opening). A failure leaves any old file at `path` as it was.
Result<void> save_document_file(const std::filesystem::path& path, const Document& document);

// The state a document file holds, decoded and checked. A file that cannot be opened gives
// the operating system's error; one whose content is refused (or that is too long to be a
// document) gives unreadable_document_error naming the file.
Result<DocumentFileState> read_document_file_state(const std::filesystem::path& path);

// Reads a document file into the document; errors as read_document_file_state. The document
// is unchanged by a refused file.
Result<void> read_document_file(const std::filesystem::path& path, Document& document);

}  // namespace kelvara
