#include "document/document_io.h"

#include <cerrno>

#include "document/document.h"
#include "persistence/atomic_file.h"

namespace kelvara {

std::string document_text(const Document& document) {
    return encode_document_state(document.state());
}

Result<void> read_document_text(Document& document, std::string_view text) {
    const Result<DocumentFileState> state = decode_document_state(text);
    if (!state) return state.error();
    return document.apply_state(*state);
}

Result<void> save_document_file(const std::filesystem::path& path, const Document& document) {
    const std::string text = document_text(document);
    // Never write a file that would be refused or changed on opening: read it back first.
    const Result<DocumentFileState> again = decode_document_state(text);
    if (!again || !again->clamped_on_read.empty()) {
        Error error = refusal("The document was not saved: Kelvara could not open it again.");
        error.reason = "A value is outside what Kelvara accepts.";
        error.detail = again ? again->clamped_on_read.front() : again.error().located_detail();
        error.where.file = path.string();
        return error;
    }
    return write_file_atomically(path, text);
}

Result<DocumentFileState> read_document_file_state(const std::filesystem::path& path) {
    ErrorLocation in_file;
    in_file.file = path.string();
    const Result<std::string> content = read_whole_file(path, kMaxDocumentFileBytes);
    if (!content) {
        // A file too long to be a document is refused like any other bad content.
        if (content.error().kind == ErrorKind::System && content.error().code == EFBIG)
            return unreadable_document_error("the file is too long to be a document", in_file);
        return content.error();
    }
    Result<DocumentFileState> state = decode_document_state(*content);
    if (state) return state;
    Error error = state.error();
    error.where.file = in_file.file;
    return error;
}

Result<void> read_document_file(const std::filesystem::path& path, Document& document) {
    const Result<DocumentFileState> state = read_document_file_state(path);
    if (!state) return state.error();
    return document.apply_state(*state);
}

}  // namespace kelvara
