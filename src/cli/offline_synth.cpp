#include "cli/offline_synth.h"

#include <stdexcept>

#include "cli/commands.h"

namespace kelvara::cli {

std::unique_ptr<SynthController> offline_controller(const std::string& bank, bool pitch_true) {
    SoundSetup setup;
    setup.backend = "null";
    setup.pitch_true = pitch_true;
    auto controller = std::make_unique<SynthController>(0, setup);
    if (!controller->load_default_bank())
        throw std::runtime_error("the synthesizer could not be built");
    if (!bank.empty()) {
        if (const Result<void> loaded = controller->load_bank(bank); !loaded)
            throw DocumentFileFailure(loaded.error());
        controller->stop();
    }
    return controller;
}

}  // namespace kelvara::cli
