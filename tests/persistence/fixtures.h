#pragma once
// Access to the fixtures under tests/persistence/data: archives are kept as hexadecimal text
// (one archive per .hex file), documents as the files themselves.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvara::testing {

inline std::filesystem::path fixture_path(const std::string& relative) {
    return std::filesystem::path(KELVARA_PERSISTENCE_DATA) / relative;
}

inline size_t files_in(const std::string& folder) {
    return static_cast<size_t>(
        std::distance(std::filesystem::directory_iterator(fixture_path(folder)), {}));
}

inline std::string read_fixture(const std::string& relative) {
    std::ifstream in(fixture_path(relative), std::ios::binary);
    if (!in) throw std::runtime_error("missing fixture " + relative);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

inline std::vector<uint8_t> bytes_from_hex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    std::string digits;
    for (const char c : hex)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits.push_back(c);
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

inline std::vector<uint8_t> archive_fixture(const std::string& name) {
    return bytes_from_hex(read_fixture("archives/" + name + ".hex"));
}

}  // namespace kelvara::testing
