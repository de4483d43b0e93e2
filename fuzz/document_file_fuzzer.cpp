// Feeds arbitrary bytes to the document's file hook and to the archive decoder. Beyond "no
// crash, no sanitizer report", it checks the promises of a read: a refused file leaves the
// document exactly as it was, an accepted one saves and reads back to the same state, and a
// decoded archive re-encodes to an archive of the same content.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "base/error.h"
#include "document/document.h"
#include "persistence/document_file.h"
#include "persistence/typed_stream.h"

namespace {

void check(bool promise) {
    if (!promise) __builtin_trap();
}

void read_as_document(std::string_view text) {
    kelvara::KelvaraDocument doc;
    const kelvara::DocumentFileState before = doc.file_state();
    kelvara::DocumentError error;
    if (!doc.setStateFromData(text, &error)) {
        check(error == kelvara::unknown_read_error());
        check(doc.file_state() == before);
        return;
    }
    kelvara::KelvaraDocument again;
    check(again.setStateFromData(doc.saveStateToData(), nullptr));
    check(again.file_state() == doc.file_state());
    // Sampling the curve must stay inside the arrays the file sized (kept to small
    // documents so that each input runs in milliseconds).
    if (doc.max_number_of_points() <= 1000 && doc.number_of_overtones() <= 8)
        doc.windowControllerDidLoadNib();
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
