// AnaMark tuning files read back by a reader written here from the published format
// (version 2): sections in brackets, "key = value" lines, ';' comments, note 0..127 in cents
// above the base frequency, whole cents in [Tuning] and exact ones in [Exact Tuning].
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>

#include "persistence/anamark_tuning_file.h"

namespace kelvara {
namespace {

using Sections = std::map<std::string, std::map<std::string, std::string>>;

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

Sections read_tun(const std::string& text) {
    Sections sections;
    std::istringstream lines(text);
    std::string line, section;
    while (std::getline(lines, line)) {
        line = trimmed(line.substr(0, line.find(';')));
        if (line.empty()) continue;
        if (line.front() == '[') {
            section = line.substr(1, line.find(']') - 1);
            sections[section];
            continue;
        }
        const size_t equals = line.find('=');
        EXPECT_NE(equals, std::string::npos) << line;
        sections[section][trimmed(line.substr(0, equals))] = trimmed(line.substr(equals + 1));
    }
    return sections;
}

double note_cents(const Sections& file, const std::string& section, int key) {
    return std::stod(file.at(section).at("note " + std::to_string(key)));
}

TEST(AnaMarkTuningFiles, NineteenEqualStepsReadBackWithinAThousandthOfACent) {
    // 19 equal steps to the octave, key 60 at 261.63 Hz; key 127 left without a frequency.
    KeyFrequencies keys;
    for (int key = 0; key < 127; ++key) keys[key] = 261.63 * std::exp2((key - 60) / 19.0);
    const Sections file = read_tun(write_anamark_tuning("19 \"equal\"", keys));

    EXPECT_EQ(file.at("Scale Begin").at("Format"), "\"AnaMark-TUN\"");
    EXPECT_EQ(file.at("Scale Begin").at("FormatVersion"), "200");
    EXPECT_EQ(file.at("Info").at("Name"), "\"19  equal \"");
    const double base = std::stod(file.at("Exact Tuning").at("BaseFreq"));
    EXPECT_NEAR(base, 8.1757989156, 1e-10);
    ASSERT_EQ(file.at("Tuning").size(), 128u);
    ASSERT_EQ(file.at("Exact Tuning").size(), 129u);
    for (int key = 0; key < 127; ++key) {
        const double exact = 1200.0 * std::log2(*keys[key] / base);
        EXPECT_NEAR(note_cents(file, "Exact Tuning", key), exact, 0.001) << key;
        EXPECT_NEAR(note_cents(file, "Tuning", key), exact, 0.5) << key;
        EXPECT_EQ(file.at("Tuning").at("note " + std::to_string(key)).find('.'), std::string::npos);
    }
    // A key without a frequency keeps its equal-tempered pitch.
    EXPECT_EQ(note_cents(file, "Exact Tuning", 127), 12700.0);
    EXPECT_EQ(note_cents(file, "Tuning", 127), 12700.0);
}

}  // namespace
}  // namespace kelvara
