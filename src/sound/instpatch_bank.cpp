#include "sound/instpatch_bank.h"

#include <utility>

#include "sound/bank_numbers.h"

namespace kelvara::sound {
namespace {

std::string sf2_name(GObject* preset) {
    gchar* raw = nullptr;
    g_object_get(preset, "name", &raw, nullptr);
    const GStringPtr name(raw);
    return name ? std::string(name.get()) : std::string();
}

// Read directly: the "name" property getter of DLS items copies the string twice and leaks
// one copy (libinstpatch 1.1.6). Nothing else holds the bank while it is read.
std::string dls_name(IpatchDLS2Inst* inst) {
    const char* name = ipatch_dls2_info_peek(inst->info, IPATCH_DLS2_NAME);
    return name != nullptr ? std::string(name) : std::string();
}

}  // namespace

Result<GObjectPtr<GObject>> open_instpatch_bank(const std::string& path) {
    const auto fail = [&](GError* raw, const char* fallback) {
        const GErrorPtr owned(raw);
        Error refused{ErrorKind::Refused,
                      0,
                      "The sound bank \"" + path + "\" could not be read.",
                      "Kelvara reads SoundFont (.sf2) and DLS (.dls) banks.",
                      owned && owned->message ? owned->message : fallback,
                      {}};
        refused.where.file = path;
        return refused;
    };
    init_instpatch_once();
    GError* raw_error = nullptr;
    IpatchFileHandle* handle = ipatch_file_identify_open(path.c_str(), &raw_error);
    if (handle == nullptr) return fail(raw_error, "not a sound bank");
    GObjectPtr<GObject> base(
        ipatch_convert_object_to_type(G_OBJECT(handle->file), IPATCH_TYPE_BASE, &raw_error));
    ipatch_file_close(handle);
    if (!base) return fail(raw_error, "the bank could not be read");
    if (!IPATCH_IS_SF2(base.get()) && !IPATCH_IS_DLS2(base.get()))
        return fail(nullptr, "not a SoundFont 2 or DLS bank");
    return Result<GObjectPtr<GObject>>(std::move(base));
}

GObjectPtr<IpatchList> bank_presets(GObject* bank) {
    const GType type = IPATCH_IS_SF2(bank) ? IPATCH_TYPE_SF2_PRESET : IPATCH_TYPE_DLS2_INST;
    return GObjectPtr<IpatchList>(ipatch_container_get_children(IPATCH_CONTAINER(bank), type));
}

PresetHeader preset_header(GObject* preset) {
    PresetHeader header;
    int bank = 0;
    if (IPATCH_IS_DLS2_INST(preset)) {
        auto* inst = IPATCH_DLS2_INST(preset);
        ipatch_dls2_inst_get_midi_locale(inst, &bank, &header.program);
        // libinstpatch keeps the DLS locale as stored: MSB in bits 8-14, LSB in bits 0-6.
        const bool percussion = (ipatch_item_get_flags(preset) & IPATCH_DLS2_INST_PERCUSSION) != 0;
        header.bank = exact_bank_number({(bank >> 8) & 0x7F, bank & 0x7F, percussion});
        header.name = dls_name(inst);
    } else {
        g_object_get(preset, "bank", &bank, "program", &header.program, nullptr);
        header.bank = exact_bank_number(sf2_bank(bank));
        header.name = sf2_name(preset);
    }
    return header;
}

GObjectPtr<IpatchSF2VoiceCache> preset_voices(GObject* preset) {
    GObjectPtr<IpatchConverter> converter(
        ipatch_create_converter(G_OBJECT_TYPE(preset), IPATCH_TYPE_SF2_VOICE_CACHE));
    if (!converter) return nullptr;
    GObjectPtr<IpatchSF2VoiceCache> cache(ipatch_sf2_voice_cache_new(nullptr, 0));
    if (!cache) return nullptr;
    // FluidSynth gives every voice its own default modulators.
    ipatch_sf2_voice_cache_set_default_mods(cache.get(), nullptr);
    ipatch_converter_add_input(converter.get(), preset);
    ipatch_converter_add_output(converter.get(), G_OBJECT(cache.get()));
    if (!ipatch_converter_convert(converter.get(), nullptr)) return nullptr;
    return cache;
}

}  // namespace kelvara::sound
