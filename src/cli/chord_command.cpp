// `kelvara-cli chord-parse` and `kelvara-cli chord-map`: chord text as the chord table reads
// it, and the chord map's actions on a new document.
#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/refusal_counter.h"
#include "document/document.h"
#include "scales/chord_text.h"
#include "scales/decimal_text.h"

namespace kelvara::cli {
namespace {

Chord parsed_chord(const std::string& text) {
    Result<Chord> chord = parse_chord(text);
    if (!chord) throw UsageError(chord.error().description);
    return std::move(*chord);
}

// The selected row that a delete action reads.
class ChordRowSelection final : public RefusalCounter {
public:
    std::optional<int32_t> row;
    std::optional<int32_t> selected_row(DocumentTable table) const override {
        return table == DocumentTable::MappedChords ? row : std::nullopt;
    }
};

struct ChordMapOptions {
    float base = 440.0f;
    std::vector<float> ratios{1.0f};
    std::vector<std::string> actions;
};

// The row number that follows "name:" in an action.
int32_t row_argument(const std::string& action, size_t from) {
    const std::string_view rest = std::string_view(action).substr(from);
    if (rest.empty() || read_leading_number(rest).length == 0)
        throw UsageError("action '" + action + "' needs a row number");
    return leading_integer_value(rest);
}

void apply_action(Document& doc, ChordRowSelection& selection, const std::string& action) {
    const size_t colon = action.find(':');
    const std::string name = action.substr(0, colon);
    const int beeps = selection.beeps;
    if (name == "add") {
        doc.table_actions().chord_action(ChordAction::AddAtFreeKey);
    } else if (name == "copy") {
        doc.table_actions().chord_action(ChordAction::CopyFixedTones);
    } else if (name == "delete" && colon != std::string::npos) {
        selection.row = row_argument(action, colon + 1);
        doc.table_actions().chord_action(ChordAction::DeleteSelected);
    } else if ((name == "rekey" || name == "set") && colon != std::string::npos) {
        const size_t second = action.find(':', colon + 1);
        if (second == std::string::npos)
            throw UsageError("action '" + action + "' needs ROW:VALUE");
        const int32_t row = row_argument(action, colon + 1);
        const std::string value = action.substr(second + 1);
        if (name == "rekey") {
            const std::optional<float> key = parse_number_text(value);
            if (!key || std::trunc(*key) != *key)
                throw UsageError("action '" + action + "': the key is not a whole number");
            doc.table_actions().edit_cell(DocumentTable::MappedChords, TableColumn::MidiNote, row,
                                          *key);
        } else {
            doc.table_actions().edit_cell(DocumentTable::MappedChords, TableColumn::ChordString,
                                          row, parsed_chord(value));
        }
    } else {
        throw UsageError("unknown chord-map action '" + action + "'");
    }
    selection.require_no_refusal_since(beeps, "action '" + action + "': ");
}

void run_chord_map(const ChordMapOptions& options) {
    Document doc;
    ChordRowSelection selection;
    doc.attach_views(selection);
    doc.curve_actions().set_base_frequency(options.base);
    selection.require_no_refusal_since(0, "--base: ");
    doc.table_actions().set_fixed_tones(options.ratios);
    selection.require_no_refusal_since(0, "--ratios: ");
    for (const std::string& action : options.actions) apply_action(doc, selection, action);
    for (const int32_t key : doc.chords().map().midi_note_numbers())
        std::printf("%d: %s\n", key, chord_text(*doc.chords().map().chord_for_key(key)).c_str());
}

}  // namespace

void add_chord_commands(CLI::App& app) {
    auto text = std::make_shared<std::string>();
    CLI::App* parse = app.add_subcommand(
        "chord-parse", "Read a chord as the chord table does and print it normalised");
    parse
        ->add_option("TEXT", *text, "Frequencies separated by any of , | : ; / \\ - _ space or tab")
        ->required();
    parse->callback([text] { std::printf("%s\n", chord_text(parsed_chord(*text)).c_str()); });

    auto options = std::make_shared<ChordMapOptions>();
    CLI::App* map = app.add_subcommand(
        "chord-map", "Run chord-map actions on a new document and print \"key: chord\" rows");
    map->add_option("--base", options->base, "Base frequency in Hz (for copy)");
    map->add_option("--ratios", options->ratios, "Fixed-tone ratios, comma separated (for copy)")
        ->delimiter(',')
        ->allow_extra_args(false);
    map->add_option("ACTION", options->actions,
                    "add | copy | delete:ROW | rekey:ROW:KEY | set:ROW:CHORD");
    map->callback([options] { run_chord_map(*options); });
}

}  // namespace kelvara::cli
