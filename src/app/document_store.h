#pragma once
// DocumentStore: reading and saving documents, as the window's document controller sees it.
// The controller never touches a file itself: it asks this seam, which reports a failure as
// the Error the user is shown (its texts go into the error dialog). Tests keep documents in
// memory behind it.
#include <memory>
#include <string>

#include "base/error.h"

namespace kelvara {

class Document;

class DocumentStore {
public:
    virtual ~DocumentStore() = default;
    // Replaces the document's state with the file's, all or nothing: on failure the
    // document is left exactly as it was.
    virtual Result<void> read(Document& document, const std::string& path) = 0;
    // Writes the document so that a failure leaves any earlier file at `path` intact.
    virtual Result<void> save(const Document& document, const std::string& path) = 0;
};

// Document files on disk, in this build's format, saved atomically.
std::unique_ptr<DocumentStore> make_document_store();

}  // namespace kelvara
