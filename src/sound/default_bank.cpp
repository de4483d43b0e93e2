#include "sound/default_bank.h"

#include <filesystem>
#include <vector>

#include "sound/generated_bank.h"
#include "sound/synth_engine.h"

namespace kelvara::sound {
namespace {

std::string fluid_default_soundfont(fluid_settings_t* settings) {
    char* value = nullptr;
    if (fluid_settings_dupstr(settings, "synth.default-soundfont", &value) != FLUID_OK ||
        value == nullptr)
        return {};
    std::string path(value);
    fluid_free(value);
    return path;
}

std::vector<std::string> candidates(const SynthEngine& engine, const std::string& configured) {
    if (!configured.empty()) return {configured};
    return {kSystemGeneralMidiBank, fluid_default_soundfont(engine.settings())};
}

}  // namespace

bool load_default_bank(SynthEngine& engine, const std::string& configured) {
    for (const std::string& path : candidates(engine, configured)) {
        std::error_code error;
        if (!path.empty() && std::filesystem::is_regular_file(path, error) &&
            engine.load_bank_file(path))
            return true;
    }
    return engine.load_bank_image(build_sf2_bank("Kelvara Tones", builtin_presets()));
}

}  // namespace kelvara::sound
