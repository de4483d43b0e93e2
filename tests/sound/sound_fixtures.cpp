#include "sound/sound_fixtures.h"

#include <DLS.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <numbers>
#include <stdexcept>

#include "sound/generated_bank.h"
#include "sound/pitch_mapping.h"

namespace kelvara::testing {
namespace {

using sound::kGeneratedLoopFrames;
using sound::kGeneratedLoopPeriods;

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<int16_t> loop_tone(int harmonic) {
    std::vector<int16_t> pcm(size_t(kGeneratedLoopFrames) * 4);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = int16_t(std::lround(16000.0 * std::sin(2.0 * std::numbers::pi * harmonic *
                                                        kGeneratedLoopPeriods * double(i) /
                                                        kGeneratedLoopFrames)));
    return pcm;
}

// A sample of a new file is 16-bit mono at 44100 Hz by default.
void write_dls(const std::string& path) {
    DLS::File file;
    file.pInfo->Name = "Kelvara Test DLS";
    DLS::Sample* waves[2] = {file.AddSample(), file.AddSample()};
    for (DLS::Sample* wave : waves) wave->Resize(kGeneratedLoopFrames * 4);
    const struct {
        const char* name;
        int msb, lsb, program;
        bool drum;
        DLS::Sample* wave;
    } instruments[] = {{"Sine A", 0, 0, 0, false, waves[0]},
                       {"Octave B", 1, 2, 5, false, waves[1]},
                       {"Drum Sine", 0, 0, 0, true, waves[0]}};
    for (const auto& i : instruments) {
        DLS::Instrument* instrument = file.AddInstrument();
        instrument->pInfo->Name = i.name;
        instrument->MIDIBankCoarse = uint8_t(i.msb);
        instrument->MIDIBankFine = uint8_t(i.lsb);
        instrument->MIDIProgram = uint32_t(i.program);
        instrument->IsDrum = i.drum;
        DLS::Region* region = instrument->AddRegion();
        region->SetSample(i.wave);
        region->SetKeyRange(0, 127);
        region->UnityNote = 69;
        DLS::sample_loop_t loop = {sizeof(DLS::sample_loop_t), 0, uint32_t(kGeneratedLoopFrames),
                                   uint32_t(kGeneratedLoopFrames)};
        region->AddSampleLoop(&loop);
    }
    file.Save(path);  // lays out the chunks; the wave data is then written into the file
    for (int harmonic = 1; harmonic <= 2; ++harmonic) {
        auto pcm = loop_tone(harmonic);
        waves[harmonic - 1]->Write(pcm.data(), pcm.size());
    }
}

}  // namespace

TestBanks::TestBanks() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "kelvara-sound-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    dir_ = pattern;
    sf2_ = (dir_ / "sine.sf2").string();
    dls_ = (dir_ / "tones.dls").string();
    garbage_ = (dir_ / "garbage.sf2").string();
    truncated_sf2_ = (dir_ / "truncated.sf2").string();
    damaged_sf2_ = (dir_ / "damaged.sf2").string();

    const auto image = sound::build_sf2_bank("Kelvara Test", {
                                                                 {"Sine", 0, 0, {1.0f}},
                                                                 {"Octave", 0, 1, {0.0f, 1.0f}},
                                                                 {"Sine Bank1", 1, 5, {1.0f}},
                                                                 {"Sine Drum", 128, 0, {1.0f}},
                                                             });
    write_bytes(sf2_, image);
    write_bytes(truncated_sf2_, std::vector<uint8_t>(image.begin(), image.begin() + 600));
    std::vector<uint8_t> noise(4096);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t((i * 7919u + 13u) >> 3);
    write_bytes(garbage_, noise);
    write_dls(dls_);
    std::vector<uint8_t> damaged = image;
    std::copy_n("junk", 4, damaged.begin() + 20);  // where the INFO list names itself
    write_bytes(damaged_sf2_, damaged);
}

TestBanks::~TestBanks() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

SoundSetup offline_setup(const std::string& default_bank) {
    SoundSetup setup;
    setup.default_bank = default_bank;
    setup.backend = "null";
    return setup;
}

double sounding_hz(float hz) {
    return 440.0 * std::exp2((double(sound::frac_midi_note_for_frequency(hz)) - 69.0) / 12.0);
}

StereoBuffer render_seconds(SynthController& controller, double seconds) {
    auto audio = controller.render_offline(int(std::lround(seconds * controller.sample_rate())));
    if (!audio) throw std::runtime_error("the controller did not render");
    return *audio;
}

}  // namespace kelvara::testing
