#pragma once
// The document view of a document run from the command line: it shows nothing and counts
// the beeps, each of which is a request the document refused.
#include "document/document_view.h"

namespace kelvara::cli {

class RefusalCounter : public NullDocumentView {
public:
    int beeps = 0;
    void beep() override { ++beeps; }
};

}  // namespace kelvara::cli
