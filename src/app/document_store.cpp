#include "app/document_store.h"

#include "document/document_io.h"

namespace kelvara {
namespace {

class FileDocumentStore final : public DocumentStore {
public:
    Result<void> read(Document& document, const std::string& path) override {
        return read_document_file(path, document);
    }
    Result<void> save(const Document& document, const std::string& path) override {
        return save_document_file(path, document);
    }
};

}  // namespace

std::unique_ptr<DocumentStore> make_document_store() {
    return std::make_unique<FileDocumentStore>();
}

}  // namespace kelvara
