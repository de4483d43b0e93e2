// `kelvara-cli bank-tuning`: how far a bank's presets sound from the pitch they declare, and
// the corrections pitch-true playback applies; and the bench row that times measuring the
// default bank.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "sound/bank_numbers.h"
#include "sound/bank_tuning.h"
#include "sound/bank_tuning_cache.h"
#include "sound/default_bank.h"
#include "sound/tuning_policy.h"

namespace kelvara::cli {
namespace {

using sound::PresetTuning;
using sound::ZoneTuning;
using sound::ZoneVerdict;

// Presets are summarised at A4, the tuning reference, or the key nearest it they play.
constexpr int kSummaryKey = 69;
constexpr int kSummaryVelocity = 100;

struct BankTuningOptions {
    std::string bank;
    int program = -1;  // an index in the bank's program list; -1 for all
    bool zones = false;
};

const char* verdict_name(ZoneVerdict verdict) {
    switch (verdict) {
        case ZoneVerdict::Corrected: return "corrected";
        case ZoneVerdict::Unpitched: return "unpitched";
        case ZoneVerdict::OutOfBounds: return "out-of-bounds";
    }
    return "?";
}

// Which part of the tone the zone's correction puts right: its sustain (the loop as it repeats,
// or the steady part of a sample that does not loop), or its attack with the loop resampled to
// match it, or its sustain with the attack's wandering pitch flattened to the loop's; none for
// a zone played as the bank declares it.
const char* correction_kind(const ZoneTuning& zone) {
    if (zone.verdict != ZoneVerdict::Corrected) return "none";
    if (!zone.flattened_attack.empty()) return "flattened";
    return zone.retuned_loop_frames > 0.0 ? "retuned" : "sustain";
}

std::string location(const PresetTuning& preset) {
    const auto bank = sound::decode_exact_bank(preset.bank);
    std::string text = bank.percussion ? "drums" : std::to_string(bank.msb);
    if (bank.lsb != 0) text += "." + std::to_string(bank.lsb);
    return text + ":" + std::to_string(preset.program);
}

// The key the summary describes, and the zones that sound there.
int summary_key(const PresetTuning& preset) {
    int best = -1;
    for (const ZoneTuning& zone : preset.zones) {
        const int key = std::clamp(kSummaryKey, zone.key_low, zone.key_high);
        if (best < 0 || std::abs(key - kSummaryKey) < std::abs(best - kSummaryKey)) best = key;
    }
    return best;
}

void print_preset(size_t index, const PresetTuning& preset) {
    const int key = summary_key(preset);
    std::vector<double> errors, corrections;
    double declared = std::nan(""), confidence = 1.0;
    for (const ZoneTuning& zone : preset.zones) {
        if (key < zone.key_low || key > zone.key_high || kSummaryVelocity < zone.velocity_low ||
            kSummaryVelocity > zone.velocity_high)
            continue;
        if (std::isnan(declared)) declared = zone.declared_hz_at(key);
        confidence = std::min(confidence, zone.confidence);
        if (zone.verdict == ZoneVerdict::Corrected) errors.push_back(zone.error_cents);
        corrections.push_back(zone.correction_cents);
    }
    const double measured = declared * std::exp2(sound::median_cents(errors) / 1200.0);
    size_t counts[3] = {};
    for (const ZoneTuning& zone : preset.zones) ++counts[size_t(zone.verdict)];
    std::printf("%-5zu %-10s %-20s %4d %11.3f %11.3f %10.3f %+11.2f %5zu/%zu/%zu\n", index,
                location(preset).c_str(), preset.name.c_str(), key, declared, measured,
                corrections.empty() ? 0.0 : confidence,
                corrections.empty() ? 0.0 : sound::median_cents(corrections), counts[0], counts[1],
                counts[2]);
}

void print_zones(size_t index, const PresetTuning& preset) {
    for (const ZoneTuning& z : preset.zones)
        std::printf(
            "%-5zu %-10s %-20s %5u %3d-%-3d %3d-%-3d %4d %4d %11.3f %11.3f %10.3f %+8.2f "
            "%+11.2f %11.3f %11.3f %9.2f %-9s %s\n",
            index, location(preset).c_str(), preset.name.c_str(), z.voice, z.key_low, z.key_high,
            z.velocity_low, z.velocity_high, z.root_key, z.reference_key, z.declared_hz,
            z.measured_hz, z.confidence, z.error_cents, z.correction_cents, z.attack_hz, z.loop_hz,
            z.attack_wander_cents, correction_kind(z), verdict_name(z.verdict));
}

void print_bank_tuning(const BankTuningOptions& o) {
    const auto started = std::chrono::steady_clock::now();
    const sound::BankTuningCache cache(sound::BankTuningCache::default_folder());
    const Result<sound::TunedBank> tuned = sound::tune_bank(o.bank, cache);
    if (!tuned) throw DocumentFileFailure(tuned.error());
    const auto& presets = tuned->tuning.presets;
    if (presets.empty()) throw std::runtime_error("the bank " + o.bank + " has no presets");
    if (o.program >= 0 && size_t(o.program) >= presets.size())
        throw UsageError("--program must be an index from 0 to " +
                         std::to_string(presets.size() - 1));
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
            .count();
    std::printf("# %s: %zu presets, %s in %.0f ms\n", o.bank.c_str(), presets.size(),
                tuned->from_cache ? "read from the cache" : "measured", ms);
    if (o.zones)
        std::printf(
            "index bank:prog  name                 voice keys    vels    root  ref "
            "declared_hz measured_hz confidence error_ct correction_ct   attack_hz     loop_hz "
            "wander_ct applied   verdict\n");
    else
        std::printf(
            "index bank:prog  name                  key declared_hz measured_hz "
            "confidence correction_ct zones(corrected/unpitched/out-of-bounds)\n");
    for (size_t i = 0; i < presets.size(); ++i) {
        if (o.program >= 0 && size_t(o.program) != i) continue;
        if (o.zones)
            print_zones(i, presets[i]);
        else
            print_preset(i, presets[i]);
    }
}

}  // namespace

void add_bank_tuning_command(CLI::App& app) {
    auto options = std::make_shared<BankTuningOptions>();
    CLI::App* command = app.add_subcommand(
        "bank-tuning",
        "Measure how far a bank's presets sound from their declared pitch, and the corrections "
        "pitch-true playback applies (per preset at A4, or per zone)");
    command->add_option("BANK", options->bank, "A .sf2 or .dls bank")->required();
    command->add_option("--program", options->program,
                        "Only the preset with this index in the bank's program list");
    command->add_flag("--zones", options->zones,
                      "One line per zone instead of per preset: its attack's and loop's pitch, "
                      "how far the attack wanders, and the correction applied (sustain, retuned "
                      "loop or flattened attack)");
    command->callback([options] { print_bank_tuning(*options); });
}

void print_bank_tuning_bench_row(double min_seconds) {
    const std::string bank = sound::kSystemGeneralMidiBank;
    std::error_code missing;
    if (!std::filesystem::is_regular_file(bank, missing)) {
        std::printf("bank-tuning skipped: %s is not installed\n", bank.c_str());
        return;
    }
    // Measured afresh every time (never read from the cache); the fastest run counts.
    double best_ms = INFINITY;
    size_t zones = 0;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(min_seconds);
    do {
        const auto started = std::chrono::steady_clock::now();
        const auto tuning = sound::measure_bank_tuning(bank);
        const auto ended = std::chrono::steady_clock::now();
        if (!tuning)
            throw std::runtime_error("the default bank could not be measured: " +
                                     refusal_text(tuning.error()));
        best_ms =
            std::min(best_ms, std::chrono::duration<double, std::milli>(ended - started).count());
        zones = 0;
        for (const auto& preset : tuning->presets) zones += preset.zones.size();
    } while (std::chrono::steady_clock::now() < deadline);
    std::printf("bank-tuning %.1f ms to measure %s (%zu zones; limit 1000 ms)\n", best_ms,
                bank.c_str(), zones);
}

}  // namespace kelvara::cli
