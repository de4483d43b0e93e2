#pragma once
// The errors a document file operation reports: a small value, as the window shows it to the
// user (domain, code and the two user-facing texts). Nothing here is logged or thrown; the
// caller decides how to present it.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace kelvara {

// The one document type a Kelvara document writes and reads.
inline constexpr std::string_view kDocumentTypeName = "Palvern Kelvara Document";

inline constexpr std::string_view kKelvaraErrorDomain = "KelvaraErrorDomain";
// The domain of the wrong-type error (status code -4: the operation is not supported).
inline constexpr std::string_view kOSStatusErrorDomain = "NSOSStatusErrorDomain";
// Operating-system failures of reading or writing a file; the code is the errno value.
inline constexpr std::string_view kPOSIXErrorDomain = "NSPOSIXErrorDomain";

inline constexpr int32_t kUnknownReadErrorCode = 1;
inline constexpr int32_t kUnsupportedTypeStatus = -4;

// The keys of the "ErrorStrings" table for the unknown-read error. The keys are the English
// texts themselves, so a missing translation shows the key.
inline constexpr std::string_view kUnknownReadDescriptionKey =
    "Kelvara document data could not be read for an unknown reason.";
inline constexpr std::string_view kUnknownReadReasonKey = "An unknown error occured.";

struct DocumentError {
    std::string domain;
    int32_t code = 0;
    // The localized description and failure reason; both empty for an error without user
    // information (the wrong-type error).
    std::string description;
    std::string reason;

    friend bool operator==(const DocumentError&, const DocumentError&) = default;
};

// The application's "ErrorStrings" string table: key -> translated text. Looking up a key
// that has no text gives the key itself (the table's default value is the empty string,
// which means "show the key").
class ErrorStrings {
public:
    ErrorStrings() = default;
    explicit ErrorStrings(std::map<std::string, std::string, std::less<>> texts)
        : _texts(std::move(texts)) {}
    std::string text_for(std::string_view key) const;

private:
    std::map<std::string, std::string, std::less<>> _texts;
};

// "KelvaraErrorDomain" code 1, with its two texts looked up in `strings`.
DocumentError unknown_read_error(const ErrorStrings& strings = {});
// NSOSStatusErrorDomain code -4, no user information: a type name other than
// kDocumentTypeName.
DocumentError unsupported_type_error();
// NSPOSIXErrorDomain with the errno value; `description` says what failed, the reason is the
// system's text for the errno value.
DocumentError posix_error(int errno_value, std::string description);

}  // namespace kelvara
