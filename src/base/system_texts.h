#pragma once
// The system's own texts, looked up by key in one table. A key without an entry stands for
// itself, so a text that was never translated shows its key.
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace kelvara {

// The text shown for `key` in the system's language; `key` itself when the table has none.
std::string_view localized_string(std::string_view key);

// The application's "ErrorStrings" string table: key -> translated text. Looking up a key
// that has no text gives the key itself (the table's default value is the empty string,
// which means "show the key").
class ErrorStrings {
public:
    ErrorStrings() = default;
    explicit ErrorStrings(std::map<std::string, std::string, std::less<>> texts)
        : texts_(std::move(texts)) {}
    std::string text_for(std::string_view key) const;

private:
    std::map<std::string, std::string, std::less<>> texts_;
};

}  // namespace kelvara
