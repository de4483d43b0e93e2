#include "sound/generated_bank.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace kelvara::sound {
namespace {

// SF2 generator numbers used by the bank.
constexpr uint16_t kGenInstrument = 41;
constexpr uint16_t kGenAttackVolEnv = 34;
constexpr uint16_t kGenReleaseVolEnv = 38;
constexpr uint16_t kGenSampleId = 53;
constexpr uint16_t kGenSampleModes = 54;
constexpr int16_t kAttack10ms = -7973;    // timecents
constexpr int16_t kRelease100ms = -3986;  // timecents
constexpr uint16_t kLoopContinuously = 1;
constexpr int kSampleFrames = kGeneratedLoopFrames * 4;
constexpr int kGuardFrames = 46;  // zero frames after every sample, as the format asks
constexpr double kPeak = 16000.0;
constexpr uint8_t kRootKey = 69;

class Chunk {
public:
    void u8(uint8_t v) { bytes_.push_back(v); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v & 0xFF));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v & 0xFFFF));
        u16(static_cast<uint16_t>(v >> 16));
    }
    void fourcc(const char* id) { bytes_.insert(bytes_.end(), id, id + 4); }
    void name20(const std::string& name) {
        char field[20] = {};
        std::memcpy(field, name.data(), std::min<size_t>(name.size(), 19));
        bytes_.insert(bytes_.end(), field, field + 20);
    }
    void zstring(const std::string& s) {
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        u8(0);
        if (bytes_.size() % 2 != 0) u8(0);
    }
    void append(const Chunk& other) {
        bytes_.insert(bytes_.end(), other.bytes_.begin(), other.bytes_.end());
    }
    void sub_chunk(const char* id, const Chunk& body) {
        fourcc(id);
        u32(static_cast<uint32_t>(body.bytes_.size()));
        append(body);
        if (body.bytes_.size() % 2 != 0) u8(0);
    }
    void list(const char* type, const Chunk& body) {
        Chunk inner;
        inner.fourcc(type);
        inner.append(body);
        sub_chunk("LIST", inner);
    }
    std::vector<uint8_t> take() { return std::move(bytes_); }

private:
    std::vector<uint8_t> bytes_;
};

std::vector<int16_t> harmonic_samples(const std::vector<float>& harmonics) {
    std::vector<double> wave(kSampleFrames, 0.0);
    for (size_t k = 0; k < harmonics.size(); ++k) {
        const double cycles = static_cast<double>(kGeneratedLoopPeriods) * double(k + 1);
        for (int i = 0; i < kSampleFrames; ++i)
            wave[i] +=
                harmonics[k] * std::sin(2.0 * std::numbers::pi * cycles * i / kGeneratedLoopFrames);
    }
    double peak = 0.0;
    for (double v : wave) peak = std::max(peak, std::abs(v));
    const double scale = peak > 0.0 ? kPeak / peak : 0.0;
    std::vector<int16_t> pcm(kSampleFrames);
    for (int i = 0; i < kSampleFrames; ++i)
        pcm[i] = static_cast<int16_t>(std::lround(wave[i] * scale));
    return pcm;
}

Chunk info_list(const std::string& bank_name) {
    Chunk version;
    version.u16(2);
    version.u16(1);
    Chunk engine;
    engine.zstring("EMU8000");
    Chunk name;
    name.zstring(bank_name);
    Chunk info;
    info.sub_chunk("ifil", version);
    info.sub_chunk("isng", engine);
    info.sub_chunk("INAM", name);
    return info;
}

Chunk sample_data_list(const std::vector<GeneratedPreset>& presets) {
    Chunk smpl;
    for (const auto& preset : presets) {
        for (int16_t v : harmonic_samples(preset.harmonics)) smpl.u16(static_cast<uint16_t>(v));
        for (int i = 0; i < kGuardFrames; ++i) smpl.u16(0);
    }
    Chunk sdta;
    sdta.sub_chunk("smpl", smpl);
    return sdta;
}

void generator(Chunk& gen, uint16_t oper, uint16_t amount) {
    gen.u16(oper);
    gen.u16(amount);
}

// One preset, one instrument and one sample per generated preset; every zone covers all keys
// and velocities.
Chunk hydra_list(const std::vector<GeneratedPreset>& presets) {
    Chunk phdr, pbag, pmod, pgen, inst, ibag, imod, igen, shdr;
    const auto count = static_cast<uint16_t>(presets.size());
    for (uint16_t i = 0; i < count; ++i) {
        const GeneratedPreset& p = presets[i];
        phdr.name20(p.name);
        phdr.u16(static_cast<uint16_t>(p.program));
        phdr.u16(static_cast<uint16_t>(p.bank));
        phdr.u16(i);  // bag index
        phdr.u32(0);
        phdr.u32(0);
        phdr.u32(0);
        pbag.u16(i);  // one generator per preset zone
        pbag.u16(0);
        generator(pgen, kGenInstrument, i);

        inst.name20(p.name);
        inst.u16(i);
        ibag.u16(static_cast<uint16_t>(i * 4));
        ibag.u16(0);
        generator(igen, kGenAttackVolEnv, static_cast<uint16_t>(kAttack10ms));
        generator(igen, kGenReleaseVolEnv, static_cast<uint16_t>(kRelease100ms));
        generator(igen, kGenSampleModes, kLoopContinuously);
        generator(igen, kGenSampleId, i);

        const uint32_t start = uint32_t(i) * (kSampleFrames + kGuardFrames);
        shdr.name20(p.name);
        shdr.u32(start);
        shdr.u32(start + kSampleFrames);
        shdr.u32(start + kGeneratedLoopFrames);
        shdr.u32(start + 2 * kGeneratedLoopFrames);  // first frame after the loop
        shdr.u32(kGeneratedSampleRate);
        shdr.u8(kRootKey);
        shdr.u8(0);   // pitch correction
        shdr.u16(0);  // link
        shdr.u16(1);  // mono
    }
    // Terminal records.
    phdr.name20("EOP");
    phdr.u16(0);
    phdr.u16(0);
    phdr.u16(count);
    phdr.u32(0);
    phdr.u32(0);
    phdr.u32(0);
    pbag.u16(count);
    pbag.u16(0);
    for (int i = 0; i < 10; ++i) pmod.u8(0);
    generator(pgen, 0, 0);
    inst.name20("EOI");
    inst.u16(count);
    ibag.u16(static_cast<uint16_t>(count * 4));
    ibag.u16(0);
    for (int i = 0; i < 10; ++i) imod.u8(0);
    generator(igen, 0, 0);
    shdr.name20("EOS");
    for (int i = 0; i < 26; ++i) shdr.u8(0);

    Chunk pdta;
    pdta.sub_chunk("phdr", phdr);
    pdta.sub_chunk("pbag", pbag);
    pdta.sub_chunk("pmod", pmod);
    pdta.sub_chunk("pgen", pgen);
    pdta.sub_chunk("inst", inst);
    pdta.sub_chunk("ibag", ibag);
    pdta.sub_chunk("imod", imod);
    pdta.sub_chunk("igen", igen);
    pdta.sub_chunk("shdr", shdr);
    return pdta;
}

}  // namespace

std::vector<GeneratedPreset> builtin_presets() {
    return {
        {"Sine", 0, 0, {1.0f}},
        {"Soft Organ", 0, 1, {1.0f, 0.5f, 0.25f, 0.125f}},
        {"Hollow Reed", 0, 2, {1.0f, 0.0f, 0.33f, 0.0f, 0.2f, 0.0f, 0.14f}},
        {"Bright Saw", 0, 3, {1.0f, 0.5f, 0.33f, 0.25f, 0.2f, 0.17f, 0.14f, 0.125f}},
    };
}

std::vector<uint8_t> build_sf2_bank(const std::string& bank_name,
                                    const std::vector<GeneratedPreset>& presets) {
    Chunk body;
    body.fourcc("sfbk");
    body.list("INFO", info_list(bank_name));
    body.list("sdta", sample_data_list(presets));
    body.list("pdta", hydra_list(presets));
    Chunk riff;
    riff.sub_chunk("RIFF", body);
    return riff.take();
}

}  // namespace kelvara::sound
