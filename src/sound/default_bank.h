#pragma once
// The bank a new synthesizer plays when the user has not loaded one.
#include <string>

namespace kelvara::sound {

class SynthEngine;

// The Debian alternative that points at the installed General MIDI SoundFont.
inline constexpr const char* kSystemGeneralMidiBank = "/usr/share/sounds/sf2/default-GM.sf2";

// Loads `configured` when given, else the system's General MIDI bank, else the bank named by
// FluidSynth's synth.default-soundfont setting; when none of them loads, the generated bank
// (builtin_presets()). False only when even that fails.
bool load_default_bank(SynthEngine& engine, const std::string& configured);

}  // namespace kelvara::sound
