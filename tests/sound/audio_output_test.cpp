// The whole output chain at a real-time pace: FluidSynth's JACK driver in callback mode on
// the JACK server of the test services (scripts/with-test-services.sh starts one with the
// dummy backend and sets KELVARA_REQUIRE_JACK=1; without it the JACK case skips), and the
// null output that keeps rendering when no device opens. The limiter runs in the callback.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "sound/peak_limiter.h"
#include "sound/sound_fixtures.h"
#include "sound/synth_controller.h"

namespace kelvara::testing {
namespace {

class AudioOutput : public ::testing::TestWithParam<std::string> {};

TEST_P(AudioOutput, RendersInRealTimeThroughTheLimiter) {
    // There is no sound card here: "alsa" falls back to the null output.
    const std::string expected = GetParam() == "jack" ? "jack" : "null";
    TestBanks banks;
    SoundSetup setup = offline_setup(banks.sf2());
    setup.backend = GetParam();
    SynthController controller(0, setup);
    ASSERT_TRUE(controller.load_default_bank());
    controller.start();
    ASSERT_TRUE(controller.is_running());
    if (controller.audio_backend() != expected) {
        const char* required = std::getenv("KELVARA_REQUIRE_JACK");
        if (expected != "jack" || (required && std::string(required) == "1"))
            FAIL() << "plays through " << controller.audio_backend() << ", not " << expected;
        GTEST_SKIP() << "no JACK server (scripts/with-test-services.sh starts one)";
    }
    // Twenty loud sines add up far above full scale before the limiter.
    controller.set_midi_parameter(7, 127);
    std::vector<float> chord;
    for (int i = 0; i < 20; ++i) chord.push_back(200.0f + 37.0f * float(i));
    const uint64_t frames_before = controller.rendered_frames();
    controller.take_output_peak();
    controller.notes_on(chord, 127.0f);
    // Until the output has rendered half a second of the chord, however busy the machine.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    float peak = 0.0f;
    while (controller.rendered_frames() - frames_before < uint64_t(0.5 * 48000) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        peak = std::max(peak, controller.take_output_peak());
    }
    peak = std::max(peak, controller.take_output_peak());
    EXPECT_GE(controller.rendered_frames() - frames_before, uint64_t(0.5 * 48000));
    controller.stop();
    EXPECT_LE(peak, sound::PeakLimiter::kDefaultCeiling);
    EXPECT_GT(peak, 0.8f);  // loud enough that the limiter was working
}

INSTANTIATE_TEST_SUITE_P(Backends, AudioOutput, ::testing::Values("jack", "alsa"));

}  // namespace
}  // namespace kelvara::testing
