#include "persistence/anamark_tuning_file.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace kelvara {
namespace {

std::string line(const char* format, auto... values) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, format, values...);
    return std::string(buffer) + "\r\n";
}

std::string quoted_text(std::string_view text) {
    std::string kept;
    for (const char c : text) kept += (c == '"' || c == '\r' || c == '\n') ? ' ' : c;
    return kept;
}

double cents_of_key(const KeyFrequencies& keys, size_t key) {
    const std::optional<double>& hz = keys[key];
    if (!hz || !(*hz > 0.0) || !std::isfinite(*hz)) return 100.0 * static_cast<double>(key);
    return 1200.0 * std::log2(*hz / kAnaMarkBaseFrequencyHz);
}

}  // namespace

std::string write_anamark_tuning(std::string_view name, const KeyFrequencies& keys) {
    const std::string title = quoted_text(name);
    std::string text = "; AnaMark tuning file written by Kelvara\r\n\r\n";
    text += "[Scale Begin]\r\n";
    text += "Format = \"AnaMark-TUN\"\r\n";
    text += "FormatVersion = 200\r\n";
    text += "FormatSpecs = \"http://www.mark-henning.de/eternity/tuningspecs.html\"\r\n\r\n";
    text += "[Info]\r\n";
    text += "Name = \"" + title + "\"\r\n";
    text += "ID = \"" + title + "\"\r\n\r\n";
    text += "[Tuning]\r\n";
    for (size_t key = 0; key < keys.size(); ++key)
        text += line("note %zu = %lld", key, std::llround(cents_of_key(keys, key)));
    text += "\r\n[Exact Tuning]\r\n";
    text += line("BaseFreq = %.10f", kAnaMarkBaseFrequencyHz);
    for (size_t key = 0; key < keys.size(); ++key)
        text += line("note %zu = %.6f", key, cents_of_key(keys, key));
    text += "\r\n[Scale End]\r\n";
    return text;
}

}  // namespace kelvara
