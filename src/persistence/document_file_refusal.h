#pragma once
// How the decoder and the validator of a document file refuse it: they throw a
// FileRefusal, which decode_document_state and validate_document_state turn into the
// Error they return. Nothing outside those two sees it.
#include <string>
#include <string_view>

#include "base/error.h"

namespace kelvara {

struct FileRefusal {
    std::string why;
    ErrorLocation where;
};

// Refuses the file because of the entry under `key`.
[[noreturn]] inline void refuse_entry(std::string_view key, std::string why) {
    ErrorLocation where;
    where.field = std::string(key);
    throw FileRefusal{std::move(why), std::move(where)};
}

}  // namespace kelvara
