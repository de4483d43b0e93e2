#include "sound/audio_output.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "sound/fluid_handles.h"
#include "sound/synth_engine.h"

namespace kelvara::sound {
namespace {

constexpr std::array<const char*, 3> kDriversInOrder{"jack", "pulseaudio", "alsa"};
constexpr int kNullBlockFrames = 256;
constexpr int kMaxLagBlocks = 8;

// FluidSynth's audio driver calls this on its audio thread; render_driver_block neither
// throws nor waits.
int render_callback(void* data, int len, int /*nfx*/, float* /*fx*/[], int nout,
                    float* out[]) noexcept KELVARA_NONBLOCKING {
    return static_cast<SynthEngine*>(data)->render_driver_block(len, nout, out);
}

class FluidDriverOutput final : public AudioOutput {
public:
    FluidDriverOutput(std::string backend, FluidDriverPtr driver)
        : backend_(std::move(backend)), driver_(std::move(driver)) {}
    std::string backend() const override { return backend_; }

private:
    std::string backend_;
    FluidDriverPtr driver_;  // deleting it joins the driver's audio thread
};

// Renders at the engine's sample rate, one block per block period, on its own thread.
class NullOutput final : public AudioOutput {
public:
    explicit NullOutput(SynthEngine& engine)
        : thread_([&engine](std::stop_token stop) { run(engine, stop); }) {}
    std::string backend() const override { return "null"; }

private:
    static void run(SynthEngine& engine, const std::stop_token& stop) {
        std::vector<float> left(kNullBlockFrames), right(kNullBlockFrames);
        const auto period = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(kNullBlockFrames / engine.sample_rate()));
        auto deadline = std::chrono::steady_clock::now();
        while (!stop.stop_requested()) {
            engine.render(left.data(), right.data(), kNullBlockFrames);
            deadline += period;
            const auto now = std::chrono::steady_clock::now();
            // After a stall (a suspended process, a debugger) carry on from now rather than
            // rendering the missed time in a burst.
            if (now - deadline > kMaxLagBlocks * period) deadline = now;
            std::this_thread::sleep_until(deadline);
        }
    }
    std::jthread thread_;
};

std::unique_ptr<AudioOutput> open_driver(SynthEngine& engine, const std::string& name) {
    fluid_settings_t* settings = engine.settings();
    fluid_settings_setstr(settings, "audio.driver", name.c_str());
    if (name == "jack") {
        // Join a running JACK server only: libjack would otherwise try to launch one (with
        // whatever device it guesses) every time the program looks for an output. A user who
        // set the variable keeps their choice.
        setenv("JACK_NO_START_SERVER", "1", 0);
        fluid_settings_setint(settings, "audio.jack.autoconnect", 1);
    }
    FluidDriverPtr driver(new_fluid_audio_driver2(settings, render_callback, &engine));
    if (!driver) return nullptr;
    return std::make_unique<FluidDriverOutput>(name, std::move(driver));
}

}  // namespace

std::unique_ptr<AudioOutput> open_null_output(SynthEngine& engine) {
    return std::make_unique<NullOutput>(engine);
}

std::unique_ptr<AudioOutput> open_audio_output(SynthEngine& engine, const std::string& preferred) {
    if (preferred == "null") return open_null_output(engine);
    if (!preferred.empty()) {
        if (auto output = open_driver(engine, preferred)) return output;
        return open_null_output(engine);
    }
    for (const char* name : kDriversInOrder)
        if (auto output = open_driver(engine, name)) return output;
    return open_null_output(engine);
}

}  // namespace kelvara::sound
