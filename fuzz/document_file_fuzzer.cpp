// Feeds arbitrary bytes to the document's file reader and to the archive decoder. Beyond "no
// crash, no sanitizer report", it checks the promises of a read: a refused file leaves the
// document exactly as it was, an accepted one saves and reads back to the same state, and a
// decoded archive re-encodes to an archive of the same content.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "document/document.h"
#include "document/document_io.h"
#include "persistence/document_file.h"
#include "persistence/typed_stream.h"

namespace {

void check(bool promise) {
    if (!promise) __builtin_trap();
}

void read_as_document(std::string_view text) {
    kelvara::Document doc;
    const kelvara::DocumentFileState before = doc.state();
    const kelvara::Result<void> read = kelvara::read_document_text(doc, text);
    if (!read) {
        check(read.error().description == kelvara::unreadable_document_error().description);
        check(doc.state() == before);
        return;
    }
    kelvara::Document again;
    check(kelvara::read_document_text(again, kelvara::document_text(doc)).ok());
    check(again.state() == doc.state());
    // Sampling the curve must stay inside the arrays the file sized (kept to small
    // documents so that each input runs in milliseconds).
    if (doc.curve().max_number_of_points() <= 1000 && doc.curve().number_of_overtones() <= 8)
        doc.sample_curve();
}

void read_as_archive(std::span<const uint8_t> bytes) {
    kelvara::typedstream::ObjectPtr root;
    try {
        root = kelvara::typedstream::decode(bytes);
    } catch (const kelvara::typedstream::ArchiveError&) {
        return;
    }
    const auto reencoded = kelvara::typedstream::decode(kelvara::typedstream::encode(root));
    check(kelvara::typedstream::same_content(*root, *reencoded));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    read_as_document(std::string_view(reinterpret_cast<const char*>(data), size));
    read_as_archive(std::span(data, size));
    return 0;
}
