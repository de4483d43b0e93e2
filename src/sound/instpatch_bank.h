#pragma once
// SF2 and DLS banks as libinstpatch reads them. The exact-pitch loader and the bank tuning both
// read banks through these functions, so they see the same presets, numbered alike, each with
// its voices in the same order (the tuning's corrections are looked up by voice index).
#include <string>

#include "base/error.h"
#include "sound/instpatch_handles.h"

namespace kelvara::sound {

// The bank at `path`, an IpatchSF2 or IpatchDLS2. Refused, with libinstpatch's reason as the
// detail, when libinstpatch reads it as neither.
Result<GObjectPtr<GObject>> open_instpatch_bank(const std::string& path);

// The bank's presets (SF2) or instruments (DLS), in file order.
GObjectPtr<IpatchList> bank_presets(GObject* bank);

struct PresetHeader {
    std::string name;
    int bank = 0;  // as exact_bank_number() numbers it
    int program = 0;
};

PresetHeader preset_header(GObject* preset);

// The voices of a preset or instrument, as FluidSynth would play them (its own default
// modulators left out). Their sample data is not cached yet. Nothing when libinstpatch cannot
// convert it.
GObjectPtr<IpatchSF2VoiceCache> preset_voices(GObject* preset);

}  // namespace kelvara::sound
