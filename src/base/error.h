#pragma once
// The one shape of a refusal. Whatever a person can be refused (a document file that cannot
// be read or written, a sound bank that does not load) comes back as an Error: what failed,
// why in the user's words, and what exactly was wrong where, as the reader found it, so that
// the dialog and kelvara-cli can show it. A function that can be refused returns Result<T>,
// a value or an Error. Nothing here is logged or thrown; the caller decides how to show it.
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace kelvara {

// Where in its input a refusal was found; every part may be absent. Lines and columns count
// from 1, as an editor shows them; the offset is in bytes from the start.
struct ErrorLocation {
    std::string file;
    std::optional<size_t> line;
    std::optional<size_t> column;
    std::optional<size_t> offset;
    // The entry or value the refusal is about (a file key, a field).
    std::string field;

    bool empty() const;
    // "notes.kelvara, line 3, column 7 (byte 40)", "\"Kelvara step size\"", or empty.
    std::string text() const;

    friend bool operator==(const ErrorLocation&, const ErrorLocation&) = default;
};

enum class ErrorKind {
    Refused,  // the content (a file's text, a bank) was read and refused
    System,   // the operating system refused; `code` is its errno value
};

struct Error {
    ErrorKind kind = ErrorKind::Refused;
    int code = 0;  // the errno value of a System error, 0 otherwise
    // What failed, one sentence: the heading a dialog shows.
    std::string description;
    // Why, or what to do about it, in the user's words; may be empty.
    std::string reason;
    // What exactly was wrong, as the reader found it ("not above zero"); may be empty.
    std::string detail;
    ErrorLocation where;

    // The detail after its place: "\"Kelvara step size\": not above zero",
    // "line 2, column 7 (byte 31): expected a value". Empty without a detail.
    std::string located_detail() const;
    // What a dialog shows under the heading: the reason, then the located detail, each on
    // its own line when present.
    std::string explanation() const;

    friend bool operator==(const Error&, const Error&) = default;
};

// A request refused for a reason the person can act on: `message` (the description) is the
// one sentence an editor shows, e.g. "Overtones must be 1–128.".
Error refusal(std::string message);

// The operating system refused an operation on a file: `description` says which, the reason
// is the system's text for `errno_value`.
Error system_error(int errno_value, std::string description, std::string file = {});

// A value or the Error that refused it. Test it before taking the value:
//
//     Result<std::string> text = read_whole_file(path, kLimit);
//     if (!text) return text.error();
//     use(*text);
template <typename T>
class [[nodiscard]] Result {
public:
    Result(T value) : content_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : content_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return content_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(content_); }
    const T& value() const& { return std::get<0>(content_); }
    T&& value() && { return std::get<0>(std::move(content_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Error& error() const { return std::get<1>(content_); }

private:
    std::variant<T, Error> content_;
};

// Success, or the Error that refused the operation.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Error error) : error_(std::move(error)) {}

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return *error_; }

private:
    std::optional<Error> error_;
};

}  // namespace kelvara
