// Three threads as in the running program: the audio output rendering, the MIDI thread
// starting and stopping chords and sending controllers, and the user-interface thread loading
// and resetting banks. Meant to run under ThreadSanitizer too (the tsan preset).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "sound/sound_fixtures.h"
#include "sound/synth_controller.h"

namespace kelvara::testing {
namespace {

TEST(SoundThreads, NotesControllersAndBankChangesTogether) {
    TestBanks banks;
    SynthController controller(0, offline_setup(banks.sf2()));
    ASSERT_TRUE(controller.load_default_bank());
    controller.start();  // the null output's thread renders

    std::atomic<bool> done{false};
    std::atomic<int> chords{0};
    std::thread midi([&] {
        uint32_t n = 0;
        while (!done.load()) {
            const auto ids = controller.notes_on({220.0f + float(n % 50), 330.5f, 452.893f}, 90.0f);
            controller.set_midi_parameter(7, n % 200);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            controller.notes_off(ids);
            ++n;
            chords.fetch_add(ids.empty() ? 0 : 1);
        }
    });
    for (int round = 0; round < 6; ++round) {
        if (round % 3 == 2)
            controller.reset_to_default_bank();
        else
            EXPECT_TRUE(controller.load_bank(round % 2 ? banks.dls() : banks.sf2()));
        const std::vector<ProgramItem> items = controller.programs();
        controller.select_instrument(int32_t(items.size()) - 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    done = true;
    midi.join();
    EXPECT_TRUE(controller.is_running());
    EXPECT_GT(chords.load(), 10);
    controller.stop();
}

}  // namespace
}  // namespace kelvara::testing
