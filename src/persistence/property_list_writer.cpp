// Writing old-style property-list text, laid out as the platform describes a dictionary:
//
// {
//     "Kelvara Document Version" = 2;
//     "Kelvara Volume" = <040b7374 7265616d 74797065 6481e803 ...>;
// }
#include <charconv>
#include <cstdio>

#include "persistence/property_list.h"

namespace kelvara::plist {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr int kBytesPerDataGroup = 4;

bool can_stand_unquoted(const std::string& text) {
    if (text.empty()) return false;
    for (const char c : text) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '_' || c == '$' || c == '+' || c == '/' ||
                           c == ':' || c == '.' || c == '-';
        if (!plain) return false;
    }
    return true;
}

void write_string(std::string& out, const std::string& text) {
    if (can_stand_unquoted(text)) {
        out += text;
        return;
    }
    out.push_back('"');
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            default:
                if (byte < 0x20 || byte == 0x7f) {
                    char octal[5];
                    std::snprintf(octal, sizeof octal, "\\%03o", byte);
                    out += octal;
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
}

void write_data(std::string& out, const Data& bytes) {
    out.push_back('<');
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && i % kBytesPerDataGroup == 0) out.push_back(' ');
        out.push_back(kHexDigits[bytes[i] >> 4]);
        out.push_back(kHexDigits[bytes[i] & 0x0f]);
    }
    out.push_back('>');
}

void indent(std::string& out, int level) {
    out.append(static_cast<size_t>(level) * 4, ' ');
}

void write_value(std::string& out, const Value& value, int level);

void write_dictionary(std::string& out, const Dictionary& entries, int level) {
    out += "{\n";
    for (const auto& [key, value] : entries) {
        indent(out, level + 1);
        write_string(out, key);
        out += " = ";
        write_value(out, value, level + 1);
        out += ";\n";
    }
    indent(out, level);
    out.push_back('}');
}

void write_array(std::string& out, const Array& elements, int level) {
    out += "(\n";
    for (size_t i = 0; i < elements.size(); ++i) {
        indent(out, level + 1);
        write_value(out, elements[i], level + 1);
        out += i + 1 < elements.size() ? ",\n" : "\n";
    }
    indent(out, level);
    out.push_back(')');
}

void write_value(std::string& out, const Value& value, int level) {
    if (const auto* text = value.as<std::string>()) return write_string(out, *text);
    if (const auto* bytes = value.as<Data>()) return write_data(out, *bytes);
    if (const auto* entries = value.as<Dictionary>()) return write_dictionary(out, *entries, level);
    if (const auto* elements = value.as<Array>()) return write_array(out, *elements, level);
    char number[64];
    if (const auto* integer = value.as<Integer>()) {
        const auto end = std::to_chars(number, number + sizeof number, integer->value).ptr;
        out += "<*I" + std::string(number, end) + ">";
    } else if (const auto* real = value.as<Real>()) {
        const auto end = std::to_chars(number, number + sizeof number, real->value).ptr;
        out += "<*R" + std::string(number, end) + ">";
    } else if (const auto* flag = value.as<Boolean>()) {
        out += flag->value ? "<*BY>" : "<*BN>";
    }
}

}  // namespace

std::string write(const Value& value) {
    std::string out;
    write_value(out, value, 0);
    return out;
}

}  // namespace kelvara::plist
