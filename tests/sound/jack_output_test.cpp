// The whole output chain through a real audio driver: FluidSynth's JACK driver in callback
// mode on a JACK server with the dummy backend, the limiter in the callback.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sound/jack_dummy_server.h"
#include "sound/sound_fixtures.h"
#include "sound/synth_controller.h"

namespace kelvara::testing {
namespace {

TEST(JackOutput, CallbackRendersThroughTheLimiter) {
    const JackDummyServer server;
    if (!server.running()) GTEST_SKIP() << server.why();
    TestBanks banks;
    SoundSetup setup = offline_setup(banks.sf2());
    setup.backend = "jack";
    SynthController controller(0, setup);
    ASSERT_TRUE(controller.load_default_bank());
    controller.start();
    ASSERT_TRUE(controller.is_running());
    ASSERT_EQ(controller.audio_backend(), "jack");

    // Twenty loud sines add up far above full scale before the limiter.
    controller.set_midi_parameter(7, 127);
    std::vector<float> chord;
    for (int i = 0; i < 20; ++i) chord.push_back(200.0f + 37.0f * float(i));
    const uint64_t frames_before = controller.rendered_frames();
    controller.take_output_peak();
    const auto ids = controller.notes_on(chord, 127.0f);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const float peak = controller.take_output_peak();
    const uint64_t frames = controller.rendered_frames() - frames_before;
    controller.notes_off(ids);
    controller.stop();

    EXPECT_GT(frames, uint64_t(0.2 * 48000));  // the callback ran at a real-time pace
    EXPECT_LE(peak, 0.891f);
    EXPECT_GT(peak, 0.8f);  // loud enough that the limiter was working
    EXPECT_FALSE(controller.is_running());
}

}  // namespace
}  // namespace kelvara::testing
