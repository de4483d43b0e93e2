#pragma once
// The curve options `curve` and `minima` share: a saved document (or a new one) with the
// timbre, fixed tones, step and x range given on the command line applied, as the window's
// fields would apply them.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "document/document.h"

namespace CLI {
class App;
}

namespace kelvara::cli {

struct CurveOptions {
    std::optional<std::string> file;
    std::optional<int32_t> type;
    std::optional<int32_t> overtones;
    std::optional<float> base;
    std::optional<std::vector<float>> ratios;
    std::optional<float> x_min;
    std::optional<float> x_max;
    std::optional<float> step;
    std::optional<std::string> partials;  // R:A,R:A,...
    std::optional<std::string> model;     // product or min
};

// Adds FILE (also --file), --type, --overtones, --partials, --model, --base, --ratios,
// --xmin, --xmax, --step;
// `verb` says what is done with the document ("sample", "search").
void add_curve_options(CLI::App& command, CurveOptions& options, const std::string& verb);

// Adds FILE (also --file), --type, --overtones, --partials, --model, --base and --ratios:
// what makes the timbre and its fixed tones.
void add_timbre_and_tone_options(CLI::App& command, CurveOptions& options, const std::string& verb);

// Adds --type: a timbre type's number (0-5) or its name (sine, equal, odd, shaped, inverse,
// geometric, in any case).
void add_type_option(CLI::App& command, std::optional<int32_t>& type);

// Adds --partials and --model (checked to be product or min), as `curve`, `minima` and
// `new` take them.
void add_timbre_options(CLI::App& command, std::optional<std::string>& partials,
                        std::optional<std::string>& model);

// Reads the file, if any, into `document` and applies the options. A value the document
// refuses is a UsageError naming its option; a file that cannot be read a
// DocumentFileFailure. `document` has no views attached afterwards.
void load_curve_document(Document& document, const CurveOptions& options);

}  // namespace kelvara::cli
