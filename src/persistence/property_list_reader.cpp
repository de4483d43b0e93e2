// Parsing old-style property-list text. A recursive-descent reader over a string_view: every
// byte is read through peek()/next(), which check the end, so no path reads past the input.
#include <charconv>
#include <cstring>
#include <limits>

#include "persistence/property_list.h"

namespace kelvara::plist {

SyntaxError::SyntaxError(const std::string& message, size_t offset, size_t line, size_t column)
    : std::runtime_error("line " + std::to_string(line) + ", column " + std::to_string(column) +
                         " (byte " + std::to_string(offset) + "): " + message),
      message_(message),
      offset_(offset),
      line_(line),
      column_(column) {}

const Value* find(const Dictionary& dictionary, std::string_view key) {
    for (auto it = dictionary.rbegin(); it != dictionary.rend(); ++it)
        if (it->first == key) return &it->second;
    return nullptr;
}

namespace {

bool is_unquoted_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::strchr("_$+/:.-", c) != nullptr;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    Value parse_document() {
        skip_blanks_and_comments();
        Value value = parse_value(0);
        skip_blanks_and_comments();
        if (!at_end()) fail("unexpected text after the value");
        return value;
    }

private:
    bool at_end() const { return pos_ >= text_.size(); }
    char peek() const { return at_end() ? '\0' : text_[pos_]; }
    char peek_at(size_t ahead) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }
    char next() {
        if (at_end()) fail("unexpected end of text");
        return text_[pos_++];
    }

    [[noreturn]] void fail(const std::string& message) const { fail_at(pos_, message); }
    [[noreturn]] void fail_at(size_t offset, const std::string& message) const {
        size_t line = 1, column = 1;
        for (size_t i = 0; i < offset && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        throw SyntaxError(message, offset, line, column);
    }

    void skip_blanks_and_comments() {
        while (!at_end()) {
            if (is_blank(peek())) {
                ++pos_;
            } else if (peek() == '/' && peek_at(1) == '/') {
                while (!at_end() && peek() != '\n' && peek() != '\r') ++pos_;
            } else if (peek() == '/' && peek_at(1) == '*') {
                const size_t start = pos_;
                const size_t end = text_.find("*/", pos_ + 2);
                if (end == std::string_view::npos) fail_at(start, "unterminated comment");
                pos_ = end + 2;
            } else {
                return;
            }
        }
    }

    void expect(char wanted, const char* what) {
        skip_blanks_and_comments();
        if (peek() != wanted) fail(std::string("expected ") + what);
        ++pos_;
    }

    Value parse_value(int depth) {
        if (depth >= kMaxNestingDepth) fail("nesting too deep");
        skip_blanks_and_comments();
        if (at_end()) fail("expected a value, found the end of the text");
        switch (peek()) {
            case '{': return parse_dictionary(depth);
            case '(': return parse_array(depth);
            case '<': return peek_at(1) == '*' ? parse_typed_scalar() : Value(parse_data());
            case '"':
            case '\'': return parse_quoted_string();
            default:
                if (is_unquoted_char(peek())) return parse_unquoted_string();
                fail(std::string("unexpected character '") + peek() + "'");
        }
    }

    std::string parse_key() {
        skip_blanks_and_comments();
        if (peek() == '"' || peek() == '\'') return parse_quoted_string();
        if (is_unquoted_char(peek())) return parse_unquoted_string();
        fail("expected a string key");
    }

    Dictionary parse_dictionary(int depth) {
        ++pos_;  // '{'
        Dictionary entries;
        for (;;) {
            skip_blanks_and_comments();
            if (peek() == '}') {
                ++pos_;
                return entries;
            }
            std::string key = parse_key();
            expect('=', "'=' after a key");
            Value value = parse_value(depth + 1);
            expect(';', "';' after a dictionary value");
            entries.emplace_back(std::move(key), std::move(value));
        }
    }

    Array parse_array(int depth) {
        ++pos_;  // '('
        Array elements;
        skip_blanks_and_comments();
        if (peek() == ')') {
            ++pos_;
            return elements;
        }
        for (;;) {
            elements.push_back(parse_value(depth + 1));
            skip_blanks_and_comments();
            const char c = next();
            if (c == ')') return elements;
            if (c != ',') fail_at(pos_ - 1, "expected ',' or ')' in an array");
            // A comma before the closing parenthesis is accepted, as the platform does.
            skip_blanks_and_comments();
            if (peek() == ')') {
                ++pos_;
                return elements;
            }
        }
    }

    Data parse_data() {
        const size_t start = pos_;
        ++pos_;  // '<'
        Data bytes;
        int high = -1;
        for (;;) {
            if (at_end()) fail_at(start, "unterminated data");
            const char c = text_[pos_++];
            if (c == '>') break;
            if (is_blank(c)) continue;
            const int digit = hex_value(c);
            if (digit < 0)
                fail_at(pos_ - 1, "a data value holds a character that is not hexadecimal");
            if (high < 0) {
                high = digit;
            } else {
                bytes.push_back(static_cast<uint8_t>(high * 16 + digit));
                high = -1;
            }
        }
        if (high >= 0) fail_at(start, "a data value has an odd number of hexadecimal digits");
        return bytes;
    }

    // <*I12>, <*R1.5>, <*BY>, <*BN>
    Value parse_typed_scalar() {
        const size_t start = pos_;
        pos_ += 2;  // "<*"
        const size_t close = text_.find('>', pos_);
        if (close == std::string_view::npos) fail_at(start, "unterminated typed value");
        if (close == pos_) fail_at(start, "typed value without a type letter");
        const char kind = next();
        const std::string_view body = text_.substr(pos_, close - pos_);
        pos_ = close + 1;
        const char* first = body.data();
        const char* last = body.data() + body.size();
        if (kind == 'I') {
            int64_t v = 0;
            const auto [end, ec] = std::from_chars(first, last, v);
            if (ec != std::errc() || end != last) fail_at(start, "malformed <*I> integer");
            return Integer{v};
        }
        if (kind == 'R') {
            double v = 0;
            const auto [end, ec] = std::from_chars(first, last, v);
            if (ec != std::errc() || end != last) fail_at(start, "malformed <*R> real number");
            return Real{v};
        }
        if (kind == 'B' && (body == "Y" || body == "N")) return Boolean{body == "Y"};
        fail_at(start, "unknown typed value");
    }

    std::string parse_unquoted_string() {
        const size_t start = pos_;
        while (!at_end() && is_unquoted_char(peek())) ++pos_;
        return std::string(text_.substr(start, pos_ - start));
    }

    std::string parse_quoted_string() {
        const size_t start = pos_;
        const char quote = next();
        std::string out;
        for (;;) {
            if (at_end()) fail_at(start, "unterminated quoted string");
            const char c = text_[pos_++];
            if (c == quote) return out;
            if (c == '\\') {
                append_escape(out);
            } else {
                out.push_back(c);
            }
        }
    }

    void append_escape(std::string& out) {
        const size_t start = pos_ - 1;
        if (at_end()) fail_at(start, "unterminated escape");
        const char c = text_[pos_++];
        switch (c) {
            case 'a': out.push_back('\a'); return;
            case 'b': out.push_back('\b'); return;
            case 'f': out.push_back('\f'); return;
            case 'n': out.push_back('\n'); return;
            case 'r': out.push_back('\r'); return;
            case 't': out.push_back('\t'); return;
            case 'v': out.push_back('\v'); return;
            case 'U':
            case 'u': append_utf8(out, read_hex_digits(4, start)); return;
            default: break;
        }
        if (c >= '0' && c <= '7') {
            // Up to three octal digits: one byte.
            int value = c - '0';
            for (int i = 0; i < 2 && peek() >= '0' && peek() <= '7'; ++i)
                value = value * 8 + (next() - '0');
            if (value > 0xff) fail_at(start, "octal escape out of range");
            out.push_back(static_cast<char>(value));
            return;
        }
        out.push_back(c);  // \" \\ \' and any other character stand for themselves
    }

    uint32_t read_hex_digits(int count, size_t escape_start) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            const int digit = hex_value(peek());
            if (digit < 0) fail_at(escape_start, "\\U escape needs four hexadecimal digits");
            ++pos_;
            value = value * 16 + static_cast<uint32_t>(digit);
        }
        return value;
    }

    static void append_utf8(std::string& out, uint32_t code) {
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xc0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
        } else {
            out.push_back(static_cast<char>(0xe0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3f)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3f)));
        }
    }

    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace

Value parse(std::string_view text) {
    return Reader(text).parse_document();
}

}  // namespace kelvara::plist
