#include "document/document_io.h"

#include <cerrno>

#include "document/document.h"
#include "persistence/atomic_file.h"

namespace kelvara {

std::optional<DocumentError> save_document_file(const std::filesystem::path& path,
                                                const KelvaraDocument& document) {
    DocumentError error;
    const auto text = document.dataOfType(kDocumentTypeName, &error);
    if (!text) return error;
    return write_file_atomically(path, *text);
}

std::optional<DocumentError> read_document_file(const std::filesystem::path& path,
                                                KelvaraDocument& document) {
    auto content = read_whole_file(path, kMaxDocumentFileBytes);
    if (auto* error = std::get_if<DocumentError>(&content)) {
        // A file too long to be a document is refused like any other bad content.
        if (error->code == EFBIG) return unknown_read_error();
        return *error;
    }
    DocumentError error;
    if (!document.readFromData(std::get<std::string>(content), kDocumentTypeName, &error))
        return error;
    return std::nullopt;
}

}  // namespace kelvara
