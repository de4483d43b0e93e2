#pragma once
// Owning handles for the FluidSynth objects the sound engine creates. Each deleter is the
// library's own destructor; a null handle is never passed to it.
#include <fluidsynth.h>

#include <memory>

namespace kelvara::sound {

struct FluidSettingsDeleter {
    void operator()(fluid_settings_t* s) const { delete_fluid_settings(s); }
};
struct FluidSynthDeleter {
    void operator()(fluid_synth_t* s) const { delete_fluid_synth(s); }
};
struct FluidDriverDeleter {
    void operator()(fluid_audio_driver_t* d) const { delete_fluid_audio_driver(d); }
};
struct FluidSampleDeleter {
    void operator()(fluid_sample_t* s) const { delete_fluid_sample(s); }
};
struct FluidPresetDeleter {
    void operator()(fluid_preset_t* p) const { delete_fluid_preset(p); }
};
struct FluidModDeleter {
    void operator()(fluid_mod_t* m) const { delete_fluid_mod(m); }
};

using FluidSettingsPtr = std::unique_ptr<fluid_settings_t, FluidSettingsDeleter>;
using FluidSynthPtr = std::unique_ptr<fluid_synth_t, FluidSynthDeleter>;
using FluidDriverPtr = std::unique_ptr<fluid_audio_driver_t, FluidDriverDeleter>;
using FluidSamplePtr = std::unique_ptr<fluid_sample_t, FluidSampleDeleter>;
using FluidPresetPtr = std::unique_ptr<fluid_preset_t, FluidPresetDeleter>;
using FluidModPtr = std::unique_ptr<fluid_mod_t, FluidModDeleter>;

}  // namespace kelvara::sound
