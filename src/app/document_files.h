#pragma once
// Reading and saving documents, as the window's document controller sees it. The controller
// never touches a file itself: it asks this seam, which reports a failure as the error the
// user is shown (its texts go into the error dialog).
#include <memory>
#include <optional>
#include <string>

namespace kelvara {

class KelvaraDocument;

struct DocumentFileError {
    std::string domain;
    int code = 0;
    std::string description;     // what failed, one sentence
    std::string failure_reason;  // why, or what to do about it; may be empty
};

class DocumentFiles {
public:
    virtual ~DocumentFiles() = default;
    // Replaces the document's state with the file's, all or nothing: on failure the
    // document is left exactly as it was.
    virtual std::optional<DocumentFileError> read(KelvaraDocument& document,
                                                  const std::string& path) = 0;
    // Writes the document so that a failure leaves any earlier file at `path` intact.
    virtual std::optional<DocumentFileError> save(const KelvaraDocument& document,
                                                  const std::string& path) = 0;
};

// The document file format of this build.
std::unique_ptr<DocumentFiles> make_document_files();

}  // namespace kelvara
