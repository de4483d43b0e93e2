#include "sound/sound_fixtures.h"

#include <DLS.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <stdexcept>

#include "sound/generated_bank.h"

namespace kelvara {
void PrintTo(const ProgramItem& item, std::ostream* out) {
    *out << '"' << item.title << "\" tag 0x" << std::hex << item.tag << std::dec;
}
}  // namespace kelvara

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

DLS::Sample* add_sample(DLS::File& file) {
    DLS::Sample* s = file.AddSample();
    s->Channels = 1;
    s->BitDepth = 16;
    s->FrameSize = 2;
    s->BlockAlign = 2;
    s->SamplesPerSecond = 44100;
    s->AverageBytesPerSecond = 88200;
    s->Resize(kGeneratedLoopFrames * 4);
    return s;
}

void add_instrument(DLS::File& file, DLS::Sample* sample, const char* name, int msb, int lsb,
                    int program, bool drum) {
    DLS::Instrument* ins = file.AddInstrument();
    ins->pInfo->Name = name;
    ins->MIDIBankCoarse = uint8_t(msb);
    ins->MIDIBankFine = uint8_t(lsb);
    ins->MIDIProgram = uint32_t(program);
    ins->IsDrum = drum;
    DLS::Region* r = ins->AddRegion();
    r->SetSample(sample);
    r->SetKeyRange(0, 127);
    r->UnityNote = 69;
    r->FineTune = 0;
    DLS::sample_loop_t loop = {sizeof(DLS::sample_loop_t), 0, uint32_t(kGeneratedLoopFrames),
                               uint32_t(kGeneratedLoopFrames)};
    r->AddSampleLoop(&loop);
}

void write_dls(const std::string& path) {
    DLS::File file;
    file.pInfo->Name = "Kelvara Test DLS";
    DLS::Sample* sine = add_sample(file);
    DLS::Sample* octave = add_sample(file);
    add_instrument(file, sine, "Sine A", 0, 0, 0, false);
    add_instrument(file, octave, "Octave B", 1, 2, 5, false);
    add_instrument(file, sine, "Drum Sine", 0, 0, 0, true);
    file.Save(path);  // lays out the chunks; the wave data is then written into the file
    auto pcm = loop_tone(1);
    sine->Write(pcm.data(), pcm.size());
    pcm = loop_tone(2);
    octave->Write(pcm.data(), pcm.size());
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

StereoBuffer render_seconds(SynthController& controller, double seconds) {
    auto audio = controller.render_offline(int(std::lround(seconds * controller.sample_rate())));
    if (!audio) throw std::runtime_error("the controller did not render");
    return *audio;
}

}  // namespace kelvara::testing
