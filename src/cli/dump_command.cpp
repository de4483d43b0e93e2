// `kelvara-cli dump FILE`: every stored field of a document file as JSON. Floats are written
// with the fewest digits that read back to the same value: 32-bit fields as floats, the
// 64-bit fields (base frequency, step size, a custom timbre's partials as [ratio, amplitude]
// pairs) as doubles; beside the scale ratios, what each row's Ratio cell shows.
#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>

#include "cli/commands.h"
#include "cli/document_file_arguments.h"
#include "engine/prominence_threshold.h"
#include "scales/ratio_form.h"

namespace kelvara::cli {
namespace {

template <typename Number>
std::string shortest(Number value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

template <typename Number>
std::string json_list(const std::vector<Number>& values) {
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i) out += (i ? ", " : "") + shortest(values[i]);
    return out + "]";
}

std::string json_bool(bool value) {
    return value ? "true" : "false";
}

std::string json_chords(const std::map<int32_t, std::vector<float>>& chords) {
    std::string out = "{";
    bool first = true;
    for (const auto& [key, frequencies] : chords) {
        out += (first ? "\"" : ", \"") + std::to_string(key) + "\": " + json_list(frequencies);
        first = false;
    }
    return out + "}";
}

std::string json_partials(const std::vector<Partial>& partials) {
    std::string out = "[";
    for (size_t i = 0; i < partials.size(); ++i)
        out += (i ? ", [" : "[") + shortest(partials[i].ratio) + ", " +
               shortest(partials[i].amplitude) + "]";
    return out + "]";
}

// A JSON string: quotes, backslashes and control characters escaped.
std::string json_text(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// What each row's Ratio cell shows: the form it was given in, p/q, or the float.
std::string json_scale_texts(const DocumentFileState& s) {
    std::string out = "[";
    for (size_t row = 0; row < s.scale_ratios.size(); ++row) {
        const auto form = s.scale_ratio_forms.find(static_cast<int32_t>(row));
        out += (row ? ", " : "") +
               json_text(ratio_display_text(s.scale_ratios[row],
                                            form == s.scale_ratio_forms.end() ? "" : form->second));
    }
    return out + "]";
}

std::string json_of(const DocumentFileState& s) {
    const std::vector<std::pair<const char*, std::string>> fields = {
        {"version", std::to_string(s.version)},
        {"scale_ratios", json_list(s.scale_ratios)},
        {"scale_ratio_texts", json_scale_texts(s)},
        {"scale_description", json_text(s.scale_description)},
        {"overtone_type", std::to_string(s.overtone_type)},
        {"dissonance_ratios", json_list(s.dissonance_ratios)},
        {"base_frequency", shortest(s.base_frequency)},
        {"x_min", shortest(s.x_min)},
        {"x_max", shortest(s.x_max)},
        {"y_min", shortest(s.y_min)},
        {"y_max", shortest(s.y_max)},
        {"plot_justs", json_bool(s.plot_justs)},
        {"plot_selected_ratio", json_bool(s.plot_selected_ratio)},
        {"plot_dy", json_bool(s.plot_slope)},
        {"step_size", shortest(s.step_size)},
        {"number_of_overtones", std::to_string(s.number_of_overtones)},
        {"custom_partials", json_partials(s.custom_partials)},
        {"roughness_model", "\"" + std::string(roughness_model_name(s.roughness_model)) + "\""},
        {"volume", std::to_string(s.volume)},
        {"midi_keys", json_list(s.midi_note_numbers)},
        {"chords", json_chords(s.chords)},
        {"pitch_true", json_bool(s.pitch_true)},
        {"cents_axis", json_bool(s.graph.axis == RatioAxis::Cents)},
        {"plot_scale_steps", json_bool(s.graph.scale_steps)},
        {"min_prominence", "\"" + prominence_threshold_text(s.graph.prominence) + "\""},
        {"just_tolerance", shortest(s.graph.just_tolerance_cents)},
        {"just_odd_limit", std::to_string(s.graph.just_odd_limit)},
    };
    std::string out = "{\n";
    for (size_t i = 0; i < fields.size(); ++i)
        out += "  \"" + std::string(fields[i].first) + "\": " + fields[i].second +
               (i + 1 < fields.size() ? ",\n" : "\n");
    return out + "}\n";
}

}  // namespace

void add_dump_command(CLI::App& app) {
    auto path = std::make_shared<std::string>();
    CLI::App* command =
        app.add_subcommand("dump", "Print every stored field of a document as JSON");
    command->add_option("file", *path, "The document to read")->required();
    command->callback([path] { std::fputs(json_of(read_document_state(*path)).c_str(), stdout); });
}

}  // namespace kelvara::cli
