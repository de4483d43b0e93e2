// kelvara-cli as a user or a script runs it: what it prints (stdout and stderr together), its
// exit codes, and the files it writes (documents, WAV renders, PNG, SVG and PDF plots). The CliJack
// tests play MIDI into it from a second client of the test services' JACK server.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/synthetic_recording.h"
#include "midi/jack_test_sink.h"
#include "midi/jack_test_source.h"
#include "persistence/document_file.h"
#include "persistence/pitch_bend_messages.h"
#include "sound/default_bank.h"
#include "sound/generated_bank.h"
#include "sound/peak_estimator.h"
#include "support/audio_test_files.h"
#ifdef KELVARA_TEST_PLOT
#include <QImage>
#endif

namespace kelvara {
namespace {

struct CliRun {
    int exit_code = -1;
    std::string out;
};

// Runs a shell command line; `on_line` sees each line as it arrives, so a test can act while
// the command runs.
CliRun run_cli_line(const std::string& command_line,
                    const std::function<void(const std::string&)>& on_line = {}) {
    CliRun run;
    FILE* pipe = popen((command_line + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 4096> line{};
    while (std::fgets(line.data(), line.size(), pipe) != nullptr) {
        run.out += line.data();
        if (on_line) on_line(line.data());
    }
    const int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// Runs `kelvara-cli ARGS` through the shell.
CliRun run_cli(const std::string& args,
               const std::function<void(const std::string&)>& on_line = {}) {
    return run_cli_line(std::string(KELVARA_CLI) + " " + args, on_line);
}

struct Wav {
    int rate = 0;
    int channels = 0;
    std::vector<float> left;
};

// A WAV file's format and left channel; nothing when it cannot be read.
Wav read_wav(const std::string& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) return {};
    std::vector<float> frames(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    Wav wav{info.samplerate, info.channels, {}};
    for (size_t i = 0; i < frames.size(); i += static_cast<size_t>(info.channels))
        wav.left.push_back(frames[i]);
    return wav;
}

// A second of a chord played from MIDI into a real-time recording, from 0.3 s after it first
// sounds (the attack over), wherever in the recording the note arrived; empty when the
// recording holds no such second.
std::vector<float> held_second(const Wav& wav) {
    const auto onset =
        std::find_if(wav.left.begin(), wav.left.end(), [](float x) { return std::abs(x) > 1e-5f; });
    const auto attack = static_cast<std::ptrdiff_t>(wav.rate * 3 / 10);
    if (wav.left.end() - onset < attack + wav.rate) return {};
    return {onset + attack, onset + attack + wav.rate};
}

enum class Match { Equals, Contains, Regex };

// One command line and what it must give. In `args`, {dir} is the test's own folder, {bank}
// a generated two-program bank in it and {data} the document files of the persistence tests.
struct CliCase {
    std::string args;
    int exit_code;
    Match match;
    std::string expected;
    int lines = -1;  // the number of output lines, when it matters
};

// Every error of the arguments is one line on stderr and exit code 2.
CliCase usage_error(const std::string& args, const std::string& text = "kelvara-cli: error: ") {
    return {args, 2, Match::Contains, text, 1};
}

// The table, in groups that run as tests of their own (in parallel); within a group the rows
// run in order, so a row may read a file an earlier one wrote.
using CaseGroups = std::map<std::string, std::vector<CliCase>>;

// A chord of `count` tones of 220 Hz, as an argument.
std::string tones(size_t count) {
    std::string text = "220";
    for (size_t i = 1; i < count; ++i) text += ",220";
    return text;
}

const CaseGroups& case_groups() {
    static const CaseGroups groups = [] {
        CaseGroups g;
        g["CurvesAndBench"] = {
            // The default curve: a header and 201 samples from 1 to 2, each the shortest
            // text that reads back as the same float.
            {"curve", 0, Match::Regex, R"(^x,y\n1,0\.\d+\n1\.005,)", 202},
            {"curve --type equal --xmin 1.1 --xmax 1.2", 0, Match::Contains, "x,y\n1.1,1.18"},
            usage_error("curve --xmin 2 --xmax 1", "(2 to 1 is empty)"),
            // One sample (the range is narrower than a step), with the value of the literal
            // curve.
            {"curve --type 0 --ratios 1 --base 440 --xmin 1.05 --xmax 1.051", 0, Match::Regex,
             R"(^x,y\n1\.05,0\.3569[5-9]\d*\n$)", 2},
            {"curve --step 0.01 --xmin 0.5 --xmax 3.4 --overtones 3 --ratios 1,1.5", 0,
             Match::Contains, "x,y\n0.5,", 292},
            // A bench row: the fast kernel within 1e-5 of the literal one.
            {"bench --case default --min-time 0", 0, Match::Regex,
             R"(^case literal_ms fast_ms ratio max_relative_deviation\ndefault [\d.]+ [\d.]+ )"
             R"([\d.]+ (0|\d(\.\d+)?e-(0[6-9]|[1-9]\d))\n$)"},
            {"bench --case nonesuch --min-time 0", 2, Match::Contains,
             "no benchmark case named nonesuch"},
        };
        // Scales: sorted "ratio cents" rows up to the base.
        g["ScalesAndChords"] = {
            {"scale tet 12 2", 0, Match::Regex,
             R"(^1 0\.000\n([^\n]*\n){6}1\.4983071 700\.000\n([^\n]*\n){16}4 2400\.000\n$)", 25},
            {"scale just", 0, Match::Contains, "\n1.5 701.955\n", 39},
            {"scale harmonic16 2", 0, Match::Regex, R"(\n8 3600\.000\n$)"},
            usage_error("scale tet 12 1.05", "The interval divided must be at least 1.1."),
            usage_error("scale tet 0 2", "Divide the interval into at least 1 step."),
            usage_error("scale tet 100000 2", "more than 10000 ratios"),
            // Generated scales: each degree against just, the step pattern, the MOS sizes.
            {"scale mos --generator 3/2 --size 7 --down 1", 0, Match::Equals,
             "9/8 203.910 9/8 0.000\n81/64 407.820 81/64 0.000\n4/3 498.045 4/3 0.000\n"
             "3/2 701.955 3/2 0.000\n27/16 905.865 27/16 0.000\n"
             "243/128 1109.775 243/128 0.000\n2/1 1200.000 2/1 0.000\nsteps LLsLLLs\n"
             "mos_sizes 2 3 5 7 12 17 29 41 53\n"},
            {"scale mos --generator 696.578c --size 7 --down 1 --mos-up-to 20", 0, Match::Regex,
             R"(^1\.1180\d+ 193\.156 [^\n]*\n1\.2499\d+ 386\.312 5/4 -0\.002\n)"
             R"(1\.3374\d+ 503\.422 4/3 5\.377\n[^$]*\nsteps LLsLLLs\nmos_sizes 2 3 5 7 12 19\n$)"},
            {"scale harmonics 8 16", 0, Match::Contains, "\n11/8 551.318 11/8 0.000\n", 9},
            usage_error("scale mos --generator 4/1 --size 2", "repeats a pitch"),
            usage_error("scale mos --generator fifth", "is not an interval above 0"),
            usage_error("scale harmonics 8 8", "A harmonic segment runs from"),
            // Chords as the chord table reads them.
            {"chord-parse '220 / 275;330'", 0, Match::Equals, "220,275,330\n"},
            usage_error("chord-parse '220,,330'", "\u2018,\u2019 at position 5: expected a number"),
            // At most 128 tones a chord, however it comes in.
            {"chord-parse " + tones(128), 0, Match::Contains, "220,220"},
            usage_error("chord-parse " + tones(129), "A chord holds at most 128 tones, not 129."),
            usage_error("new {dir}/refused.kelvara --chord '60=220 5/4'", "e.g. 220 @ 1 5/4 3/2"),
            // Keys 60, 61, 62; 62 rekeyed to 30 moves to the first row.
            {"chord-map --base 220 --ratios 1,1.25,1.5 add copy add rekey:2:30 set:0:55_110 "
             "delete:1",
             0, Match::Equals, "30: 55,110\n61: 220,275,330\n"},
            usage_error("chord-map delete:0", "Select a chord to delete."),
        };
        // Documents: every stored field written and read back.
        g["Documents"] = {
            {"new {dir}/a.kelvara --type 2 --overtones 9 --base 440.1 --ratios 1,1.5 "
             "--scale 1,1.25,2 --step 0.01 --xmin 0.9 --xmax 2.1 --ymin -1 --ymax 3 --volume 90 "
             "--chord 64=329.63,392 --chord 60=261.63 --chord 7= --cents-axis "
             "--min-prominence 0.05 --just-odd-limit 7",
             0, Match::Equals, ""},
            {"dump {dir}/a.kelvara", 0, Match::Equals,
             "{\n"
             "  \"version\": 2,\n"
             "  \"scale_ratios\": [1, 1.25, 2],\n"
             "  \"scale_ratio_texts\": [\"1/1\", \"5/4\", \"2/1\"],\n"
             "  \"scale_description\": \"\",\n"
             "  \"overtone_type\": 2,\n"
             "  \"dissonance_ratios\": [1, 1.5],\n"
             "  \"base_frequency\": 440.1000061035156,\n"
             "  \"x_min\": 0.9,\n"
             "  \"x_max\": 2.1,\n"
             "  \"y_min\": -1,\n"
             "  \"y_max\": 3,\n"
             "  \"plot_justs\": false,\n"
             "  \"plot_selected_ratio\": false,\n"
             "  \"plot_dy\": false,\n"
             "  \"step_size\": 0.009999999776482582,\n"
             "  \"number_of_overtones\": 9,\n"
             "  \"custom_partials\": [],\n"
             "  \"roughness_model\": \"product\",\n"
             "  \"volume\": 90,\n"
             "  \"midi_keys\": [64, 60, 7],\n"
             "  \"chords\": {\"7\": [], \"60\": [261.63], \"64\": [329.63, 392]},\n"
             "  \"pitch_true\": true,\n"
             "  \"cents_axis\": true,\n"
             "  \"plot_scale_steps\": false,\n"
             "  \"min_prominence\": \"0.05\",\n"
             "  \"just_tolerance\": 10,\n"
             "  \"just_odd_limit\": 7\n"
             "}\n"},
            {"dump {data}/bad/eleven_fixed_tones.kelvara", 1, Match::Contains,
             "kelvara-cli: The document could not be opened.\n"
             "The file is damaged or is not a Kelvara document.\n"},
            {"curve {data}/bad/zero_fixed_tone.kelvara", 1, Match::Contains,
             "a fixed-tone ratio is 0, not above 0"},
            {"dump /nonexistent/file.kelvara", 1, Match::Contains, "could not be read"},
            {"dump {dir}/low.kelvara", 0, Match::Contains,
             "low.kelvara: brought into bounds: base frequency 10 raised to 20\n"},
        };
        // Minima of the exact curve: the same whatever the step; a document file or a new
        // document with the curve options; smooth minima without a just ratio within 0 cents.
        const std::string big_minima =
            R"(^ratio,cents,value,prominence,cusp,just,just_cents\n)"
            R"(1,0\.000,0\.89606\d*,2\.341\d*,true,1/1,0\.000\n)"
            R"(1\.3333333333333333,498\.045,1\.7389\d*,0\.4746\d*,true,4/3,0\.000\n)"
            R"(1\.5,701\.955,[\d.]+,[\d.]+,true,3/2,0\.000\n)"
            R"(1\.6666666666666667,884\.359,[\d.]+,[\d.]+,true,5/3,0\.000\n)"
            R"(2,1200\.000,[\d.]+,[\d.]+,true,2/1,0\.000\n$)";
        g["Minima"] = {
            {"minima --min-prominence 0.3", 0, Match::Regex, big_minima},
            // A percentage of the curve's range: seven of the nine valleys of six equal
            // harmonics (0.05 in its units keeps three).
            {"minima --type 1 --overtones 6 --min-prominence 3%", 0, Match::Contains, "\n1.5,", 8},
            usage_error("minima --min-prominence 101%", "--min-prominence must be"),
            {"minima --min-prominence 0.9 --format json", 0, Match::Regex,
             R"(^\[\n  \{"ratio": 1, "cents": 0\.000, "value": [\d.]+, "prominence": [\d.]+, )"
             R"("cusp": true, "just": "1/1", "just_cents": 0\.000\},\n  \{"ratio": 1\.5, [^\n]*\n)"
             R"(  \{"ratio": 2, [^\n]*"just_cents": 0\.000\}\n\]\n$)"},
            {"minima --just-tolerance 0 --type 1 --overtones 3 --ratios 1 --xmax 2.5", 0,
             Match::Regex, R"(\n1\.28229747\d*,430\.477,[\d.]+,[\d.]+,false,,\n1\.5,)", 7},
            {"new {dir}/m.kelvara --type 0 --ratios 1,1.5", 0, Match::Equals, ""},
            {"minima {dir}/m.kelvara --xmax 1.6 --just-odd-limit 5 --just-tolerance 20", 0,
             Match::Regex, R"(\n1\.24053\d*,373\.155,[\d.]+,[\d.]+,false,5/4,-13\.1\d\d\n1\.5,)",
             4},
            // A tempered triad held with six equal harmonics settles at 4:5:6, C held.
            {"adapt --keys 60 64 67 --type 1 --overtones 6", 0, Match::Regex,
             R"(^key,nominal_hz,adapted_hz,cents\n60,261\.62556\d*,261\.62556\d*,0\.000\n)"
             R"(64,329\.62755\d*,327\.03195\d*,-13\.686\n67,391\.99543\d*,392\.43834\d*,)"
             R"(1\.955\ndissonance 0\.1625\d* -> 0\.1345\d*\n$)"},
            usage_error("adapt --keys 60 64 --anchor spring:x", "--anchor takes lowest, mean"),
            // A MIDI file retuned as it plays (C, E, G, then C let go), and the retuned file
            // read back for bends.
            {"adapt --midi {data}/triad.mid --out {dir}/t.mid --type 1 --overtones 6", 0,
             Match::Equals,
             "3 notes retuned with 5 tuning changes, largest move 15.641 cents, 0 untuned\n"},
            {"adapt --midi {dir}/t.mid --out {dir}/b.mid --bend --type 1 --overtones 6", 0,
             Match::Equals,
             "3 notes retuned with 6 pitch bends, largest move 15.641 cents, 0 untuned\n"},
            usage_error("adapt --midi {data}/triad.mid", "--midi needs --out OUT.mid"),
            {"adapt --midi {data}/full.kelvara --out {dir}/x.mid", 1, Match::Contains,
             "The MIDI file cannot be read."},
            // Six harmonics of amplitude 1/k: a valley at 6/5 under the minimum model only.
            {"minima --type 4 --overtones 6 --model min", 0, Match::Contains, "\n1.2,315.641,", 9},
            usage_error("minima --partials 1:1,2000:1", "--partials: A partial's ratio must be"),
            usage_error("curve --partials 1:1,x", "--partials needs RATIO:AMPLITUDE"),
            usage_error("curve --model max", "max not in {product,min}"),
            usage_error("new {dir}/refused.kelvara --partials 1:1 --overtones 2",
                        "as many overtones as partials"),
            {"new {dir}/own.kelvara --partials 1:1,2.756:0.5 --model min", 0, Match::Equals, ""},
            {"dump {dir}/own.kelvara", 0, Match::Regex,
             R"("overtone_type": 6,[^{]*"custom_partials": \[\[1, 1\], \[2\.756, 0\.5\]\],\n)"
             R"(  "roughness_model": "min",)"},
            // The triad surface: six equal harmonics have 4:5:6 and 10:12:15 among their minima,
            // found exactly on a coarse grid.
            {"surface --partials 1:1,2:1,3:1,4:1,5:1,6:1 --size 64 --minima", 0, Match::Regex,
             R"(^r,s,value,prominence,just\n(.*\n)*1\.25,1\.5,[\d.e-]+,[\d.e-]+,4:5:6\n)"},
            {"surface --size 3 --full --csv {dir}/s.csv", 0, Match::Equals, ""},
            usage_error("surface",
                        "surface needs at least one of --csv, --png, --svg and --minima"),
            usage_error("surface --minima --size 1", "size must lie between 2 and 2048"),
            usage_error("surface --minima --rmin 2 --rmax 1", "The ratio range is empty"),
            usage_error("minima --format xml", "xml not in {csv,json}"),
            usage_error("minima --just-tolerance -5", "just-ratio tolerance must be"),
            // The curve options keep the value rules of every document.
            usage_error("minima --ratios 20000", "--ratios: A fixed-tone ratio must be 0.001"),
        };
        // Timbres measured from a recording of a struck bar (written by SetUp): five partials
        // at 196 Hz × 1, 2.7565, 5.4039, 8.933, 13.3443, from 0 to -40 dB.
        const std::string partials_header = R"(^ratio,amplitude,amplitude_db,frequency_hz\n)";
        g["Recordings"] = {
            {"timbre-from-audio {dir}/bar.flac", 0, Match::Regex,
             partials_header +
                 R"(1,1,0\.00,196\.0\d\d\n2\.75[67]\d*,0\.(49|50)\d*,-6\.0\d,540\.[\d.]+\n)"
                 R"(5\.40[34]\d*,0\.(19|20)\d*,-(13\.9|14\.0)\d,)",
             6},
            {"timbre-from-audio {dir}/bar.flac --start 0.5 --length 1 --threshold-db 20", 0,
             Match::Regex, partials_header + R"(1,1,0\.00,196\.0\d\d\n)", 4},
            {"timbre-from-audio {dir}/bar.flac --max-partials 2 --format json", 0, Match::Regex,
             R"(^\{"start_seconds": [\d.]+, "length_seconds": [\d.]+, "fundamental_hz": 196\.0\d\d, )"
             R"("partials": \[\n  \{"ratio": 1, "amplitude": 1, "amplitude_db": 0\.00, )"
             R"("frequency_hz": 196\.0\d\d\},\n  \{"ratio": 2\.75[67]\d*, [^\n]*\}\n\]\}\n$)"},
            {"timbre-from-audio {dir}/bar.flac --start 100", 1, Match::Contains,
             "The recording could not be read.\nThe stretch to analyse starts at 100 s, but "
             "\"bar.flac\" lasts 2 s."},
            {"timbre-from-audio {dir}/broken.sf2", 1, Match::Contains,
             "\"broken.sf2\" is not a sound file Kelvara can read"},
            {"timbre-from-audio {dir}/missing.wav", 1, Match::Contains, "cannot open"},
            usage_error("timbre-from-audio {dir}/bar.flac --max-partials 129",
                        "The number of partials must be between 1 and 128."),
            usage_error("timbre-from-audio {dir}/bar.flac --threshold-db 0", "threshold"),
            usage_error("timbre-from-audio {dir}/bar.flac --length 0", "--length must be"),
            {"new {dir}/bar.kelvara", 0, Match::Equals, ""},
            {"timbre-from-audio {dir}/bar.flac --max-partials 3 --into {dir}/bar.kelvara", 0,
             Match::Contains, "ratio,amplitude,amplitude_db,frequency_hz\n1,1,"},
            {"dump {dir}/bar.kelvara", 0, Match::Regex,
             R"("overtone_type": 6,[^{]*"custom_partials": \[\[1, 1\], \[2\.75[67]\d*, 0\.)"},
            // A custom timbre rendered by the "Document timbre" program and measured again.
            {"new {dir}/bell.kelvara --partials 1:1,2.756:0.5,5.404:0.25 --base 220", 0,
             Match::Equals, ""},
            {"render --timbre {dir}/bell.kelvara --chord 220 --seconds 2 --wav {dir}/bell.wav", 0,
             Match::Equals, ""},
            {"timbre-from-audio {dir}/bell.wav", 0, Match::Regex,
             partials_header +
                 R"(1,1,0\.00,220\.000\n2\.75(59[5-9]|60[0-4])\d*,0\.50\d*,-6\.0\d,606\.3\d\d\n)"
                 R"(5\.40(39[5-9]|40[0-4])\d*,0\.25\d*,-12\.0\d,1188\.8\d\d\n$)"},
        };
        // Tuning files: a table exported and imported into another document as the same
        // floats with the same base, a bad scale file refused on its line, the keyboard map.
        g["TuningFiles"] = {
            {"new {dir}/t.kelvara --scale 1,1.25,1.5,2 --base 440 --xmax 4", 0, Match::Equals, ""},
            {"scl export {dir}/t.kelvara {dir}/t.scl --kbm {dir}/t.kbm", 0, Match::Equals, ""},
            {"new {dir}/u.kelvara --xmax 4 --scale 1.1", 0, Match::Equals, ""},
            {"scl import {dir}/t.scl {dir}/u.kelvara --kbm {dir}/t.kbm", 0, Match::Equals,
             "7 ratios in the scale table\n"},
            {"dump {dir}/u.kelvara", 0, Match::Regex,
             R"("scale_ratios": \[1, 1\.25, 1\.5, 2, 2\.5, 3, 4\],\n)"
             R"(  "scale_ratio_texts": \["1/1", "5/4", "3/2", "2/1", "5/2", "3/1", "4/1"\],\n)"
             R"(  "scale_description": "t",[^$]*"base_frequency": 440,)"},
            {"scl import {data}/scala/bad/not_a_pitch.scl {dir}/u.kelvara", 1, Match::Contains,
             "not_a_pitch.scl, line 6: 'fifth' is not a pitch"},
            {"scl export {dir}/t.kelvara {dir}/p.scl --period 3/2", 0, Match::Contains,
             "not steps of the period are left out: 1\n"},
            {"scl export {dir}/t.kelvara {dir}/r.scl --rows 1,3-4", 0, Match::Equals, ""},
            {"scl import {dir}/r.scl {dir}/u.kelvara", 0, Match::Equals,
             "5 ratios in the scale table\n"},  // 1 3/2 2 3 4
            {"scl export {dir}/t.kelvara {dir}/r.scl --rows 2,9", 1, Match::Contains,
             "Row 9 was chosen, but the scale table has 4 rows."},
            usage_error("scl export {dir}/t.kelvara {dir}/r.scl --rows 0-2", "--rows takes"),
            {"keymap {dir}/t.kelvara --reference-key 69", 0, Match::Equals,
             "43 keys mapped from key 69\n"},
            {"dump {dir}/t.kelvara", 0, Match::Contains, "\"69\": [440], \"70\": [550]"},
            usage_error("keymap {dir}/t.kelvara --period 1/0", "--period must be a ratio"),
            // The AnaMark file of the same keys: 440 Hz on key 69 is 6900 cents above key 0's
            // 8.1757989156 Hz, 5/4 above it on key 70.
            {"tun export {dir}/t.kelvara {dir}/t.tun --reference-key 69 && grep -c '^note' "
             "{dir}/t.tun && grep -E '^note (69|70) = [0-9]+\\.' {dir}/t.tun",
             0, Match::Equals, "256\nnote 69 = 6900.000000\r\nnote 70 = 7286.313714\r\n"},
            {"scale errors {dir}/t.kelvara", 0, Match::Contains, "\n5/4 386.314 5/4 0.000\n", 4},
            usage_error("scl export {dir}/t.kelvara {dir}/x.scl --reference-key 128"),
            {"keymap {dir}/t.kelvara --period 0.5", 1, Match::Contains,
             "period must be a ratio above"},
        };
        // Programs and offline renders through the synthesizer.
        g["SoundMidiAndPlot"] = {
            {"programs --bank {bank}", 0, Match::Equals, "0 : Sine\n1 : Organ\n"},
            // A refused bank is a refused file: exit code 1, like a document.
            {"programs --bank {dir}/broken.sf2", 1, Match::Contains,
             "The file is not a sound bank."},
            // Presets that cannot sound are refused before they play silence.
            {"render --chord 220,330 --bank {dir}/no_samples.sf2 --wav {dir}/n.wav", 1,
             Match::Contains, "The bank's presets cannot sound"},
            // A program that sounds like nothing fails the render; no file is written.
            {"render --chord 220,330 --bank {dir}/silent.sf2 --bank-tuning --wav {dir}/s.wav", 1,
             Match::Contains, "The program played silence for tones that should sound"},
            {"dump {dir}/s.wav", 1, Match::Contains, "No such file"},
            // MIDI without a MIDI system.
            {"midi-sources --midi none", 0, Match::Equals, "MIDI system: none\n"},
            usage_error("midi-monitor --midi none --seconds 0",
                        "no MIDI input port could be created (MIDI system: none)"),
        };
        // Arguments out of range or not understood; settings a new document refuses (nothing
        // is written: checked after the table).
        for (const char* args :
             {"curve --type 9", "curve --base abc", "curve --bogus", "nothing",
              "scale tet twelve 2", "chord-map jump", "midi-sources --midi pipes",
              "render --chord 440 --seconds 0 --wav {dir}/x.wav",
              "render --chord 0,-1 --wav {dir}/x.wav",
              "render --chord 440 --program 99 --bank {bank} --wav {dir}/x.wav",
              "render --chord 440 --timbre {dir}/x.kelvara --program 1 --wav {dir}/x.wav",
              "render --chord 440 --gain-db 61 --wav {dir}/x.wav",
              "render --chord 440 --gain-db 3 --normalize --wav {dir}/x.wav",
              "held-pitch {dir}/x.wav --freqs 440 --windows 2-1"})
            g["UsageErrors"].push_back(usage_error(args));
        for (const char* bad : {"--volume 300", "--chord 60", "--chord x=1",
                                "--chord 60=1 --chord 60=2", "--ratios 1,1,1,1,1,1,1,1,1,1,1"})
            g["UsageErrors"].push_back(
                usage_error(std::string("new {dir}/refused.kelvara ") + bad));
        // The value rules themselves: tests/document/value_rules_test.cpp; here each way in
        // reaches them.
        g["UsageErrors"].push_back(usage_error("curve --step 0.00001",
                                               "--step: The step must be at least 3.0000301e-05."));
#ifdef KELVARA_TEST_PLOT
        for (const char* bad :
             {"--png {dir}/x.png --width 0", "--png {dir}/x.png --width 3000 --scale 4", "--svg"})
            g["UsageErrors"].push_back(usage_error(std::string("plot ") + bad));
        g["UsageErrors"].push_back(usage_error("plot", "at least one of --png, --svg and --pdf"));
        // Every output and option: the files are written, or the one that cannot be is named.
        const CliCase plots[] = {
            // (Qt may note its runtime folder on stderr.)
            {"plot --png {dir}/a.png --svg {dir}/a.svg --pdf {dir}/a.pdf", 0, Match::Contains, ""},
            {"surface --size 3 --full --png {dir}/s.png --svg {dir}/s.svg", 0, Match::Contains, ""},
            {"plot --svg {dir}/b.svg --cents --scale-lines --justs --derivative", 0,
             Match::Contains, ""},
            {"plot --pdf {dir}/c.pdf --cents --cursor 1.5 --width 800 --height 500", 0,
             Match::Contains, ""},
            {"plot --png {dir}/missing/x.png", 1, Match::Contains, "could not be written"},
            {"plot {dir}/missing.kelvara --png {dir}/x.png", 1, Match::Contains,
             "could not be read"},
        };
        for (const CliCase& c : plots) g["SoundMidiAndPlot"].push_back(c);
#endif
        return g;
    }();
    return groups;
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelvara-cli-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        const auto image = sound::build_sf2_bank(
            "Cli Test", {{"Sine", 0, 0, {1.0f}}, {"Organ", 0, 1, {1.0f, 0.5f}}});
        std::ofstream(dir_ / "sine.sf2", std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
        std::ofstream(dir_ / "broken.sf2") << "not a bank";
        // The bank with its sample table cut to 3 bytes: every preset refers to no sample.
        std::string cut(image.begin(), image.end());
        const size_t table = cut.find("shdr");
        cut.replace(table + 4, 4, std::string("\3\0\0\0", 4));
        std::ofstream(dir_ / "no_samples.sf2", std::ios::binary) << cut;
        const auto silent = sound::build_sf2_bank("Silent", {{"Nothing", 0, 0, {0.0f}}});
        std::ofstream(dir_ / "silent.sf2", std::ios::binary)
            .write(reinterpret_cast<const char*>(silent.data()), std::streamsize(silent.size()));
        SyntheticRecording bar;
        bar.sample_rate_hz = 44100;
        bar.decay_seconds = 1.5;
        bar.noise_below_rms_db = 40.0;
        const double ratios[] = {1.0, 2.7565, 5.4039, 8.933, 13.3443};
        const double levels[] = {0.4, 0.2, 0.08, 0.03, 0.004};
        for (size_t i = 0; i < 5; ++i) bar.partials.push_back({196.0 * ratios[i], levels[i], 0.5});
        ASSERT_TRUE(test::write_audio_file(dir_ / "bar.flac", synthesize_recording(bar),
                                           SF_FORMAT_FLAC | SF_FORMAT_PCM_24));
        DocumentFileState low;  // what the reader brings into bounds
        low.base_frequency = 10.0;
        std::ofstream(dir_ / "low.kelvara") << encode_document_state(low);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string expand(std::string args) const {
        const std::pair<std::string, std::string> names[] = {
            {"{dir}", dir_.string()},
            {"{bank}", (dir_ / "sine.sf2").string()},
            {"{data}", KELVARA_PERSISTENCE_DATA}};
        for (const auto& [name, value] : names)
            for (size_t at; (at = args.find(name)) != std::string::npos;)
                args.replace(at, name.size(), value);
        return args;
    }
    CliRun run(const std::string& args,
               const std::function<void(const std::string&)>& on_line = {}) const {
        return run_cli(expand(args), on_line);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

class CliTable : public CliTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(CliTable, EachCommandLineGivesItsOutputAndExitCode) {
    for (const CliCase& c : case_groups().at(GetParam())) {
        SCOPED_TRACE(c.args);
        const CliRun r = run(c.args);
        EXPECT_EQ(r.exit_code, c.exit_code) << r.out;
        switch (c.match) {
            case Match::Equals: EXPECT_EQ(r.out, c.expected); break;
            case Match::Contains:
                EXPECT_NE(r.out.find(c.expected), std::string::npos) << r.out;
                break;
            case Match::Regex:
                EXPECT_TRUE(std::regex_search(r.out, std::regex(c.expected))) << r.out;
                break;
        }
        if (c.lines >= 0) {
            EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), c.lines) << r.out;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(path("refused.kelvara")));
}

INSTANTIATE_TEST_SUITE_P(Commands, CliTable,
                         ::testing::Values("CurvesAndBench", "ScalesAndChords", "Documents",
                                           "SoundMidiAndPlot", "UsageErrors", "TuningFiles",
                                           "Minima", "Recordings"),
                         [](const auto& info) { return info.param; });

// A saved document gives the curve of its settings, a custom timbre and its model among them
// (a list equal to a parametric type's partials gives that curve: the engine's and the
// document's tests); options on the command line override the file's.
TEST_F(CliTest, ASavedDocumentGivesTheCurveOfItsSettings) {
    const std::string own = "--partials 1:0.25,2:0.25,3:0.25 --model min --xmin 1.1";
    ASSERT_EQ(run("new {dir}/c.kelvara " + own).exit_code, 0);
    const CliRun from_file = run("curve --file {dir}/c.kelvara --ratios 1,1.25 --xmax 1.25");
    EXPECT_EQ(from_file.exit_code, 0);
    EXPECT_EQ(from_file.out, run("curve " + own + " --ratios 1,1.25 --xmax 1.25").out);
    EXPECT_NE(run("curve {dir}/c.kelvara --ratios 1,1.25 --model product").out,
              run("curve {dir}/c.kelvara --ratios 1,1.25").out);
}

TEST_F(CliTest, RenderWritesA48kHzStereoWavBelowTheLimitersCeiling) {
    const CliRun r =
        run("render --chord 440,0,660.5,-3 --bank {bank} --program 1 --seconds 0.5 --wav "
            "{dir}/out.wav");
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("tones 2, 4 (0, -3 Hz) were skipped: not frequencies a bank can "
                         "play\n"),
              std::string::npos)
        << r.out;
    const Wav wav = read_wav(path("out.wav"));
    EXPECT_EQ(wav.rate, 48000);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.left.size(), 48000u * 3 / 4);  // the chord, then a quarter second of release
    const auto peak_db = [&](const std::string& file) {
        float peak = 0.0f;
        for (float s : read_wav(path(file)).left) peak = std::max(peak, std::abs(s));
        return 20.0 * std::log10(peak);
    };
    const double plain = peak_db("out.wav");
    EXPECT_GT(plain, -40.0);
    EXPECT_LE(plain, -1.0);
    // The level: a gain on the synthesizer's own, or the peak at -1 dBFS.
    for (const auto& [option, want_db] :
         {std::pair{"--gain-db 6", plain + 6.0}, std::pair{"--normalize", -1.0}}) {
        ASSERT_EQ(run("render --chord 440,660.5 --bank {bank} --program 1 --seconds 0.5 --wav "
                      "{dir}/level.wav " +
                      std::string(option))
                      .exit_code,
                  0);
        EXPECT_NEAR(peak_db("level.wav"), want_db, 0.5) << option;
    }
}

// Pitch-true playback on the system's General MIDI bank: the flute (73), 13 cents sharp as the
// bank declares it, holds A4 in tune unless the bank's own tuning is asked for, as held-pitch
// reads the render; bank-tuning reports its corrections, from the cache the render left.
TEST_F(CliTest, BankTuningPlaysTheGeneralMidiBankInTune) {
    const std::string gm = sound::kSystemGeneralMidiBank;
    if (!std::filesystem::is_regular_file(gm)) GTEST_SKIP() << gm << " is not installed";
    // Each tone's cents off in each window of the held note, as held-pitch prints them.
    const auto held_cents = [&](const std::string& chord, const std::string& windows,
                                const std::string& options) {
        const CliRun r =
            run("render --chord " + chord + " --seconds 3 --wav {dir}/held.wav " + options);
        EXPECT_EQ(r.exit_code, 0) << r.out;
        const CliRun held =
            run("held-pitch {dir}/held.wav --freqs " + chord + " --windows " + windows);
        EXPECT_EQ(held.exit_code, 0) << held.out;
        std::vector<double> cents;
        std::istringstream rows(held.out.substr(held.out.find('\n') + 1));
        for (std::string row; std::getline(rows, row);) {
            std::istringstream values(row.substr(row.find(' ')));
            for (double c = 0; values >> c;) cents.push_back(c);
        }
        const auto count = [](const std::string& list) {
            return 1 + std::ranges::count(list, ',');
        };
        EXPECT_EQ(long(cents.size()), count(chord) * count(windows)) << held.out;
        return cents;
    };
    // The flute at A4; Piano 1's chord, whose samples' attacks wander or are tuned apart from
    // their loops, in each part of the note; two programs more.
    const struct {
        std::string program, chord, windows;
        double tolerance_cents;
    } held_notes[] = {{"73", "440", "0.5-3", 0.5},
                      {"0", "130.81,196,220,330", "0.5-1,1-2,2-3", 1.0},
                      {"11", "440", "0.5-3", 0.5},
                      {"24", "440", "0.5-3", 0.5}};
    for (const auto& note : held_notes)
        for (const double cents : held_cents(note.chord, note.windows, "--program " + note.program))
            EXPECT_NEAR(cents, 0.0, note.tolerance_cents) << "program " << note.program;
    EXPECT_GT(held_cents("440", "0.5-3", "--program 73 --bank-tuning")[0], 10.0);
    const CliRun zones = run("bank-tuning " + gm + " --program 73 --zones");
    EXPECT_EQ(zones.exit_code, 0) << zones.out;
    EXPECT_NE(zones.out.find("read from the cache"), std::string::npos) << zones.out;
    EXPECT_EQ(std::count(zones.out.begin(), zones.out.end(), '\n'), 2 + 10) << zones.out;
    EXPECT_EQ(run("bank-tuning " + gm + " --program 999").exit_code, 2);
    EXPECT_EQ(run("bank-tuning {dir}/broken.sf2").exit_code, 1);
}

#ifdef KELVARA_TEST_PLOT
// The plotting area of an image: its axes are the longest runs of dark pixels, the y axis
// a column and the x axis a row (antialiased across two pixels; the inner one is taken).
struct Frame {
    int left = 0, bottom = 0, right = 0, top = 0;
};
Frame frame_of(const QImage& image) {
    const auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 70; };
    Frame f;
    int best = 0;
    for (int x = 0; x < image.width() / 2; ++x) {
        int run = 0;
        for (int y = 0; y < image.height(); ++y) run += dark(x, y);
        if (run > best) best = run, f.left = x;
    }
    best = 0;
    for (int y = image.height() / 2; y < image.height(); ++y) {
        int run = 0;
        for (int x = 0; x < image.width(); ++x) run += dark(x, y);
        if (run > best) best = run, f.bottom = y;
    }
    // The axes end where the frame ends.
    for (f.top = 0; !dark(f.left, f.top); ++f.top) {
    }
    for (f.right = image.width() - 1; !dark(f.right, f.bottom); --f.right) {
    }
    return f;
}

// The plot against the curve the same command line tool prints: a new document's x range,
// 1 to 2, fills the plotting area across; its y range is fitted to the curve (5 % of the
// maximum either side), so the curve fills it from bottom to top.
TEST_F(CliTest, PlotDrawsThePrintedCurveFittedAndItsOptionalLayers) {
    const std::string size = " --width 400 --height 300";
    const auto image = [this](const char* name) {
        return QImage(QString::fromStdString(path(name))).convertToFormat(QImage::Format_ARGB32);
    };
    ASSERT_EQ(run("plot --png {dir}/plain.png" + size).exit_code, 0);
    const QImage plain = image("plain.png");
    ASSERT_EQ(plain.size(), QSize(400, 300));
    std::istringstream printed(run("curve").out);
    printed.ignore(4);  // the header
    std::vector<std::pair<float, float>> samples;
    float x = 0, y = 0, y_max = 0, y_min = 1e9f;
    for (char comma = 0; printed >> x >> comma >> y;) {
        samples.emplace_back(x, y);
        y_max = std::max(y_max, y), y_min = std::min(y_min, y);
    }
    const float lo = std::max(0.0f, y_min - 0.05f * y_max), hi = 1.05f * y_max;
    const Frame f = frame_of(plain);
    ASSERT_GT(f.right - f.left, 250);
    ASSERT_GT(f.bottom - f.top, 150);
    const auto column = [&](float r) { return f.left + std::lround((r - 1) * (f.right - f.left)); };
    const auto row = [&](float d) {
        return f.bottom - std::lround((d - lo) / (hi - lo) * (f.bottom - f.top));
    };
    int checked = 0;
    for (const auto& [r, d] : samples) {
        if (r < 1.02f || r > 1.98f) continue;
        // The curve (black at alpha 0.666) darkens the panel's green near its place, which
        // the right margin shows undisturbed on the same row.
        int darkest = 255;
        for (int dy = -2; dy <= 2; ++dy)
            darkest = std::min(darkest, qGreen(plain.pixel(column(r), row(d) + dy)));
        EXPECT_LT(darkest, 0.8 * qGreen(plain.pixel(398, row(d)))) << r;
        ++checked;
    }
    EXPECT_GT(checked, 150);

    ASSERT_EQ(run("plot --png {dir}/full.png --justs --cursor 1.9 --derivative" + size).exit_code,
              0);
    const QImage full = image("full.png");
    // Half way up the frame: the cursor line at 1.9 adds its magenta, the 3/2 marker red. The
    // slope's scale on the right narrows this frame.
    const Frame g = frame_of(full);
    ASSERT_LT(g.right, f.right);
    const auto full_column = [&](float r) {
        return g.left + std::lround((r - 1) * (g.right - g.left));
    };
    const int middle = (f.top + f.bottom) / 2;
    for (const auto& [ratio, added] : {std::pair{1.9f, 40}, std::pair{1.5f, 20}}) {
        // The line's red, which may spread over two pixels, within a pixel of its place.
        const int panel = qRed(plain.pixel(column(ratio), middle));
        int red_added = 0;
        for (int dx = -1; dx <= 1; ++dx)
            red_added += std::max(0, qRed(full.pixel(full_column(ratio) + dx, middle)) - panel);
        EXPECT_GT(red_added, added) << ratio;
    }

    // --minima marks the minimum at 3/2 on its column.
    ASSERT_EQ(run("plot --png {dir}/minima.png --minima" + size).exit_code, 0);
    const QImage minima = image("minima.png");
    int changed_at_fifth = 0;
    for (int y = f.top; y < f.bottom; ++y)
        changed_at_fifth += minima.pixel(column(1.5f), y) != plain.pixel(column(1.5f), y);
    EXPECT_GT(changed_at_fifth, 2);

    // A saved new document draws exactly as a new one; another document its own curve.
    ASSERT_EQ(run("new {dir}/new.kelvara").exit_code, 0);
    ASSERT_EQ(run("new {dir}/other.kelvara --type 0 --xmax 1.5").exit_code, 0);
    ASSERT_EQ(run("plot {dir}/new.kelvara --png {dir}/saved.png" + size).exit_code, 0);
    ASSERT_EQ(run("plot {dir}/other.kelvara --png {dir}/other.png" + size).exit_code, 0);
    EXPECT_EQ(image("saved.png"), plain);
    EXPECT_NE(image("other.png"), plain);
}

#endif

// What a path is and what it leads to, through any link.
std::pair<std::filesystem::file_type, std::filesystem::file_type> kinds_of(
    const std::filesystem::path& path) {
    return {std::filesystem::symlink_status(path).type(), std::filesystem::status(path).type()};
}

// What a path names for the table below: made in the test's folder as `name`.
enum class SpecialFile { Fifo, Device, Folder, LinkToFile, LinkToFifo };

struct FileKindRow {
    SpecialFile kind;
    const char* name;
};

// Every writer and reader given a named pipe, a device, a folder or a symbolic link to one of
// them: refused with exit code 1 and the special file as it was (nothing created beside it, no
// command left waiting); a link to a regular file is followed as before. {t} is the path, {ok}
// the regular file of the command's kind it stands for when it is a link to a file.
TEST_F(CliTest, SpecialFilesAreRefusedByEveryWriterAndReaderAndLeftAsTheyWere) {
    if (geteuid() != 0) GTEST_SKIP() << "making a device node needs root";
    ASSERT_EQ(run("new {dir}/t.kelvara --scale 1,1.5,2").exit_code, 0);
    ASSERT_EQ(run("scl export {dir}/t.kelvara {dir}/t.scl --kbm {dir}/t.kbm").exit_code, 0);
    for (const char* written : {"n.kelvara", "t.wav"}) std::ofstream(dir_ / written) << "old";
    const struct {
        const char* command;
        const char* regular;  // the file a link to a regular file points to
    } commands[] = {
        {"new {t}", "n.kelvara"},
        {"scl export {dir}/t.kelvara {t}", "t.scl"},
        {"render --chord 220 --seconds 0.1 --bank {bank} --wav {t}", "t.wav"},
        {"dump {t}", "t.kelvara"},
        {"scl import {t} {dir}/t.kelvara", "t.scl"},
        {"timbre-from-audio {t}", "bar.flac"},
        {"programs --bank {t}", "sine.sf2"},
    };
    const FileKindRow kinds[] = {{SpecialFile::Fifo, "fifo"},
                                 {SpecialFile::Device, "device"},
                                 {SpecialFile::Folder, "folder"},
                                 {SpecialFile::LinkToFile, "link-to-file"},
                                 {SpecialFile::LinkToFifo, "link-to-fifo"}};
    for (const auto& command : commands) {
        for (const FileKindRow& row : kinds) {
            const std::string args = std::string(command.command);
            SCOPED_TRACE(args + " with " + row.name);
            const std::filesystem::path special = dir_ / row.name;
            const std::filesystem::path fifo = dir_ / "pipe";
            std::filesystem::remove_all(special);
            std::filesystem::remove(fifo);
            switch (row.kind) {
                case SpecialFile::Fifo: ASSERT_EQ(mkfifo(special.c_str(), 0644), 0); break;
                case SpecialFile::Device:  // the zero device: endless bytes to a reader
                    ASSERT_EQ(mknod(special.c_str(), S_IFCHR | 0644, makedev(1, 5)), 0);
                    break;
                case SpecialFile::Folder: std::filesystem::create_directory(special); break;
                case SpecialFile::LinkToFile:
                    std::filesystem::create_symlink(dir_ / command.regular, special);
                    break;
                case SpecialFile::LinkToFifo:
                    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
                    std::filesystem::create_symlink(fifo, special);
                    break;
            }
            const auto before = kinds_of(special);
            std::string line = "timeout 20 " + std::string(KELVARA_CLI) + " " + expand(args);
            line.replace(line.find("{t}"), 3, special.string());
            const CliRun r = run_cli_line(line);
            if (row.kind == SpecialFile::LinkToFile) {
                EXPECT_EQ(r.exit_code, 0) << r.out;
            } else {
                EXPECT_EQ(r.exit_code, 1) << r.out;
                EXPECT_NE(r.out.find(", not a file"), std::string::npos) << r.out;
            }
            // The path and what it leads to are what they were: nothing replaced or written.
            EXPECT_EQ(kinds_of(special), before);
            if (row.kind == SpecialFile::Folder) {
                EXPECT_TRUE(std::filesystem::is_empty(special));
            }
            for (const auto& entry : std::filesystem::directory_iterator(dir_))
                EXPECT_EQ(entry.path().filename().string().find(".saving-"), std::string::npos);
        }
    }
}

// The JACK tests hold the test services' server (a resource lock of their own CTest entries).
class CliJack : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        source_ =
            midi::testing::JackTestSource::open("CliKeys-" + std::to_string(getpid()), {"out"});
        if (source_) return;
        const char* required = std::getenv("KELVARA_REQUIRE_JACK");
        if (required != nullptr && std::string(required) == "1") FAIL() << "no JACK server";
        GTEST_SKIP() << "no JACK server running";
    }
    std::unique_ptr<midi::testing::JackTestSource> source_;
};

// The source is listed; then each command runs with it connected and is sent one message
// once it listens: the monitor prints it, the players play the key's chord from a chord map
// given on the command line or read from a saved document into a WAV file, in which a second
// of the chord held is measured, however late the note arrived on a busy machine.
TEST_F(CliJack, ListsTheSourceAndMonitorsOrPlaysWhatItSends) {
    const CliRun listing = run("midi-sources --midi jack");
    EXPECT_EQ(listing.exit_code, 0);
    EXPECT_NE(listing.out.find("MIDI system: JACK\n"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("\t" + source_->full_port_name(0) + "\t"), std::string::npos);
    ASSERT_EQ(run("new {dir}/play.kelvara --chord 64=523.25").exit_code, 0);
    struct JackCase {
        std::string args;
        std::string ready;  // the line that starts once the command listens
        std::vector<uint8_t> message;
        std::string printed;
        std::vector<double> sounding_hz;
        double silent_hz = 0;  // the chord of another key
    };
    const JackCase cases[] = {
        {"midi-monitor --seconds 5",
         "listening",
         {0x91, 60, 100},
         "91 3c 64  note-on key 60 velocity 100 channel 2\n",
         {}},
        {"midi-play --chord 60:440,660 --chord 62:300 --wav {dir}/play.wav --seconds 4",
         "playing",
         {0x90, 60, 110},
         "key 60\n",
         {440.0, 660.0},
         300.0},
        {"play {dir}/play.kelvara --wav {dir}/play.wav --seconds 4",
         "playing",
         {0x90, 64, 110},
         "key 64\n",
         {523.25}},
    };
    for (const JackCase& c : cases) {
        SCOPED_TRACE(c.args);
        const CliRun r = run(c.args + " --midi jack --source " + source_->full_port_name(0),
                             [&](const std::string& line) {
                                 if (line.rfind(c.ready, 0) != 0) return;
                                 EXPECT_TRUE(source_->wait_for_connections(0, 1))
                                     << "the source never saw the command's connection";
                                 source_->send(0, c.message);
                             });
        ASSERT_EQ(r.exit_code, 0) << r.out;
        EXPECT_NE(r.out.find("connected: out"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(c.printed), std::string::npos) << r.out;
        if (c.sounding_hz.empty()) continue;
        const Wav wav = read_wav(path("play.wav"));
        ASSERT_EQ(wav.rate, 48000);
        const std::vector<float> held = held_second(wav);
        ASSERT_FALSE(held.empty())
            << "no chord held for a second in " << wav.left.size() << " frames";
        const testing::Spectrum spectrum(held, 48000);
        // Within a few cents: the default bank's piano samples are not pure tones (a wrong
        // key or a semitone off would be 25 Hz and more away).
        for (const double hz : c.sounding_hz)
            EXPECT_NEAR(spectrum.peak_frequency(hz, 50.0), hz, 3.0);
        if (c.silent_hz > 0) {
            EXPECT_GT(spectrum.amplitude_at(c.sounding_hz[0]),
                      10 * spectrum.amplitude_at(c.silent_hz));
        }
    }
}

// Adaptive tuning, live: C, E and G held from the test's own sender glide to 4:5:6 over the
// held C with the document's timbre (25 harmonics falling geometrically), measured in the
// recording a fraction of a cent exact. (What a release retunes: tests/document.)
TEST_F(CliJack, AdaptiveTuningGlidesTheHeldChordToItsMinimum) {
    const double c = 261.6255653;
    const CliRun r =
        run("midi-play --chord 60:261.6255653 --chord 64:329.6275569 --chord 67:391.995436 "
            "--adaptive --midi jack --seconds 4 --wav {dir}/adaptive.wav --source " +
                source_->full_port_name(0),
            [&](const std::string& line) {
                if (line.rfind("playing", 0) != 0) return;
                EXPECT_TRUE(source_->wait_for_connections(0, 1));
                for (const uint8_t key : {60, 64, 67}) source_->send(0, {0x90, key, 100});
            });
    ASSERT_EQ(r.exit_code, 0) << r.out;
    const std::vector<float> held = held_second(read_wav(path("adaptive.wav")));
    ASSERT_FALSE(held.empty()) << "no chord held for a second";
    const testing::Spectrum spectrum(held, 48000);
    for (const double hz : {c, c * 1.25, c * 1.5})
        EXPECT_NEAR(1200.0 * std::log2(spectrum.peak_frequency(hz, 30.0) / hz), 0.0, 0.5) << hz;
}

// A saved document plays as its window would: at its volume. The channel volume (controller
// 7) goes through the synthesizer's curve, 40 log10(127 / v) dB below full, so volume 10
// sounds 44.1 dB below volume 127 (a sine of the generated bank, held: no decay to blur it).
TEST_F(CliJack, PlaysASavedDocumentAtItsVolume) {
    std::map<int, double> rms;
    for (const int volume : {10, 127}) {
        const std::string document = "{dir}/volume" + std::to_string(volume) + ".kelvara";
        ASSERT_EQ(run("new " + document + " --chord 64=523.25 --volume " + std::to_string(volume))
                      .exit_code,
                  0);
        const CliRun r =
            run("play " + document + " --bank {bank} --midi jack --seconds 3" + " --source " +
                    source_->full_port_name(0) + " --wav {dir}/volume.wav",
                [&](const std::string& line) {
                    if (line.rfind("playing", 0) != 0) return;
                    EXPECT_TRUE(source_->wait_for_connections(0, 1));
                    source_->send(0, {0x90, 64, 110});
                });
        ASSERT_EQ(r.exit_code, 0) << r.out;
        const std::vector<float> held = held_second(read_wav(path("volume.wav")));
        ASSERT_FALSE(held.empty()) << "no chord held for a second";
        double sum = 0.0;
        for (const float x : held) sum += double(x) * x;
        rms[volume] = std::sqrt(sum / double(held.size()));
    }
    RecordProperty("rms_volume_10", std::to_string(rms[10]));
    RecordProperty("rms_volume_127", std::to_string(rms[127]));
    EXPECT_NEAR(20.0 * std::log10(rms[127] / rms[10]), 40.0 * std::log10(127.0 / 10.0), 1.0);
}

// `mts export` writes the bulk dump, and `mts send` delivers the same bytes through the server
// to a port the test owns: the destination is listed, and one that is not there is refused
// by name.
TEST_F(CliJack, MtsSendDeliversTheExportedDumpToADestination) {
    auto synth = midi::testing::JackTestSink::open("CliSynth-" + std::to_string(getpid()), "in");
    ASSERT_TRUE(synth);
    const CliRun listing = run("midi-destinations --midi jack");
    EXPECT_EQ(listing.exit_code, 0);
    EXPECT_NE(listing.out.find("MIDI system: JACK\n"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find(synth->full_port_name() + "\t" + synth->full_port_name() + "\n"),
              std::string::npos)
        << listing.out;
    EXPECT_EQ(listing.out.find(source_->full_port_name(0)), std::string::npos)
        << "a source is no destination";

    ASSERT_EQ(run("new {dir}/fifths.kelvara --scale 1,1.25,1.5,2 --base 440").exit_code, 0);
    ASSERT_EQ(run("mts export {dir}/fifths.kelvara {dir}/f.syx --reference-key 69").exit_code, 0);
    std::ifstream in(path("f.syx"), std::ios::binary);
    const std::vector<uint8_t> exported((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
    // 408 bytes with 440 Hz on the reference key 69 (the dump's bytes key by key: the bulk
    // dump's own tests).
    ASSERT_EQ(exported.size(), 408u);
    EXPECT_EQ(std::vector<uint8_t>(exported.begin() + 22 + 3 * 69, exported.begin() + 25 + 3 * 69),
              (std::vector<uint8_t>{0x45, 0x00, 0x00}));
    struct SendCase {
        std::string args;
        int exit_code;
        std::string printed;
        bool arrives;
    };
    const SendCase cases[] = {
        {"--port '" + synth->full_port_name() + "' --reference-key 69", 0,
         "sent the tuning dump (408 bytes) to " + synth->full_port_name() + "\n", true},
        {"--port 'Nobody:in'", 2,
         "kelvara-cli: error: no MIDI destination named 'Nobody:in' (MIDI system: JACK;", false},
    };
    for (const SendCase& c : cases) {
        SCOPED_TRACE(c.args);
        const CliRun r = run("mts send {dir}/fifths.kelvara --midi jack " + c.args);
        EXPECT_EQ(r.exit_code, c.exit_code) << r.out;
        EXPECT_NE(r.out.find(c.printed), std::string::npos) << r.out;
        const auto arrived = synth->take(c.arrives ? 1 : 0, std::chrono::milliseconds(100));
        if (c.arrives) {
            ASSERT_EQ(arrived.size(), 1u);
            EXPECT_EQ(arrived[0], exported);
        } else {
            EXPECT_TRUE(arrived.empty());
        }
    }
}

// `midi-out --mode bend` through the server: a key struck on the source plays its chord on
// the destination after the bend range on channels 2-16, each note on a channel of its own,
// its bend before its note-on; the key's release releases both.
TEST_F(CliJack, MidiOutBendsEachNoteOfTheKeysChordOnAChannelOfItsOwn) {
    auto synth = midi::testing::JackTestSink::open("CliBend-" + std::to_string(getpid()), "in");
    ASSERT_TRUE(synth);
    ASSERT_EQ(run("new {dir}/bend.kelvara --chord 64=523.25,660").exit_code, 0);
    const CliRun r =
        run("midi-out {dir}/bend.kelvara --midi jack --mode bend --bend-range 12 --seconds 1.5 "
            "--port '" +
                synth->full_port_name() + "' --source " + source_->full_port_name(0),
            [&](const std::string& line) {
                if (line.rfind("playing", 0) != 0 || !source_->wait_for_connections(0, 1)) return;
                source_->send(0, {0x90, 64, 100});
                source_->send(0, {0x80, 64, 0});
            });
    ASSERT_EQ(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("bend range 12 semitones on channels 2-16\n"), std::string::npos);
    constexpr size_t kRangeMessages = 15 * 7;  // six for the range and a centred bend each
    const auto arrived = synth->take(kRangeMessages + 6);
    ASSERT_EQ(arrived.size(), kRangeMessages + 6);
    EXPECT_EQ(arrived[2], (std::vector<uint8_t>{0xB1, 6, 12}));
    EXPECT_EQ(arrived[kRangeMessages - 5], (std::vector<uint8_t>{0xBF, 6, 12}));
    const double chord_hz[] = {523.25, 660.0};
    for (size_t i = 0; i < 2; ++i) {
        const std::vector<uint8_t>& bend = arrived[kRangeMessages + 2 * i];
        const std::vector<uint8_t>& note_on = arrived[kRangeMessages + 2 * i + 1];
        ASSERT_EQ(bend[0], 0xE1 + i);
        ASSERT_EQ(note_on[0], 0x91 + i);
        const BentNote played{note_on[1], uint16_t(bend[1] | bend[2] << 7)};
        EXPECT_NEAR(1200.0 * std::log2(frequency_of_bent_note(played, 12) / chord_hz[i]), 0.0, 0.1);
        EXPECT_EQ(arrived[kRangeMessages + 4 + i],
                  (std::vector<uint8_t>{uint8_t(0x81 + i), note_on[1], 0}));
    }
}

}  // namespace
}  // namespace kelvara
