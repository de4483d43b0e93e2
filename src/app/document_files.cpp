#include "app/document_files.h"

#include "document/document_io.h"

namespace kelvara {
namespace {

DocumentFileError shown(const DocumentError& error) {
    return {error.domain, error.code, error.description, error.reason};
}

// Document files in the Kelvara format, saved atomically.
class KelvaraDocumentFiles final : public DocumentFiles {
public:
    std::optional<DocumentFileError> read(KelvaraDocument& document,
                                          const std::string& path) override {
        if (const auto error = read_document_file(path, document)) return shown(*error);
        return std::nullopt;
    }
    std::optional<DocumentFileError> save(const KelvaraDocument& document,
                                          const std::string& path) override {
        if (const auto error = save_document_file(path, document)) return shown(*error);
        return std::nullopt;
    }
};

}  // namespace

std::unique_ptr<DocumentFiles> make_document_files() {
    return std::make_unique<KelvaraDocumentFiles>();
}

}  // namespace kelvara
