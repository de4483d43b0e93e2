#pragma once
// The document view of a document run from the command line: it shows nothing, counts the
// beeps, each of which is a request the document refused, and keeps the reason given last.
#include <string>

#include "cli/commands.h"
#include "document/document_view.h"

namespace kelvara::cli {

class RefusalCounter : public NullDocumentView {
public:
    int beeps = 0;
    std::string last_refusal;
    void beep() override { ++beeps; }
    void show_refusal(const std::string& message) override { last_refusal = message; }

    // Throws UsageError (exit code 2) with the document's reason, prefixed by `what`
    // ("--base: "), when a beep came after `beeps_before`.
    void require_no_refusal_since(int beeps_before, const std::string& what) const {
        if (beeps == beeps_before) return;
        throw UsageError(what + (last_refusal.empty() ? "refused" : last_refusal));
    }
};

}  // namespace kelvara::cli
