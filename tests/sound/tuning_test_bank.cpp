#include "sound/tuning_test_bank.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <stdexcept>

#include "sound/instpatch_handles.h"

namespace kelvara::testing {
namespace {

using sound::GErrorPtr;
using sound::GObjectPtr;

constexpr int kRate = 44100;
constexpr int kLoopFrames = 2205;  // 22 periods of 440 Hz
constexpr int kPeriods = 22;
constexpr int kSineFrames = 4 * kLoopFrames;
constexpr int kShortLoopStart = kRate;
constexpr int kShortLoopFrames = 2200;
constexpr double kLevel = 16000.0;
constexpr double kGlideLevel =
    0.7;  // the gliding fundamental's share, the steady octave's the rest

bool long_attack(TestTone tone) {
    return tone == TestTone::ShortLoopSine || tone == TestTone::GlidingAttackSine;
}

std::vector<int16_t> samples_of(TestTone tone) {
    std::vector<int16_t> pcm(long_attack(tone) ? kShortLoopStart + 2 * kLoopFrames : kSineFrames);
    uint32_t noise = 12345;
    double phase = 0.0;  // of the glide, in periods, carried on into the loop
    for (size_t i = 0; i < pcm.size(); ++i) {
        if (tone == TestTone::GlidingAttackSine) {
            const double t = std::min(1.0, double(i) / kRate);
            const double octave =
                std::sin(2.0 * std::numbers::pi * 2 * kPeriods * double(i) / kLoopFrames);
            pcm[i] = int16_t(
                std::lround(kLevel * (kGlideLevel * std::sin(2.0 * std::numbers::pi * phase) +
                                      (1.0 - kGlideLevel) * octave)));
            phase += kPeriods * std::exp2(kGlideCents * (1.0 - t) / 1200.0) / kLoopFrames;
        } else if (tone == TestTone::Noise) {
            noise = noise * 1664525u + 1013904223u;  // a fixed sequence: the test is repeatable
            pcm[i] = int16_t(int32_t(noise >> 16) - 32768);
        } else {
            pcm[i] = int16_t(std::lround(
                kLevel * std::sin(2.0 * std::numbers::pi * kPeriods * double(i) / kLoopFrames)));
        }
    }
    return pcm;
}

IpatchSF2Sample* add_sample(IpatchSF2* bank, const TestZone& zone, int index) {
    const std::vector<int16_t> pcm = samples_of(zone.tone);
    const size_t bytes = pcm.size() * sizeof(int16_t);
    void* data = g_malloc(bytes);  // the store frees it
    std::copy(pcm.begin(), pcm.end(), static_cast<int16_t*>(data));
    IpatchSample* store = ipatch_sample_store_ram_new(data, TRUE);
    const int format = int(IPATCH_SAMPLE_16BIT) | int(IPATCH_SAMPLE_MONO) |
                       int(IPATCH_SAMPLE_SIGNED) | int(IPATCH_SAMPLE_ENDIAN_HOST);
    g_object_set(store, "sample-format", format, "sample-size", guint(pcm.size()), "sample-rate",
                 kRate, nullptr);
    GObjectPtr<IpatchSampleData> sample_data(ipatch_sample_data_new());
    ipatch_sample_data_add(sample_data.get(), IPATCH_SAMPLE_STORE(store));
    g_object_unref(store);

    GObjectPtr<IpatchSF2Sample> sample(ipatch_sf2_sample_new());
    ipatch_sf2_sample_set_data(sample.get(), sample_data.get());
    const bool after_attack = long_attack(zone.tone);
    const guint loop_start = after_attack ? kShortLoopStart : kLoopFrames;
    const guint loop_end = zone.tone == TestTone::ShortLoopSine ? kShortLoopStart + kShortLoopFrames
                           : after_attack                       ? kShortLoopStart + kLoopFrames
                                                                : 2 * kLoopFrames;
    const std::string name = "sample " + std::to_string(index);
    g_object_set(sample.get(), "name", name.c_str(), "sample-rate", kRate, "root-note",
                 zone.root_key, "fine-tune", zone.pitch_correction_cents, "loop-start", loop_start,
                 "loop-end", loop_end, nullptr);
    ipatch_container_append(IPATCH_CONTAINER(bank), IPATCH_ITEM(sample.get()));
    // The bank holds its own reference now; `sample` drops the one it was made with.
    IpatchSF2Sample* const held = sample.get();
    return held;
}

void set_generator(IpatchItem* zone, int generator, int16_t value) {
    IpatchSF2GenAmount amount{};
    amount.sword = value;
    ipatch_sf2_gen_item_set_amount(IPATCH_SF2_GEN_ITEM(zone), guint(generator), &amount);
}

IpatchItem* last_zone(IpatchContainer* parent, GType type) {
    GObjectPtr<IpatchList> zones(ipatch_container_get_children(parent, type));
    GList* last = g_list_last(zones->items);
    return last != nullptr ? IPATCH_ITEM(last->data) : nullptr;
}

}  // namespace

void write_tuning_test_bank(const std::string& path, const std::vector<TestPreset>& presets) {
    sound::init_instpatch_once();
    GObjectPtr<IpatchSF2> bank(ipatch_sf2_new());
    int samples = 0;
    for (const TestPreset& p : presets) {
        GObjectPtr<IpatchSF2Inst> instrument(ipatch_sf2_inst_new());
        g_object_set(instrument.get(), "name", p.name.c_str(), nullptr);
        ipatch_container_append(IPATCH_CONTAINER(bank.get()), IPATCH_ITEM(instrument.get()));
        for (const TestZone& z : p.zones) {
            ipatch_sf2_inst_new_zone(instrument.get(), add_sample(bank.get(), z, samples++));
            IpatchItem* zone = last_zone(IPATCH_CONTAINER(instrument.get()), IPATCH_TYPE_SF2_IZONE);
            if (zone == nullptr) throw std::runtime_error("libinstpatch made no zone");
            ipatch_sf2_gen_item_set_note_range(IPATCH_SF2_GEN_ITEM(zone), z.key_low, z.key_high);
            set_generator(zone, IPATCH_SF2_GEN_SAMPLE_MODES, IPATCH_SF2_GEN_SAMPLE_MODE_LOOP);
            set_generator(zone, IPATCH_SF2_GEN_FINE_TUNE_OVERRIDE, int16_t(z.fine_tune_cents));
        }
        GObjectPtr<IpatchSF2Preset> preset(ipatch_sf2_preset_new());
        g_object_set(preset.get(), "name", p.name.c_str(), nullptr);
        ipatch_sf2_preset_set_midi_locale(preset.get(), 0, p.program);
        ipatch_container_append(IPATCH_CONTAINER(bank.get()), IPATCH_ITEM(preset.get()));
        ipatch_sf2_preset_new_zone(preset.get(), instrument.get());
    }
    GError* raw = nullptr;
    const bool saved = ipatch_base_save_to_filename(IPATCH_BASE(bank.get()), path.c_str(), &raw);
    const GErrorPtr error(raw);
    if (!saved)
        throw std::runtime_error(std::string("the test bank could not be written: ") +
                                 (error ? error->message : "no reason given"));
}

TuningTestFolder::TuningTestFolder(const std::vector<TestPreset>& presets) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kelvara-tuning-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    path_ = pattern;
    write_tuning_test_bank(bank(), presets);
}

TuningTestFolder::~TuningTestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace kelvara::testing
