#include "app/document_files.h"

namespace kelvara {
namespace {

// This build has no document file format: every read and save is refused with a clear
// error, and documents live only in their windows.
class UnavailableDocumentFiles final : public DocumentFiles {
public:
    std::optional<DocumentFileError> read(KelvaraDocument&, const std::string&) override {
        return unavailable("The document could not be opened.");
    }
    std::optional<DocumentFileError> save(const KelvaraDocument&, const std::string&) override {
        return unavailable("The document could not be saved.");
    }

private:
    static DocumentFileError unavailable(std::string description) {
        return {"KelvaraErrorDomain", 1, std::move(description),
                "This build of Kelvara cannot read or write document files."};
    }
};

}  // namespace

std::unique_ptr<DocumentFiles> make_document_files() {
    return std::make_unique<UnavailableDocumentFiles>();
}

}  // namespace kelvara
