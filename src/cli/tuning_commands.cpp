// `kelvara-cli scl export|import`, `kelvara-cli tun export`, `kelvara-cli mts export|send` and
// `kelvara-cli keymap`: a saved document's scale table as tuning files for other instruments
// (Scala, AnaMark) or as a tuning dump sent to a synthesizer over MIDI, a scale file into the
// table, and the scale laid on the keys of the chord map. Commands that change the document save it
// back in place.
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/document_file_arguments.h"
#include "cli/midi_client_option.h"
#include "document/document.h"
#include "document/document_io.h"
#include "midi/midi_output.h"
#include "persistence/atomic_file.h"
#include "persistence/keyboard_mapping_file.h"
#include "persistence/scala_scale_file.h"

namespace kelvara::cli {
namespace {

struct TuningOptions {
    std::string document;
    std::string scale_path;
    std::string output;  // the .kbm of scl export, the .syx of mts export
    std::string period;
    std::string rows;  // "1-13,15": the table rows, from 1, that form one period
    int32_t reference_key = kDefaultReferenceKey;
    bool add = false;
    // mts send: the destination and the MIDI system.
    std::string port;
    std::string system;
};

// How long `mts send` waits for the dump to leave: a hardware MIDI cable carries 408 bytes
// in 0.13 s, a JACK cycle takes milliseconds.
constexpr std::chrono::seconds kSendWait{5};

// A failure to read a tuning file or to use a document's table: the error's texts, as a
// document file that cannot be read is reported.
[[noreturn]] void fail(Error error) {
    throw DocumentFileFailure(std::move(error));
}

TuningChoice choice_of(const TuningOptions& options) {
    TuningChoice choice;
    choice.reference_key = options.reference_key;
    if (!options.rows.empty()) {
        const std::optional<std::vector<int32_t>> rows = table_rows_from_text(options.rows);
        if (!rows)
            throw UsageError("--rows takes row numbers from 1 and ranges such as 1-13,15, not '" +
                             options.rows + "'");
        choice.rows = *rows;
    }
    if (!options.period.empty()) {
        choice.period = ratio_from_text(options.period);
        if (!choice.period)
            throw UsageError("--period must be a ratio such as 2, 3/2 or 1.5, not '" +
                             options.period + "'");
    }
    return choice;
}

void write(const std::string& path, std::string_view bytes) {
    if (const Result<void> written = write_file_atomically(path, bytes); !written)
        fail(written.error());
}

// The tuning of a saved document's scale table, with a note on stderr for table entries
// that do not repeat by the period (the files cannot hold them).
ScaleTuning tuning_of(const TuningOptions& options) {
    Document doc;
    read_document(options.document, doc);
    const std::string name = std::filesystem::path(options.document).stem().string();
    Result<ScaleTuning> tuning = doc.scale_tuning(choice_of(options), name);
    if (!tuning) fail(tuning.error());
    if (tuning->entries_not_repeating > 0)
        std::fprintf(stderr,
                     "kelvara-cli: note: ratios of the table that are not steps of the period "
                     "are left out: %d\n",
                     tuning->entries_not_repeating);
    return std::move(*tuning);
}

void export_scale(const TuningOptions& options) {
    const ScaleTuning tuning = tuning_of(options);
    write(options.scale_path, scale_file_text(tuning));
    if (!options.output.empty()) write(options.output, keyboard_mapping_file_text(tuning));
}

void export_tun_file(const TuningOptions& options) {
    write(options.output, tun_file_text(tuning_of(options)));
}

void export_tuning_dump(const TuningOptions& options) {
    const auto dump = tuning_dump(tuning_of(options));
    write(options.output,
          std::string_view(reinterpret_cast<const char*>(dump.data()), dump.size()));
}

// The dump goes out through a client of its own; the command ends once it has left.
void send_tuning_dump(const TuningOptions& options) {
    const auto dump = tuning_dump(tuning_of(options));
    midi::MidiOutput output(open_cli_midi_output_client(options.system));
    const std::optional<size_t> index = output.find_destination(options.port);
    if (!index)
        throw UsageError("no MIDI destination named '" + options.port +
                         "' (MIDI system: " + output.system_name() +
                         "; kelvara-cli midi-destinations lists them, and a name that several "
                         "share needs its address)");
    const std::string title = output.destination_titles()[*index];
    if (!output.connect_destination(*index))
        throw UsageError("the MIDI destination '" + title + "' cannot be connected");
    if (!output.send(dump) || !output.wait_until_sent(kSendWait) || output.dropped_messages() > 0)
        throw UsageError("the tuning dump could not be sent to '" + title + "'");
    std::printf("sent the tuning dump (%zu bytes) to %s\n", dump.size(), title.c_str());
}

void save(const std::string& path, const Document& doc) {
    if (const Result<void> saved = save_document_file(path, doc); !saved) fail(saved.error());
}

void import_scale(const TuningOptions& options) {
    Result<ScalaScale> scale = read_scala_scale_file(options.scale_path);
    if (!scale) fail(scale.error());
    std::optional<KeyboardMapping> mapping;
    if (!options.output.empty()) {
        Result<KeyboardMapping> read = read_keyboard_mapping_file(options.output);
        if (!read) fail(read.error());
        mapping = std::move(*read);
    }
    Document doc;
    read_document(options.document, doc);
    const Result<void> imported = doc.tuning_actions().import_scale(
        *scale, options.add ? ScaleImportMode::Add : ScaleImportMode::Replace, mapping);
    if (!imported) fail(imported.error());
    save(options.document, doc);
    std::printf("%d ratios in the scale table\n", doc.row_count(DocumentTable::ScaleRatios));
}

void map_keys(const TuningOptions& options) {
    Document doc;
    read_document(options.document, doc);
    const Result<int32_t> filled = doc.tuning_actions().map_scale_to_keys(choice_of(options));
    if (!filled) fail(filled.error());
    save(options.document, doc);
    std::printf("%d keys mapped from key %d\n", *filled, options.reference_key);
}

void add_tuning_options(CLI::App& command, TuningOptions& options) {
    command.add_option("--period", options.period,
                       "The ratio the scale repeats by (default 2/1 when the table reaches it, "
                       "else its largest ratio)");
    command.add_option("--rows", options.rows,
                       "The rows of the scale table (from 1, such as 1-13) that form one "
                       "period (default: the whole table)");
    command
        .add_option("--reference-key", options.reference_key,
                    "The MIDI key that sounds the base frequency (default 60)")
        ->check(CLI::Range(kLowestMidiKey, kHighestMidiKey));
}

}  // namespace

void add_tuning_commands(CLI::App& app) {
    CLI::App* scl = app.add_subcommand("scl", "Scala scale files (.scl) and keyboard mappings");
    scl->require_subcommand(1);

    auto exported = std::make_shared<TuningOptions>();
    CLI::App* scl_export = scl->add_subcommand(
        "export", "Write one period of a document's scale table as a scale file");
    scl_export->add_option("FILE", exported->document, "The document (.kelvara)")->required();
    scl_export->add_option("OUT", exported->scale_path, "The scale file to write (.scl)")
        ->required();
    scl_export->add_option("--kbm", exported->output,
                           "Also write the keyboard mapping (.kbm): the base frequency on the "
                           "reference key");
    add_tuning_options(*scl_export, *exported);
    scl_export->callback([exported] { export_scale(*exported); });

    auto imported = std::make_shared<TuningOptions>();
    CLI::App* scl_import = scl->add_subcommand(
        "import", "Read a scale file into a document's scale table, laid out across its x range");
    scl_import->add_option("IN", imported->scale_path, "The scale file (.scl)")->required();
    scl_import->add_option("FILE", imported->document, "The document to change (.kelvara)")
        ->required();
    scl_import->add_option("--kbm", imported->output,
                           "A keyboard mapping (.kbm) that sets the base frequency");
    scl_import->add_flag("--add", imported->add,
                         "Add to the table (skipping values in it) instead of replacing it");
    scl_import->callback([imported] { import_scale(*imported); });

    CLI::App* tun = app.add_subcommand("tun", "AnaMark tuning files (.tun)");
    tun->require_subcommand(1);
    auto tuned = std::make_shared<TuningOptions>();
    CLI::App* tun_export = tun->add_subcommand(
        "export",
        "Write the AnaMark tuning file (.tun, version 2) of a document's scale on the keys: "
        "all 128 keys in cents above 8.1757989156 Hz");
    tun_export->add_option("FILE", tuned->document, "The document (.kelvara)")->required();
    tun_export->add_option("OUT", tuned->output, "The tuning file to write (.tun)")->required();
    add_tuning_options(*tun_export, *tuned);
    tun_export->callback([tuned] { export_tun_file(*tuned); });

    CLI::App* mts = app.add_subcommand("mts", "MIDI Tuning Standard messages");
    mts->require_subcommand(1);
    auto dumped = std::make_shared<TuningOptions>();
    CLI::App* mts_export = mts->add_subcommand(
        "export", "Write the bulk tuning dump (.syx, 408 bytes) of a document's scale on the keys");
    mts_export->add_option("FILE", dumped->document, "The document (.kelvara)")->required();
    mts_export->add_option("OUT", dumped->output, "The dump to write (.syx)")->required();
    add_tuning_options(*mts_export, *dumped);
    mts_export->callback([dumped] { export_tuning_dump(*dumped); });

    auto sent = std::make_shared<TuningOptions>();
    CLI::App* mts_send = mts->add_subcommand(
        "send",
        "Send the bulk tuning dump of a document's scale on the keys to a MIDI destination");
    mts_send->add_option("FILE", sent->document, "The document (.kelvara)")->required();
    mts_send
        ->add_option("--port", sent->port,
                     "The destination: its title or address as midi-destinations lists them")
        ->required();
    add_midi_system_option(*mts_send, sent->system);
    add_tuning_options(*mts_send, *sent);
    mts_send->callback([sent] { send_tuning_dump(*sent); });

    auto keys = std::make_shared<TuningOptions>();
    CLI::App* keymap = app.add_subcommand(
        "keymap", "Map the scale to keys: each key from the reference key plays the next step");
    keymap->add_option("FILE", keys->document, "The document to change (.kelvara)")->required();
    add_tuning_options(*keymap, *keys);
    keymap->callback([keys] { map_keys(*keys); });
}

}  // namespace kelvara::cli
