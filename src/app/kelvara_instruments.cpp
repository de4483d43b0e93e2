#include "app/kelvara_instruments.h"

#include "sound/synth_controller.h"

namespace kelvara {
namespace {

class KelvaraInstruments final : public DocumentInstruments, public ChannelControls {
public:
    KelvaraInstruments() : _sc(SynthController::init_with_channel(0)) {
        // A graph that cannot be built leaves the wrapper silent; the window still works.
        if (_sc->create_au_graph()) _sc->start_graph();
    }
    ~KelvaraInstruments() override { _sc->stop_graph(); }

    ChannelControls* channel() override { return this; }
    void set_midi_parameter(uint32_t controller, uint32_t value) override {
        _sc->set_midi_parameter(controller, value);
    }

    std::vector<std::string> program_titles() const override {
        std::vector<ProgramItem> items;
        _sc->fill_in_program_button(items);
        std::vector<std::string> titles;
        titles.reserve(items.size());
        for (const ProgramItem& item : items) titles.push_back(item.title);
        return titles;
    }
    void select_instrument(int32_t index) override { _sc->select_instrument(index); }
    bool load_sound_bank(const std::string& path) override {
        if (_sc->load_font(path)) return true;
        _sc->reset_to_default_bank();
        return false;
    }
    void reset_to_default_bank() override { _sc->reset_to_default_bank(); }
    bool has_synthesizer() const override { return true; }

private:
    std::unique_ptr<SynthController> _sc;
};

}  // namespace

std::unique_ptr<DocumentInstruments> make_kelvara_instruments(const KelvaraDocument&) {
    return std::make_unique<KelvaraInstruments>();
}

}  // namespace kelvara
