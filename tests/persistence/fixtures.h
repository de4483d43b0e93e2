#pragma once
// Access to the fixtures under tests/persistence/data: archives are kept as hexadecimal text
// (one archive per .hex file), documents as the files themselves.
#include <cctype>
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

// The bytes of hexadecimal text; anything but hexadecimal digits is ignored.
inline std::vector<uint8_t> bytes_from_hex(std::string hex) {
    std::erase_if(hex, [](unsigned char c) { return !std::isxdigit(c); });
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

inline std::vector<uint8_t> archive_fixture(const std::string& name) {
    return bytes_from_hex(read_fixture("archives/" + name + ".hex"));
}

}  // namespace kelvara::testing
